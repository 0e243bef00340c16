#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "platform/run_directory_files.hpp"
#include "platform/system.hpp"
#include "tests/fakes/fake_shell_services.hpp"
#include "tests/support/bytes.hpp"

namespace lanqi {
namespace {

using testing::AsBytes;

struct DirectoryFilesTest : ::testing::Test {
  std::string Read(const std::string& name, std::size_t limit = 1 << 16) {
    const auto bytes = files->ReadUpTo(name, limit);
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
  using Outcome = platform::DirectoryFiles::ReadResult::Outcome;
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

// Where links are not trusted, a second name of the file keeps the old content instead of being
// written through, and a symbolic link in the file's place is neither read nor written through.
TEST_F(DirectoryFilesTest, DistrustedLinksAreNeitherFollowedNorWrittenThrough) {
  files->DistrustLinks();
  ASSERT_TRUE(files->Replace("offset.ini", AsBytes("5")));
  const std::filesystem::path path = folder.path() / "offset.ini";
  std::filesystem::create_hard_link(path, folder.path() / "system.dll");
  ASSERT_TRUE(files->Replace("offset.ini", AsBytes("6")));
  EXPECT_EQ(Read("offset.ini"), "6");
  EXPECT_EQ(Read("system.dll"), "5");

  std::filesystem::remove(path);
  std::error_code noSymlinks;
  std::filesystem::create_symlink(folder.path() / "system.dll", path, noSymlinks);
  if (noSymlinks) GTEST_SKIP() << "no symbolic links here: " << noSymlinks.message();
  EXPECT_NE(files->Read("offset.ini", 100).outcome,
            platform::DirectoryFiles::ReadResult::Outcome::kRead);
  EXPECT_FALSE(files->Replace("offset.ini", AsBytes("7")));
  EXPECT_EQ(Read("system.dll"), "5");
}

}  // namespace
}  // namespace lanqi
