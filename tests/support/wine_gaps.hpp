#pragma once
// The cases skipped at run time under Wine, each with the reason; tests/wine_gaps.md lists them
// with everything else Wine cannot show. They are skipped only when the Windows test binary runs
// under Wine; on Windows itself they observe WinHTTP. Natively they run against the libcurl
// stand-in, which shows the routine's side only.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/system_support.hpp"

namespace lanqi::testing {

enum class WineGap {
  // Wine's Open forgets the proxy set before it, so the request goes direct, not to the proxy.
  OpenForgetsTheProxy,
};

inline const char* WineGapReason(WineGap gap) {
  switch (gap) {
    case WineGap::OpenForgetsTheProxy:
      return "Wine's WinHTTP Open resets the proxy set before it";
  }
  return "";
}

}  // namespace lanqi::testing

// Skips the current test when it runs under Wine, naming the gap. LANQI_RUN_WINE_GAPS=1 in the
// environment runs them anyway, to see whether a newer Wine has closed a gap.
#define LANQI_SKIP_UNDER_WINE(gap)                                                   \
  if (::lanqi::testing::RunningUnderWine() && !std::getenv("LANQI_RUN_WINE_GAPS")) { \
    GTEST_SKIP() << ::lanqi::testing::WineGapReason(gap);                            \
  }
