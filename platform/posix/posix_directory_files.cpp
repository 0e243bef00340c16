#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/directory_files.hpp"
#include "platform/posix/unique_fd.hpp"
#include "platform/system.hpp"

namespace lanqi::platform {
namespace {

bool WriteAll(int fd, std::span<const std::uint8_t> content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// EPERM: the process exists but belongs to someone else.
bool ProcessRunning(std::uint32_t pid) {
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// The native stand-in: a temporary file that replaces the old one by rename. What Windows keeps
// of the file it replaces (attributes, hard links, the in-place write where a replacement cannot
// be made, links not trusted) and who may change the folder are Windows' own rules, tested in
// the Windows build. File names are taken as the bytes they are: Linux names are byte strings,
// so a code page 936 name is stored under exactly those bytes.
class PosixDirectoryFiles final : public DirectoryFiles {
 public:
  explicit PosixDirectoryFiles(std::filesystem::path directory)
      : directory_(std::move(directory)) {}

  ReadResult Read(const std::string& fileName, std::size_t maxBytes) override {
    using Outcome = ReadResult::Outcome;
    // O_NONBLOCK: a FIFO put in the file's place must not hold the window's thread.
    UniqueFd fd(::open((directory_ / fileName).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) return {errno == ENOENT ? Outcome::kMissing : Outcome::kUnreadable, {}};
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return {Outcome::kUnreadable, {}};
    std::vector<std::uint8_t> bytes(maxBytes);
    std::size_t got = 0;
    while (got < maxBytes) {
      const ssize_t n = ::read(fd.get(), bytes.data() + got, maxBytes - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return {Outcome::kUnreadable, {}};
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return {Outcome::kRead, std::move(bytes)};
  }

  // Nothing here waits for a holder: POSIX has no share modes.
  ReadResult ReadNow(const std::string& fileName, std::size_t maxBytes) override {
    return Read(fileName, maxBytes);
  }

  std::optional<Stamp> StampOf(const std::string& fileName) override {
    struct stat info {};
    if (::stat((directory_ / fileName).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
      return std::nullopt;
    }
    return Stamp{static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000u +
                     static_cast<std::uint64_t>(info.st_mtim.tv_nsec),
                 static_cast<std::uint64_t>(info.st_size)};
  }

  bool Replace(const std::string& fileName, std::span<const std::uint8_t> content) override {
    const std::filesystem::path target = directory_ / fileName;
    std::filesystem::path temporary;
    UniqueFd fd;
    // A name of our own per attempt; O_EXCL never takes over a file someone else made.
    for (int attempt = 0; attempt < 16 && !fd; ++attempt) {
      temporary = directory_ / (fileName + "." + std::to_string(::getpid()) + "." +
                                std::to_string(counter_.fetch_add(1)) + ".tmp");
      fd = UniqueFd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
      if (!fd && errno != EEXIST) break;
    }
    if (!fd) return false;
    // A directory in the file's place makes the rename fail, and nothing is left behind.
    if (!WriteAll(fd.get(), content) || ::fsync(fd.get()) != 0 || !fd.Close() ||
        ::rename(temporary.c_str(), target.c_str()) != 0) {
      ::unlink(temporary.c_str());
      return false;
    }
    return true;
  }

  void RemoveLeftovers(const std::string& fileName) override {
    struct CloseDir {
      void operator()(DIR* dir) const { ::closedir(dir); }
    };
    const std::unique_ptr<DIR, CloseDir> dir(::opendir(directory_.c_str()));
    if (!dir) return;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir.get())) {
      const std::uint32_t pid = LeftoverProcessId(fileName, entry->d_name);
      if (pid != 0 && pid <= static_cast<std::uint32_t>(INT32_MAX) && !ProcessRunning(pid)) {
        stale.emplace_back(entry->d_name);
      }
    }
    const std::filesystem::path target = directory_ / fileName;
    struct stat info {};
    if (!stale.empty() && ::lstat(target.c_str(), &info) != 0 && errno == ENOENT) {
      // The newest leftover is the last offset saved: it takes the file's place.
      auto modified = [&](const std::string& name) {
        struct stat leftover {};
        return ::lstat((directory_ / name).c_str(), &leftover) == 0 ? leftover.st_mtim.tv_sec : 0;
      };
      const auto newest =
          std::max_element(stale.begin(), stale.end(),
                           [&](const auto& a, const auto& b) { return modified(a) < modified(b); });
      if (::rename((directory_ / *newest).c_str(), target.c_str()) == 0) stale.erase(newest);
    }
    for (const std::string& name : stale) ::unlink((directory_ / name).c_str());
  }

  bool OpenToStandardUsers(const std::string&) override { return false; }
  void DistrustLinks() override {}

 private:
  std::filesystem::path directory_;
  std::atomic<unsigned> counter_{0};
};

}  // namespace

std::unique_ptr<DirectoryFiles> DirectoryFilesIn(const std::filesystem::path& directory) {
  return std::make_unique<PosixDirectoryFiles>(directory);
}

}  // namespace lanqi::platform
