// What a save keeps of the file it replaces, on a real Linux file system: the in-place write where
// the folder refuses new files, hard links, permissions, and the clean-up of a crashed save.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/run_directory_files.hpp"
#include "platform/system.hpp"
#include "tests/fakes/fake_shell_services.hpp"
#include "tests/support/bytes.hpp"

namespace lanqi {
namespace {

namespace fs = std::filesystem;
const std::string kName = "时差.ini";

using testing::AsBytes;

std::string Content(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void Put(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Runs `body` in a child process that has given up root for `uid`; the child's result.
bool AsUser(uid_t uid, const std::function<bool()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(uid) != 0 || setuid(uid) != 0) _exit(2);
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(LeftoverProcessId, ReadsOnlyTheTemporaryNamesOfTheFile) {
  const struct {
    std::string name;
    std::uint32_t pid;
  } cases[] = {
      {kName + ".1234.0.tmp", 1234},    {kName + ".4294967295.17.tmp", 4294967295u},
      {kName + ".4294967296.1.tmp", 0},  // no 32-bit process id
      {kName + ".1234.tmp", 0},         {kName + ".1234..tmp", 0},
      {kName + "..0.tmp", 0},           {kName + ".12a4.0.tmp", 0},
      {kName + ".1234.0.tmp.bak", 0},   {kName, 0},
      {"其他.ini.1234.0.tmp", 0},       {"x" + kName + ".1234.0.tmp", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::LeftoverProcessId(kName, c.name), c.pid) << c.name;
}

TEST(FileIdentity, CrashedSavesOfEndedProcessesAreRemovedOthersKept) {
  testing::TempFolder folder;
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  waitpid(ended, nullptr, 0);
  const fs::path stale = folder.path() / (kName + "." + std::to_string(ended) + ".3.tmp");
  const fs::path live = folder.path() / (kName + "." + std::to_string(getppid()) + ".0.tmp");
  const fs::path foreign = folder.path() / (kName + ".bak");
  const fs::path other = folder.path() / ("其他.ini." + std::to_string(ended) + ".0.tmp");
  for (const auto& path : {stale, live, foreign, other}) Put(path, "1");

  platform::DirectoryFilesIn(folder.path())->RemoveLeftovers(kName);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(live));  // a second running copy may be in the middle of its save
  EXPECT_TRUE(fs::exists(foreign));
  EXPECT_TRUE(fs::exists(other));
}

// A folder the user may not add files to, holding an offset file the user may write: the save
// goes into the file itself.
TEST(FileIdentity, FolderThatRefusesNewFilesGetsTheFileWrittenInPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to hand the folder to another user";
  testing::TempFolder folder;
  const fs::path locked = folder.path() / "locked";
  fs::create_directory(locked);
  const fs::path file = locked / kName;
  Put(file, "-300000");
  constexpr uid_t kNobody = 65534;
  ASSERT_EQ(chown(file.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(chmod(file.c_str(), 0666), 0);
  ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
  ASSERT_EQ(chmod(folder.path().c_str(), 0755), 0);
  struct stat before {};
  ASSERT_EQ(stat(file.c_str(), &before), 0);

  EXPECT_TRUE(AsUser(
      kNobody, [&] { return platform::DirectoryFilesIn(locked)->Replace(kName, AsBytes("42")); }));
  EXPECT_EQ(Content(file), "42");  // cut to the new length
  struct stat after {};
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(std::distance(fs::directory_iterator(locked), fs::directory_iterator()), 1);

  // Without write permission on the file either, nothing is written.
  ASSERT_EQ(chmod(file.c_str(), 0644), 0);
  ASSERT_EQ(chown(file.c_str(), 0, 0), 0);
  EXPECT_FALSE(AsUser(
      kNobody, [&] { return platform::DirectoryFilesIn(locked)->Replace(kName, AsBytes("7")); }));
  EXPECT_EQ(Content(file), "42");
  chmod(locked.c_str(), 0755);
}

TEST(FileIdentity, SaveKeepsPermissionsHardLinksAndRefusesReadOnlyFiles) {
  testing::TempFolder folder;
  auto files = platform::DirectoryFilesIn(folder.path());
  const fs::path file = folder.path() / kName;

  Put(file, "1");
  ASSERT_EQ(chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(files->Replace(kName, AsBytes("2")));
  struct stat info {};
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(Content(file), "2");

  const fs::path otherName = folder.path() / "link.ini";
  fs::create_hard_link(file, otherName);
  ASSERT_TRUE(files->Replace(kName, AsBytes("-3")));
  EXPECT_EQ(Content(otherName), "-3");
  EXPECT_EQ(fs::hard_link_count(file), 2u);
  fs::remove(otherName);

  ASSERT_EQ(chmod(file.c_str(), 0444), 0);
  EXPECT_FALSE(files->Replace(kName, AsBytes("4")));
  EXPECT_EQ(Content(file), "-3");
  EXPECT_EQ(folder.EntryCount(), 1u) << folder.Listing();
}

}  // namespace
}  // namespace lanqi
