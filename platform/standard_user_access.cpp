#include "platform/standard_user_access.hpp"

#include <algorithm>
#include <array>
#include <string_view>

namespace lanqi::platform {
namespace {

// The file rights of winnt.h, spelled out so that this decision builds and is tested natively.
constexpr std::uint32_t kWriteData = 0x0002;   // FILE_WRITE_DATA, FILE_ADD_FILE
constexpr std::uint32_t kAppendData = 0x0004;  // FILE_APPEND_DATA, FILE_ADD_SUBDIRECTORY
constexpr std::uint32_t kDeleteChild = 0x0040;
constexpr std::uint32_t kDelete = 0x00010000;
constexpr std::uint32_t kWriteDac = 0x00040000;
constexpr std::uint32_t kWriteOwner = 0x00080000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kGenericExecute = 0x20000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kGenericRead = 0x80000000;
constexpr std::uint32_t kFileAllAccess = 0x001F01FF;
constexpr std::uint32_t kFileGenericRead = 0x00120089;
constexpr std::uint32_t kFileGenericWrite = 0x00120116;
constexpr std::uint32_t kFileGenericExecute = 0x001200A0;

// The groups in every standard interactive user's token. A user's own SID and groups of their
// own cannot be known here; the program's folder is only meant to be safe from users as such.
constexpr std::array<std::string_view, 8> kStandardUserGroups = {
    "S-1-1-0",       // Everyone
    "S-1-5-32-545",  // BUILTIN\Users
    "S-1-5-11",      // Authenticated Users
    "S-1-5-4",       // INTERACTIVE
    "S-1-2-0",       // LOCAL
    "S-1-2-1",       // CONSOLE LOGON
    "S-1-5-15",      // This Organization
    "S-1-5-113",     // Local account
};

std::uint32_t MapGeneric(std::uint32_t mask) {
  std::uint32_t mapped = mask & 0x0FFFFFFF;
  if (mask & kGenericRead) mapped |= kFileGenericRead;
  if (mask & kGenericWrite) mapped |= kFileGenericWrite;
  if (mask & kGenericExecute) mapped |= kFileGenericExecute;
  if (mask & kGenericAll) mapped |= kFileAllAccess;
  return mapped;
}

bool HeldByStandardUsers(const std::string& sid) {
  return std::find(kStandardUserGroups.begin(), kStandardUserGroups.end(), sid) !=
         kStandardUserGroups.end();
}

// The rights the standard users' groups hold, in the list's order of evaluation.
std::uint32_t StandardUserRights(const AccessList& list) {
  if (!list) return kFileAllAccess;
  std::uint32_t granted = 0;
  std::uint32_t denied = 0;
  for (const AccessEntry& entry : *list) {
    if (entry.inheritOnly || entry.kind == AccessEntry::Kind::kOther ||
        !HeldByStandardUsers(entry.sid)) {
      continue;
    }
    const std::uint32_t mask = MapGeneric(entry.mask);
    if (entry.kind == AccessEntry::Kind::kAllow) {
      granted |= mask & ~denied;
    } else {
      denied |= mask & ~granted;
    }
  }
  return granted;
}

}  // namespace

bool StandardUsersCanChange(const AccessList& list, bool isFolder) {
  const std::uint32_t changing =
      kWriteData | kAppendData | kDelete | kWriteDac | kWriteOwner | (isFolder ? kDeleteChild : 0);
  return (StandardUserRights(list) & changing) != 0;
}

}  // namespace lanqi::platform
