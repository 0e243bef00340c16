#include "platform/directory_files.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "platform/system.hpp"
#include "tests/fakes/fake_shell_services.hpp"
#include "tests/support/bytes.hpp"
#include "tests/support/system_support.hpp"

namespace lanqi {
namespace {

using testing::AsBytes;
using Outcome = platform::DirectoryFiles::ReadResult::Outcome;

struct DirectoryFilesTest : ::testing::Test {
  std::string Read(const std::string& name, std::size_t limit = 1 << 16) {
    const auto bytes = testing::ReadUpTo(*files, name, limit);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<none>";
  }
  testing::TempFolder folder;
  std::unique_ptr<platform::DirectoryFiles> files = platform::DirectoryFilesIn(folder.path());
};

TEST_F(DirectoryFilesTest, ReplaceCreatesAndOverwritesWithExactlyTheBytes) {
  const std::string name = "时差.ini";
  EXPECT_EQ(Read(name), "<none>");
  ASSERT_TRUE(files->Replace(name, AsBytes("-300")));
  EXPECT_EQ(Read(name), "-300");
  ASSERT_TRUE(files->Replace(name, AsBytes("7")));  // shorter content leaves no old tail
  EXPECT_EQ(Read(name), "7");
  ASSERT_TRUE(files->Replace(name, AsBytes(std::string("a\0b", 3))));
  EXPECT_EQ(Read(name), std::string("a\0b", 3));
  ASSERT_TRUE(files->Replace(name, AsBytes("")));
  EXPECT_EQ(Read(name), "");
  EXPECT_EQ(folder.EntryCount(), 1u) << folder.Listing();
}

TEST_F(DirectoryFilesTest, ReadStopsAtTheLimit) {
  ASSERT_TRUE(files->Replace("big", AsBytes(std::string(10000, '9'))));
  EXPECT_EQ(Read("big", 4096), std::string(4096, '9'));
  EXPECT_EQ(Read("big", 20000).size(), 10000u);
}

TEST_F(DirectoryFilesTest, FailedReplacementsLeaveNothingBehind) {
  std::filesystem::create_directory(folder.path() / "dir");
  EXPECT_EQ(Read("dir"), "<none>");  // a directory is not a file to read
  EXPECT_FALSE(files->Replace("dir", AsBytes("1")));
  EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "dir"));
  EXPECT_EQ(folder.EntryCount(), 1u) << folder.Listing();

  auto nowhere = platform::DirectoryFilesIn(folder.path() / "missing");
  EXPECT_FALSE(nowhere->Replace("x", AsBytes("1")));
  EXPECT_EQ(folder.EntryCount(), 1u) << folder.Listing();
}

TEST_F(DirectoryFilesTest, ReadTellsAMissingFileFromOneThatIsThere) {
  ASSERT_TRUE(files->Replace("file", AsBytes("12")));
  std::filesystem::create_directory(folder.path() / "dir");
  const struct {
    const char* name;
    Outcome outcome;
  } cases[] = {
      {"file", Outcome::kRead},
      {"missing", Outcome::kMissing},
      {"dir", Outcome::kUnreadable},  // something is there that is no file to overwrite
  };
  for (const auto& c : cases) EXPECT_EQ(files->Read(c.name, 100).outcome, c.outcome) << c.name;
}

TEST(LeftoverProcessId, ReadsOnlyTheTemporaryNamesOfTheFile) {
  const std::string name = "时差.ini";
  const struct {
    std::string name;
    std::uint32_t pid;
  } cases[] = {
      {name + ".1234.0.tmp", 1234},    {name + ".4294967295.17.tmp", 4294967295u},
      {name + ".4294967296.1.tmp", 0},  // no 32-bit process id
      {name + ".1234.tmp", 0},         {name + ".1234..tmp", 0},
      {name + "..0.tmp", 0},           {name + ".12a4.0.tmp", 0},
      {name + ".1234.0.tmp.bak", 0},   {name, 0},
      {"其他.ini.1234.0.tmp", 0},      {"x" + name + ".1234.0.tmp", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::LeftoverProcessId(name, c.name), c.pid) << c.name;
}

// A save a process did not finish leaves its temporary file; once that process has ended the
// file goes. A running process's (a second copy in the middle of its save) and other files stay.
TEST_F(DirectoryFilesTest, CrashedSavesOfEndedProcessesAreRemovedOthersKept) {
  const std::string name = "时差.ini";
  ASSERT_TRUE(files->Replace(name, AsBytes("1")));
  const std::string self = std::to_string(testing::HostSystem().processMemory.CurrentProcessId());
  const std::string kept[] = {name, name + "." + self + ".0.tmp", name + ".bak",
                              "其他.ini.999999999.0.tmp"};
  // No process has this id: Linux's stop far below it, Windows' are multiples of four.
  for (const std::string& leftover : {name + ".999999999.3.tmp", kept[1], kept[2], kept[3]}) {
    ASSERT_TRUE(files->Replace(leftover, AsBytes("1")));
  }
  files->RemoveLeftovers(name);
  EXPECT_EQ(files->Read(name + ".999999999.3.tmp", 10).outcome, Outcome::kMissing);
  for (const std::string& file : kept) EXPECT_EQ(files->Read(file, 10).outcome, Outcome::kRead);
  EXPECT_EQ(folder.EntryCount(), std::size(kept)) << folder.Listing();
}

}  // namespace
}  // namespace lanqi
