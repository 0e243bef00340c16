#include "platform/win32/win32_machine_lock.hpp"

#include <aclapi.h>
#include <sddl.h>

namespace lanqi::platform::win32 {
namespace {

// Owned by the Administrators; SYSTEM and the Administrators may do anything with it, nobody
// else anything at all; nothing inherited.
constexpr const wchar_t* kLockSecurity = L"O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)";

bool OwnedByAdministratorsOrSystem(HANDLE object) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                      nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const UniqueLocal ownedDescriptor(descriptor);
  return owner != nullptr && (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                              IsWellKnownSid(owner, WinLocalSystemSid));
}

UniqueHandle OpenOrCreate(const wchar_t* name) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kLockSecurity, SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return {};
  }
  const UniqueLocal ownedDescriptor(descriptor);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  UniqueHandle mutex(CreateMutexW(&attributes, FALSE, name));
  const DWORD error = GetLastError();
  if (!mutex) return {};
  // Opened rather than made: trusted only when an administrator or the system made it.
  if (error == ERROR_ALREADY_EXISTS && !OwnedByAdministratorsOrSystem(mutex.get())) return {};
  return mutex;
}

}  // namespace

MachineLock::State Win32MachineLock::TryTake() {
  if (held_) return State::kHeld;
  // Made again at each ask while it cannot be: a squatter may have gone since.
  if (!mutex_) mutex_ = OpenOrCreate(name_);
  if (!mutex_) return State::kUnavailable;
  switch (WaitForSingleObject(mutex_.get(), 0)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:  // the holder ended without letting go: crashed, or ended from outside
      held_ = true;
      return State::kHeld;
    case WAIT_TIMEOUT:
      return State::kHeldElsewhere;
    default:
      return State::kUnavailable;
  }
}

void Win32MachineLock::Release() {
  if (!held_) return;
  ReleaseMutex(mutex_.get());
  held_ = false;
}

}  // namespace lanqi::platform::win32
