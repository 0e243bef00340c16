#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <utility>

#include "platform/run_directory_files.hpp"

namespace lanqi::platform {
namespace {

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    return *this;
  }
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  // Closes now so that a failing close (a write the file system could not complete) is seen.
  bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

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

// File names are taken as the bytes they are: Linux names are byte strings, so a code page 936
// name is stored under exactly those bytes.
class PosixDirectoryFiles final : public DirectoryFiles {
 public:
  explicit PosixDirectoryFiles(std::filesystem::path directory)
      : directory_(std::move(directory)) {}

  std::optional<std::vector<std::uint8_t>> ReadUpTo(const std::string& fileName,
                                                    std::size_t maxBytes) override {
    // O_NONBLOCK: a FIFO put in the file's place must not hold the window's thread.
    UniqueFd fd(::open((directory_ / fileName).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    std::vector<std::uint8_t> bytes(maxBytes);
    std::size_t got = 0;
    while (got < maxBytes) {
      const ssize_t n = ::read(fd.get(), bytes.data() + got, maxBytes - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return std::nullopt;
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
  }

  bool Replace(const std::string& fileName, std::span<const std::uint8_t> content) override {
    const std::filesystem::path target = directory_ / fileName;
    std::filesystem::path temporary;
    UniqueFd fd(-1);
    // A name of our own per attempt; O_EXCL never takes over a file someone else made.
    for (int attempt = 0; attempt < 16 && !fd; ++attempt) {
      temporary = directory_ / (fileName + "." + std::to_string(::getpid()) + "." +
                                std::to_string(counter_.fetch_add(1)) + ".tmp");
      fd = UniqueFd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
      if (!fd && errno != EEXIST) return false;
    }
    if (!fd) return false;
    const bool written = WriteAll(fd.get(), content) && ::fsync(fd.get()) == 0 && fd.Close();
    if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
      ::unlink(temporary.c_str());
      return false;
    }
    // The rename itself reaches the disk with the directory.
    UniqueFd dir(::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) ::fsync(dir.get());
    return true;
  }

 private:
  std::filesystem::path directory_;
  std::atomic<unsigned> counter_{0};
};

}  // namespace

std::unique_ptr<DirectoryFiles> MakeDirectoryFiles(const std::filesystem::path& directory) {
  return std::make_unique<PosixDirectoryFiles>(directory);
}

std::unique_ptr<DirectoryFiles> MakeRunDirectoryFiles() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  return MakeDirectoryFiles(error ? std::filesystem::current_path(error)
                                  : executable.parent_path());
}

}  // namespace lanqi::platform
