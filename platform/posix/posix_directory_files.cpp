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

#include "platform/posix/unique_fd.hpp"
#include "platform/run_directory_files.hpp"
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

bool IsRefusal(int error) {
  return error == EACCES || error == EPERM || error == EROFS;
}

// Overwrites the file where it is: written, cut to the new length, flushed. The file keeps its
// inode, so its permissions, owner and other names stay. With distrustLinks a symbolic link is
// not followed and a file with a second name is not written.
bool WriteInPlace(const std::filesystem::path& target, std::span<const std::uint8_t> content,
                  bool distrustLinks) {
  // O_NONBLOCK: a FIFO put in the file's place must not hold the window's thread.
  UniqueFd fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY |
                                         (distrustLinks ? O_NOFOLLOW : 0)));
  struct stat info {};
  if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (distrustLinks && info.st_nlink != 1) return false;
  return WriteAll(fd.get(), content) &&
         ::ftruncate(fd.get(), static_cast<off_t>(content.size())) == 0 && ::fsync(fd.get()) == 0 &&
         fd.Close();
}

// EPERM: the process exists but belongs to someone else.
bool ProcessRunning(std::uint32_t pid) {
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// File names are taken as the bytes they are: Linux names are byte strings, so a code page 936
// name is stored under exactly those bytes.
class PosixDirectoryFiles final : public DirectoryFiles {
 public:
  explicit PosixDirectoryFiles(std::filesystem::path directory)
      : directory_(std::move(directory)) {}

  ReadResult Read(const std::string& fileName, std::size_t maxBytes) override {
    using Outcome = ReadResult::Outcome;
    // O_NONBLOCK: a FIFO put in the file's place must not hold the window's thread.
    UniqueFd fd(::open((directory_ / fileName).c_str(),
                       O_RDONLY | O_CLOEXEC | O_NONBLOCK | (distrustLinks_ ? O_NOFOLLOW : 0)));
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
    struct stat old {};
    // Where links are not trusted, a symbolic link in the file's place is not a regular file.
    const bool exists =
        (distrustLinks_ ? ::lstat(target.c_str(), &old) : ::stat(target.c_str(), &old)) == 0;
    if (exists && !S_ISREG(old.st_mode)) return false;
    // A file nobody may write is the user's way of fixing its content.
    if (exists && (old.st_mode & 0222) == 0) return false;
    // A rename would leave the file's other names with the old content; where links are not
    // trusted, that is just what is wanted.
    if (exists && old.st_nlink > 1 && !distrustLinks_) return WriteInPlace(target, content, false);

    std::filesystem::path temporary;
    UniqueFd fd;
    // A name of our own per attempt; O_EXCL never takes over a file someone else made.
    for (int attempt = 0; attempt < 16 && !fd; ++attempt) {
      temporary = directory_ / (fileName + "." + std::to_string(::getpid()) + "." +
                                std::to_string(counter_.fetch_add(1)) + ".tmp");
      fd = UniqueFd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
      if (!fd && errno != EEXIST) break;
    }
    // The folder refuses a new file; the file itself may still be writable.
    if (!fd) return exists && IsRefusal(errno) && WriteInPlace(target, content, distrustLinks_);
    if (exists) {
      // The new file takes over the old one's permissions and, where allowed, its owner.
      ::fchmod(fd.get(), old.st_mode & 07777);
      if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0) ::fchmod(fd.get(), old.st_mode & 0777);
    }
    const bool written = WriteAll(fd.get(), content) && ::fsync(fd.get()) == 0 && fd.Close();
    if (!written) {
      ::unlink(temporary.c_str());
      return false;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
      const int error = errno;
      ::unlink(temporary.c_str());
      // A sticky folder lets us add a file but not replace one owned by someone else.
      return exists && IsRefusal(error) && WriteInPlace(target, content, distrustLinks_);
    }
    // The rename itself reaches the disk with the directory.
    UniqueFd dir(::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) ::fsync(dir.get());
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

  // Written by everyone (other users' write bit) is what a standard user could change here.
  bool OpenToStandardUsers(const std::string& fileName) override {
    auto othersWrite = [](const std::filesystem::path& path) {
      struct stat info {};
      return ::stat(path.c_str(), &info) == 0 && (info.st_mode & S_IWOTH) != 0;
    };
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return othersWrite(directory_) || othersWrite(directory_ / fileName) ||
           (!error && executable.parent_path() == directory_ && othersWrite(executable));
  }

  void DistrustLinks() override { distrustLinks_ = true; }

 private:
  std::filesystem::path directory_;
  std::atomic<unsigned> counter_{0};
  bool distrustLinks_ = false;
};

}  // namespace

std::unique_ptr<DirectoryFiles> DirectoryFilesIn(const std::filesystem::path& directory) {
  return std::make_unique<PosixDirectoryFiles>(directory);
}

DirectoryFiles& real::TheRunDirectoryFiles() {
  static PosixDirectoryFiles& files = *[] {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return new PosixDirectoryFiles(error ? std::filesystem::current_path(error)
                                         : executable.parent_path());
  }();
  return files;
}

}  // namespace lanqi::platform
