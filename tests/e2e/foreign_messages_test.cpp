// Messages from other programs: any program may broadcast, or post to the program's windows,
// the numbers programs pick for private messages and the registered ones this program knows.
// With parameters that are no pointers of its, none of them may run code in the program or end
// it: afterwards it still runs and its clock lines keep moving.

#include "tests/support/foreign_messages.hpp"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/win32/control_ids.hpp"
#include "tests/e2e/e2e_fixture.hpp"
#include "tests/e2e/poll.hpp"
#include "tests/e2e/window_access.hpp"

namespace lanqi::e2e {
namespace {
namespace ids = platform::win32;

// Short: a window of another program that does not answer is skipped, not waited for.
constexpr UINT kBroadcastTimeoutMs = 200;
constexpr UINT kDirectTimeoutMs = 2000;

using lanqi::testing::ForeignMessageNumbers;
using lanqi::testing::kJunkParameters;

using ForeignMessages = ClockGuardScenario;

TEST_F(ForeignMessages, BroadcastAndDirectPrivateMessagesNeitherRunCodeNorEndTheProgram) {
  const auto numbers = ForeignMessageNumbers();
  for (UINT number : numbers) {
    for (const auto& [wParam, lParam] : kJunkParameters) {
      DWORD_PTR answer = 0;
      SendMessageTimeoutW(HWND_BROADCAST, number, wParam, lParam, SMTO_ABORTIFHUNG,
                          kBroadcastTimeoutMs, &answer);
      PostMessageW(HWND_BROADCAST, number, wParam, lParam);
    }
  }

  // Then to each window of the program directly, the message-only ones included, which no
  // broadcast reaches.
  std::vector<HWND> windows = AllTopLevelWindowsOf(Program().Pid());
  const auto messageOnly = MessageOnlyWindowsOf(Program().Pid());
  windows.insert(windows.end(), messageOnly.begin(), messageOnly.end());
  const auto has = [&](HWND window) {
    return std::find(windows.begin(), windows.end(), window) != windows.end();
  };
  ASSERT_TRUE(has(Program().MainWindow()));
  ASSERT_TRUE(has(Program().TrayWindow()));
  EXPECT_TRUE(std::any_of(messageOnly.begin(), messageOnly.end(), [](HWND window) {
    return ClassNameOf(window) == ids::kCallWindowClass;
  })) << "the window that carries calls from the program's workers";
  for (HWND window : windows) {
    SCOPED_TRACE(Utf8(ClassNameOf(window)));
    for (UINT number : numbers) {
      for (const auto& [wParam, lParam] : kJunkParameters) {
        PostMessageW(window, number, wParam, lParam);
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(window, number, wParam, lParam, SMTO_ABORTIFHUNG, kDirectTimeoutMs,
                            &answer);
      }
    }
  }

  // Twice, so the display timer is seen ticking after every posted message has been handled.
  for (int change = 0; change < 2; ++change) {
    const auto before = Program().ControlText(ids::kId标签5);
    PollUntil(
        [&] {
          const auto now = Program().ControlText(ids::kId标签5);
          return !Program().IsRunning() || (now.has_value() && now != before);
        },
        kStartDeadline);
    ASSERT_TRUE(Program().IsRunning()) << "the program ended";
    EXPECT_NE(Program().ControlText(ids::kId标签5), before)
        << "the system-time line stays at " << TextOf(ids::kId标签5);
  }
  EXPECT_TRUE(Program().IsRunning());
  EXPECT_TRUE(IsWindow(Program().MainWindow()));
  EXPECT_TRUE(IsWindow(Program().TrayWindow()));
}

}  // namespace
}  // namespace lanqi::e2e
