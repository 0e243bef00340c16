// The guard's machine-wide lock against the real named mutex, under Windows or Wine: one holder
// at a time, and a lock a standard user's program made first is not trusted.
#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/win32/unique_handle.hpp"
#include "platform/win32/win32_machine_lock.hpp"

namespace lanqi {
namespace {

using platform::win32::UniqueHandle;
using platform::win32::UniqueLocal;
using State = platform::MachineLock::State;

// A mutex owned by the user who runs the test, open to everyone.
UniqueHandle MadeByTheUser(const std::wstring& name) {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  const UniqueHandle ownedToken(token);
  alignas(TOKEN_USER) unsigned char user[256];
  DWORD size = 0;
  wchar_t* sid = nullptr;
  GetTokenInformation(token, TokenUser, user, sizeof user, &size);
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid)) return {};
  const UniqueLocal ownedSid(sid);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ConvertStringSecurityDescriptorToSecurityDescriptorW(
      (std::wstring(L"O:") + sid + L"D:(A;;GA;;;WD)").c_str(), SDDL_REVISION_1, &descriptor,
      nullptr);
  const UniqueLocal ownedDescriptor(descriptor);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  return UniqueHandle(CreateMutexW(&attributes, FALSE, name.c_str()));
}

// A holder that ends without letting go (a crash, Task Manager) is the end-to-end guard test's
// (GuardE2E.ServerAnHourAheadOnlyOneOfTwoCopiesRepairsUntilItEnds).
TEST(Win32MachineLock, OneHolderAtATimeAndNoUntrustedOne) {
  const struct {
    const char* what;
    bool madeByTheUser;  // else another copy holds it, then lets go
    State whileThere, afterwards;
  } rows[] = {
      {"another copy holds it, then lets go", false, State::kHeldElsewhere, State::kHeld},
      {"made first by a standard user", true, State::kUnavailable, State::kUnavailable},
  };
  int n = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const std::wstring name = L"Local\\LanqiClockGuard.Test." +
                              std::to_wstring(GetCurrentProcessId()) + L"." + std::to_wstring(n++);
    UniqueHandle squatter = row.madeByTheUser ? MadeByTheUser(name) : UniqueHandle();
    // The other copy's window thread takes it and lets go once told: a mutex belongs to its thread.
    platform::win32::Win32MachineLock otherLock(name.c_str());
    std::atomic<int> step{0};
    std::thread other([&] {
      if (row.madeByTheUser) return;
      EXPECT_EQ(otherLock.TryTake(), State::kHeld);
      for (step = 1; step != 2;) Sleep(1);
      otherLock.Release();
    });
    while (!row.madeByTheUser && step != 1) Sleep(1);
    platform::win32::Win32MachineLock lock(name.c_str());
    EXPECT_EQ(lock.TryTake(), row.whileThere);
    step = 2;
    other.join();
    EXPECT_EQ(lock.TryTake(), row.afterwards);
    EXPECT_EQ(lock.TryTake(), row.afterwards);  // asked again while held: still held
    lock.Release();
  }
}

}  // namespace
}  // namespace lanqi
