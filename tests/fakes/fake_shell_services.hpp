#pragma once
#include <atomic>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/directory_files.hpp"
#include "platform/machine_lock.hpp"
#include "platform/process_image.hpp"
#include "platform/registry.hpp"
#include "tests/support/bytes.hpp"

namespace lanqi::testing {

// A fresh empty folder under the system's temporary directory, removed with all it holds.
class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> counter{0};
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
      path_ = base / ("lanqi-shell-" + std::to_string(std::random_device{}()) + "-" +
                      std::to_string(counter++));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }
  // Names of what the folder holds, for failure messages.
  std::string Listing() const {
    std::string names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names += entry.path().filename().string() + " ";
    }
    return names;
  }
  std::size_t EntryCount() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path_),
                                                  std::filesystem::directory_iterator()));
  }

 private:
  std::filesystem::path path_;
};

// The files of a real folder, seen through a counter: every replacement is counted, and with
// refuseReplace set fails as with a folder the program may not write or a locked file. With
// unreadable set, a read finds a file it cannot read (held by another program) where there is
// one; openToStandardUsers is the answer about the folder's security.
class FakeDirectoryFiles final : public platform::DirectoryFiles {
 public:
  explicit FakeDirectoryFiles(platform::DirectoryFiles& inner) : inner_(inner) {}
  ReadResult Read(const std::string& fileName, std::size_t maxBytes) override {
    ReadResult result = inner_.Read(fileName, maxBytes);
    if (unreadable && result.outcome == ReadResult::Outcome::kRead)
      return {ReadResult::Outcome::kUnreadable, {}};
    return result;
  }
  ReadResult ReadNow(const std::string& fileName, std::size_t maxBytes) override {
    ++readsNow;
    if (duringReadNow) duringReadNow();
    ReadResult result = inner_.ReadNow(fileName, maxBytes);
    if (unreadable && result.outcome == ReadResult::Outcome::kRead)
      return {ReadResult::Outcome::kUnreadable, {}};
    return result;
  }
  std::optional<Stamp> StampOf(const std::string& fileName) override {
    if (frozenStamp) return frozenStamp;
    return inner_.StampOf(fileName);
  }
  bool Replace(const std::string& fileName, std::span<const std::uint8_t> content) override {
    ++replaces;
    if (duringReplace) duringReplace();
    return !refuseReplace && inner_.Replace(fileName, content);
  }
  void RemoveLeftovers(const std::string& fileName) override {
    if (!refuseReplace) inner_.RemoveLeftovers(fileName);
  }
  bool OpenToStandardUsers(const std::string& fileName) override {
    askedAboutFile = fileName;
    return openToStandardUsers;
  }
  void DistrustLinks() override { linksDistrusted = true; }

  bool refuseReplace = false;
  bool unreadable = false;
  bool openToStandardUsers = false;
  int replaces = 0;
  int readsNow = 0;
  // Every file's stamp, as a file system clock too coarse to tell writes apart gives it.
  std::optional<Stamp> frozenStamp;
  std::string askedAboutFile;
  bool linksDistrusted = false;
  // Run inside the call, as another thread's work lands while it blocks.
  std::function<void()> duringReadNow, duringReplace;

 private:
  platform::DirectoryFiles& inner_;
};

// The guard lock of one machine, shared by the copies of a test: one FakeMachineLock a copy.
// Without a machine of its own a lock is alone on its machine, as one copy of the program is.
struct FakeMachine {
  std::mutex mutex;
  const platform::MachineLock* holder = nullptr;
  bool lockUnavailable = false;  // as where the lock cannot be made or opened
};

class FakeMachineLock final : public platform::MachineLock {
 public:
  explicit FakeMachineLock(std::shared_ptr<FakeMachine> machine = std::make_shared<FakeMachine>())
      : machine_(std::move(machine)) {}
  State TryTake() override {
    std::lock_guard lock(machine_->mutex);
    if (machine_->lockUnavailable) return State::kUnavailable;
    if (machine_->holder == nullptr) machine_->holder = this;
    return machine_->holder == this ? State::kHeld : State::kHeldElsewhere;
  }
  // Also what the system does with the lock of a copy that ends without letting go of it.
  void Release() override {
    std::lock_guard lock(machine_->mutex);
    if (machine_->holder == this) machine_->holder = nullptr;
  }

 private:
  std::shared_ptr<FakeMachine> machine_;
};

// Keys and values in a map, with switches for a registry the program may not read or write.
class FakeRegistry final : public platform::MachineRegistry {
 public:
  bool ValueExists(const std::string& keyPath, const std::string& valueName) override {
    return readable && values.contains({keyPath, valueName});
  }
  bool SetString(const std::string& keyPath, const std::string& valueName,
                 const std::u16string& data) override {
    if (!writable) return false;
    values[{keyPath, valueName}] = data;
    return true;
  }
  bool DeleteValue(const std::string& keyPath, const std::string& valueName) override {
    return writable && values.erase({keyPath, valueName}) == 1;
  }
  bool DeleteKey(const std::string& keyPath) override {
    deletedKeys.push_back(keyPath);
    return writable && keys.erase(keyPath) == 1;
  }

  bool readable = true;
  bool writable = true;
  std::map<std::pair<std::string, std::string>, std::u16string> values;
  std::map<std::string, bool> keys;  // keys that exist apart from those holding values
  std::vector<std::string> deletedKeys;
};

// A process image with a fixed device-form path and drive table.
class FakeProcessImage final : public platform::ProcessImage {
 public:
  std::optional<std::u16string> ImageDevicePath(std::uint32_t processId, bool useId) override {
    askedId = processId;
    askedWithId = useId;
    return devicePath;
  }
  std::optional<std::u16string> DriveDevice(char driveLetter) override {
    const auto found = drives.find(driveLetter);
    if (found == drives.end()) return std::nullopt;
    return found->second;
  }

  std::optional<std::u16string> devicePath;
  std::map<char, std::u16string> drives;
  std::uint32_t askedId = 0;
  bool askedWithId = false;
};

}  // namespace lanqi::testing
