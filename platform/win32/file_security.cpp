#include "platform/win32/file_security.hpp"

#include <aclapi.h>
#include <sddl.h>

#include <optional>

#include "platform/win32/text_936.hpp"
#include "platform/win32/unique_handle.hpp"

namespace lanqi::platform::win32 {
namespace {

std::string SidText(PSID sid) {
  LPWSTR text = nullptr;
  if (sid == nullptr || !ConvertSidToStringSidW(sid, &text)) return {};
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

// The security of the file or folder at `path` itself: a link is read as the link, not as what
// it points to, which the program does not follow where others could plant one. nullopt when
// nothing is there; the default (open to everyone) when it cannot be read.
std::optional<ObjectSecurity> SecurityAt(const std::wstring& path) {
  const UniqueFileHandle object(CreateFileW(
      path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!object) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
    return ObjectSecurity{};
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(object.get(), SE_FILE_OBJECT,
                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                      nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return ObjectSecurity{};
  }
  const UniqueLocal owned(descriptor);
  ObjectSecurity security;
  if (!ReadSecurity(descriptor, security)) return ObjectSecurity{};
  return security;
}

bool StartsWith(const std::wstring& text, std::wstring_view start) {
  return text.compare(0, start.size(), start) == 0;
}

// The length of the drive's root at the start of a full path ("C:\", "\\?\C:\",
// "\\?\Volume{...}\"), with its closing backslash; 0 for a network path or one not understood.
std::size_t RootLength(const std::wstring& path) {
  if (StartsWith(path, L"\\\\?\\UNC\\")) return 0;
  if (StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\")) {
    const std::size_t end = path.find(L'\\', 4);
    return end == std::wstring::npos ? 0 : end + 1;
  }
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return 3;
  return 0;
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return {};
  full.resize(length);
  return full;
}

}  // namespace

bool ReadSecurity(PSECURITY_DESCRIPTOR descriptor, ObjectSecurity& security) {
  PSID owner = nullptr;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
      !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) {
    return false;
  }
  security.owner = SidText(owner);
  if (!present || dacl == nullptr) {
    security.list.reset();  // no DACL: everyone may do everything
    return true;
  }
  security.list.emplace();
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) return false;
    security.list->push_back(EntryOf(static_cast<const ACE_HEADER*>(ace)));
  }
  return true;
}

ProgramPlace PlaceOf(const std::wstring& folder, const std::vector<std::wstring>& files) {
  ProgramPlace place;
  std::wstring path = FullPath(folder);
  const std::size_t rootLength = RootLength(path);
  if (rootLength == 0) {
    // "\\server\share\..." or "\\?\UNC\...": what the share allows is the server's to say.
    place.remote = StartsWith(path, L"\\\\");
    return place;
  }
  const std::wstring root = path.substr(0, rootLength);
  place.remote = GetDriveTypeW(root.c_str()) == DRIVE_REMOTE;  // a mapped network drive
  DWORD flags = 0;
  place.persistentAcls =
      GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
      (flags & FILE_PERSISTENT_ACLS) != 0;
  if (place.remote || !place.persistentAcls) return place;

  while (path.size() > rootLength && path.back() == L'\\') path.pop_back();
  // The root, then each folder down the path: a folder missing on the way cannot be vouched for.
  for (std::size_t end = rootLength; end != std::wstring::npos;) {
    const std::wstring next = end == rootLength ? root : path.substr(0, end);
    place.folders.push_back(SecurityAt(next).value_or(ObjectSecurity{}));
    if (end == path.size()) break;
    end = path.find(L'\\', end + 1);
    if (end == std::wstring::npos) end = path.size();
  }
  for (const std::wstring& file : files) {
    if (auto security = SecurityAt(file)) place.files.push_back(std::move(*security));
  }
  return place;
}

}  // namespace lanqi::platform::win32
