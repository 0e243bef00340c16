#include "platform/win32/file_security.hpp"

#include <aclapi.h>
#include <sddl.h>

#include "platform/win32/text_936.hpp"
#include "platform/win32/unique_handle.hpp"

namespace lanqi::platform::win32 {
namespace {

std::string SidText(PSID sid) {
  LPWSTR text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return {};
  const UniqueLocal owned(text);
  return Cp936FromWide(text);
}

// A conditional (callback) allow may grant its rights, so it counts as an allow; a conditional
// deny may not apply, so it denies nothing. Either way a doubt ends in a warning, not in silence.
AccessEntry EntryOf(const ACE_HEADER* header) {
  AccessEntry entry;
  entry.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
  switch (header->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
      entry.kind = AccessEntry::Kind::kAllow;
      break;
    case ACCESS_DENIED_ACE_TYPE:
      entry.kind = AccessEntry::Kind::kDeny;
      break;
    default:
      return entry;
  }
  // The allowed, denied and callback forms share this layout: mask, then the SID.
  const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
  entry.mask = ace->Mask;
  entry.sid = SidText(const_cast<DWORD*>(&ace->SidStart));
  return entry;
}

}  // namespace

bool ReadAccessList(PSECURITY_DESCRIPTOR descriptor, AccessList& list) {
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) return false;
  if (!present || dacl == nullptr) {
    list.reset();  // no DACL: everyone may do everything
    return true;
  }
  list.emplace();
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) return false;
    list->push_back(EntryOf(static_cast<const ACE_HEADER*>(ace)));
  }
  return true;
}

bool PathOpenToStandardUsers(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  PACL dacl = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const UniqueLocal owned(descriptor);
  AccessList list;
  return ReadAccessList(descriptor, list) &&
         StandardUsersCanChange(list, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
}

}  // namespace lanqi::platform::win32
