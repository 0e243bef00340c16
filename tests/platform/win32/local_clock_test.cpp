// The real Windows clock's call to set the local time, with the system call recorded: Wine
// refuses SetLocalTime to any other time, so this stands in for a Windows that grants it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "datetime/date_time.hpp"
#include "platform/win32/win32_platform.hpp"

namespace lanqi {
namespace {

std::vector<SYSTEMTIME> calls;
std::vector<BOOL> answers;  // one per call, in order

BOOL WINAPI RecordingSetLocalTime(const SYSTEMTIME* time) {
  calls.push_back(*time);
  return calls.size() <= answers.size() ? answers[calls.size() - 1] : FALSE;
}

// Across a change of daylight saving time the first call only moves the daylight-saving state
// on: the same record is set a second time, and the second call's answer is the result.
TEST(Win32LocalClock, SetsTheLocalTimeTwiceWithTheSameRecord) {
  struct Case {
    std::vector<BOOL> answers;
    bool result;
  };
  for (const Case& c : {Case{{TRUE, TRUE}, true}, Case{{FALSE, TRUE}, true},
                        Case{{TRUE, FALSE}, false}, Case{{FALSE, FALSE}, false}}) {
    SCOPED_TRACE(::testing::PrintToString(c.answers));
    calls.clear();
    answers = c.answers;
    platform::win32::Win32LocalClock clock(RecordingSetLocalTime);
    // The repair's target: a whole second, milliseconds 0, here in the hour a European clock
    // moves forward.
    const DateTime target = DateTimeFromParts(2024, 3, 31, 2, 30, 4);
    EXPECT_EQ(clock.SetLocal(CalendarFromDateTime(target, 0)), c.result);
    ASSERT_EQ(calls.size(), 2u);
    for (const SYSTEMTIME& call : calls) {
      EXPECT_EQ(call.wYear, 2024);
      EXPECT_EQ(call.wMonth, 3);
      EXPECT_EQ(call.wDay, 31);
      EXPECT_EQ(call.wHour, 2);
      EXPECT_EQ(call.wMinute, 30);
      EXPECT_EQ(call.wSecond, 4);
      EXPECT_EQ(call.wMilliseconds, 0);
    }
    EXPECT_EQ(std::memcmp(&calls[0], &calls[1], sizeof(SYSTEMTIME)), 0);
  }
}

}  // namespace
}  // namespace lanqi
