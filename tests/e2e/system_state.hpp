#pragma once
// What the program leaves on the machine: files beside it and values in the (prefix's) registry.

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lanqi::e2e {

// The whole file as bytes; nothing when it does not exist or cannot be read.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path);

// A REG_SZ value; nothing when the key or value is absent or of another type. `view` picks the
// registry view on 64-bit Windows: KEY_WOW64_32KEY, KEY_WOW64_64KEY, or 0 for this process's own.
std::optional<std::wstring> ReadRegistryString(HKEY root, const std::wstring& subKey,
                                               const std::wstring& valueName, REGSAM view = 0);
// Sets a REG_SZ value in the given view, creating the key when needed.
bool WriteRegistryString(HKEY root, const std::wstring& subKey, const std::wstring& valueName,
                         const std::wstring& data, REGSAM view = 0);
// Deletes a value in the given view; true when it is gone afterwards.
bool DeleteRegistryValue(HKEY root, const std::wstring& subKey, const std::wstring& valueName,
                         REGSAM view = 0);

}  // namespace lanqi::e2e
