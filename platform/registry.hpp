#pragma once
#include <memory>
#include <string>

namespace lanqi::platform {

// Keys and values under HKEY_LOCAL_MACHINE, in its 32-bit view on 64-bit Windows (where the
// program's entries have always been, whatever build reads them). Key paths and value names are
// code page 936 text (the program's own constants); string data is UTF-16, so a path with any
// characters is stored as it is. Every operation opens what it needs and closes it again before
// returning.
class MachineRegistry {
 public:
  virtual ~MachineRegistry() = default;
  // The key opens for reading and the value's type and size can be read; the data is not read.
  virtual bool ValueExists(const std::string& keyPath, const std::string& valueName) = 0;
  // Opens the key for writing, or creates it when it cannot be opened, and sets a REG_SZ value
  // whose stored length counts the terminating zero. true when the value was set.
  virtual bool SetString(const std::string& keyPath, const std::string& valueName,
                         const std::u16string& data) = 0;
  // Opens the key for writing and deletes the value; false when either step fails.
  virtual bool DeleteValue(const std::string& keyPath, const std::string& valueName) = 0;
  // Deletes a key that has no subkeys; false when it is absent or cannot be deleted.
  virtual bool DeleteKey(const std::string& keyPath) = 0;
};

}  // namespace lanqi::platform
