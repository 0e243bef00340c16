#include <gtest/gtest.h>

#include <memory>
#include <string>
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

}  // namespace
}  // namespace lanqi
