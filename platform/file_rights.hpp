#pragma once
#include <cstdint>

// The file rights of winnt.h, spelled out so that the decisions over access lists build and are
// tested natively; the Windows build holds each to the SDK's (win32/windows_values_check.cpp).
namespace lanqi::platform::file_rights {

inline constexpr std::uint32_t kWriteData = 0x0002;   // FILE_WRITE_DATA, FILE_ADD_FILE
inline constexpr std::uint32_t kAppendData = 0x0004;  // FILE_APPEND_DATA, FILE_ADD_SUBDIRECTORY
inline constexpr std::uint32_t kDeleteChild = 0x0040;
inline constexpr std::uint32_t kDelete = 0x00010000;
inline constexpr std::uint32_t kReadControl = 0x00020000;
inline constexpr std::uint32_t kWriteDac = 0x00040000;
inline constexpr std::uint32_t kWriteOwner = 0x00080000;
inline constexpr std::uint32_t kGenericAll = 0x10000000;
inline constexpr std::uint32_t kGenericExecute = 0x20000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kGenericRead = 0x80000000;
inline constexpr std::uint32_t kFileAllAccess = 0x001F01FF;
inline constexpr std::uint32_t kFileGenericRead = 0x00120089;
inline constexpr std::uint32_t kFileGenericWrite = 0x00120116;
inline constexpr std::uint32_t kFileGenericExecute = 0x001200A0;

}  // namespace lanqi::platform::file_rights
