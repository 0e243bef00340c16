#pragma once
// The one list of behavioural cases that Wine's WinHTTP object cannot show, each with the reason.
// They are skipped only when the Windows test binary runs under Wine; natively (libcurl) and on
// Windows itself they run.
#include <gtest/gtest.h>

#include "tests/http_server/test_socket.hpp"

namespace lanqi::testing {

enum class WineGap {
  // Wine's Send waits for the response headers without any bound, so a server that accepts and
  // never answers holds the call for ever (SetTimeouts is also reset by Open).
  SilentServerHasNoBound,
  // Wine's Open forgets the proxy set before it, so the request goes direct, not to the proxy.
  OpenForgetsTheProxy,
  // Wine's SetRequestHeader with an empty value removes the header instead of sending it empty.
  EmptyHeaderValueNotSent,
};

inline const char* WineGapReason(WineGap gap) {
  switch (gap) {
    case WineGap::SilentServerHasNoBound:
      return "Wine's WinHTTP waits for response headers without a bound";
    case WineGap::OpenForgetsTheProxy:
      return "Wine's WinHTTP Open resets the proxy set before it";
    case WineGap::EmptyHeaderValueNotSent:
      return "Wine's WinHTTP drops a request header whose value is empty";
  }
  return "";
}

}  // namespace lanqi::testing

// Skips the current test when it runs under Wine, naming the gap.
#define LANQI_SKIP_UNDER_WINE(gap)                        \
  if (::lanqi::testing::net::RunningUnderWine()) {        \
    GTEST_SKIP() << ::lanqi::testing::WineGapReason(gap); \
  }
