// The guard's machine-wide lock against the real named mutex, under Windows or Wine: one holder
// at a time, a holder that ends without letting go frees it (as a crash or Task Manager does),
// and a lock someone else made before the program is not trusted.
#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "platform/win32/unique_handle.hpp"
#include "platform/win32/win32_machine_lock.hpp"

namespace lanqi {
namespace {

using platform::MachineLock;
using platform::win32::UniqueHandle;
using platform::win32::UniqueLocal;
using platform::win32::Win32MachineLock;

// A security descriptor owned by the user who runs the test, open to everyone: what a standard
// user's program that made the lock first would have.
UniqueLocal OwnedByTheUser() {
  HANDLE rawToken = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken);
  const UniqueHandle token(rawToken);
  alignas(TOKEN_USER) unsigned char buffer[256];
  DWORD size = 0;
  wchar_t* sid = nullptr;
  if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size) ||
      !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid)) {
    return {};
  }
  const UniqueLocal sidText(sid);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const std::wstring sddl = std::wstring(L"O:") + sid + L"D:(A;;GA;;;WD)";
  ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                       nullptr);
  return UniqueLocal(descriptor);
}

TEST(Win32MachineLock, OneHolderAtATimeAndNoUntrustedOne) {
  using State = MachineLock::State;
  enum class Other { kNone, kHoldsThenReleases, kHoldsThenEnds, kSquatsWithEvent, kSquatsAsUser };
  const struct {
    const char* what;
    Other other;
    State whileOtherThere, afterwards;
  } rows[] = {
      {"free", Other::kNone, State::kHeld, State::kHeld},
      {"another copy holds it, then lets go", Other::kHoldsThenReleases, State::kHeldElsewhere,
       State::kHeld},
      {"another copy ends holding it", Other::kHoldsThenEnds, State::kHeldElsewhere, State::kHeld},
      {"an event of that name", Other::kSquatsWithEvent, State::kUnavailable, State::kUnavailable},
      {"made first by a standard user", Other::kSquatsAsUser, State::kUnavailable,
       State::kUnavailable},
  };
  int n = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const std::wstring name = L"Local\\LanqiClockGuard.Test." +
                              std::to_wstring(GetCurrentProcessId()) + L"." + std::to_wstring(n++);
    UniqueHandle squatter;
    if (row.other == Other::kSquatsWithEvent) {
      squatter.reset(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
    } else if (row.other == Other::kSquatsAsUser) {
      UniqueLocal descriptor = OwnedByTheUser();
      ASSERT_TRUE(descriptor);
      SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
      squatter.reset(CreateMutexW(&attributes, FALSE, name.c_str()));
    }
    // The other copy's window thread: takes the lock, then waits to be told how to end.
    Win32MachineLock otherLock(name.c_str());
    std::atomic<int> step{0};
    std::thread other;
    if (row.other == Other::kHoldsThenReleases || row.other == Other::kHoldsThenEnds) {
      other = std::thread([&] {
        EXPECT_EQ(otherLock.TryTake(), State::kHeld);
        step = 1;
        while (step != 2) Sleep(1);
        if (row.other == Other::kHoldsThenReleases) otherLock.Release();
      });
      while (step != 1) Sleep(1);
    }
    Win32MachineLock lock(name.c_str());
    EXPECT_EQ(lock.TryTake(), row.whileOtherThere);
    step = 2;
    if (other.joinable()) other.join();
    EXPECT_EQ(lock.TryTake(), row.afterwards);
    EXPECT_EQ(lock.TryTake(), row.afterwards);  // asked again while held: still held
    lock.Release();
  }
}

}  // namespace
}  // namespace lanqi
