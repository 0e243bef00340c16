#include <map>
#include <mutex>
#include <set>

#include "platform/registry.hpp"
#include "platform/system.hpp"

namespace lanqi::platform {
namespace {

// Linux has no registry. This store keeps keys and string values in memory for the life of the
// process, with the rules of the Windows calls the program relies on: a value can only be set
// in a key that exists or can be created, and a key with subkeys cannot be deleted.
class MemoryMachineRegistry final : public MachineRegistry {
 public:
  bool ValueExists(const std::string& keyPath, const std::string& valueName) override {
    std::lock_guard lock(mutex_);
    const auto key = keys_.find(keyPath);
    return key != keys_.end() && key->second.contains(valueName);
  }

  bool SetString(const std::string& keyPath, const std::string& valueName,
                 const std::u16string& data) override {
    std::lock_guard lock(mutex_);
    // Creating a key creates the keys above it, as RegCreateKey does.
    for (std::size_t slash = keyPath.find('\\'); slash != std::string::npos;
         slash = keyPath.find('\\', slash + 1)) {
      keys_[keyPath.substr(0, slash)];
    }
    keys_[keyPath][valueName] = data;
    return true;
  }

  bool DeleteValue(const std::string& keyPath, const std::string& valueName) override {
    std::lock_guard lock(mutex_);
    const auto key = keys_.find(keyPath);
    return key != keys_.end() && key->second.erase(valueName) == 1;
  }

  bool DeleteKey(const std::string& keyPath) override {
    std::lock_guard lock(mutex_);
    const auto key = keys_.find(keyPath);
    if (key == keys_.end()) return false;
    const auto next = std::next(key);
    if (next != keys_.end() && next->first.starts_with(keyPath + '\\')) return false;
    keys_.erase(key);
    return true;
  }

 private:
  std::mutex mutex_;
  std::map<std::string, std::map<std::string, std::u16string>> keys_;
};

}  // namespace

MachineRegistry& real::TheMachineRegistry() {
  static MemoryMachineRegistry registry;
  return registry;
}

}  // namespace lanqi::platform
