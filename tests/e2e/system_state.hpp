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

// A REG_SZ value; nothing when the key or value is absent or of another type.
std::optional<std::wstring> ReadRegistryString(HKEY root, const std::wstring& subKey,
                                               const std::wstring& valueName);

}  // namespace lanqi::e2e
