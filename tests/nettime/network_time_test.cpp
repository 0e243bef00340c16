#include "nettime/network_time.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "nettime/reference_servers.hpp"
#include "tests/fakes/recording_request_object.hpp"
#include "tests/http_server/loopback_http_server.hpp"
#include "tests/support/system_support.hpp"

namespace lanqi {
namespace {

// Request objects that answer with this header block; the URL of each request goes to *urls.
platform::HttpObjectSource Answering(std::string headers,
                                     std::vector<std::string>* urls = nullptr) {
  return [headers = std::move(headers), urls] {
    testing::RecordedAnswer answer;
    answer.headers = headers;
    auto object = std::make_shared<testing::RecordingRequestObject>(answer);
    if (urls != nullptr) object->onOpen = [urls](std::string_view url) { urls->emplace_back(url); };
    return object;
  };
}

DateTime Beijing(int year, int month, int day, int hour, int minute, int second) {
  return DateTimeFromParts(year, month, day, hour, minute, second);
}

std::string Block(const std::string& dateLine) {
  return "HTTP/1.1 200 OK\r\nServer: bfe\r\n" + dateLine + "\r\nContent-Length: 0\r\n";
}

// The build's real request objects.
const platform::HttpObjectSource& RealObjects() {
  return testing::HostSystem().newHttpRequestObject;
}

TEST(NetworkTime, TheDateHeaderIsReadAsGmtAndShiftedToBeijingTime) {
  struct Case {
    std::string headers;
    DateTime expected;
  };
  const DateTime failure = Beijing(100, 1, 1, 8, 0, 0);
  const std::vector<Case> cases = {
      {Block("Date: Tue, 15 Nov 1994 08:12:31 GMT"), Beijing(1994, 11, 15, 16, 12, 31)},
      {Block("Date: Wed, 31 Dec 2025 20:30:05 GMT"), Beijing(2026, 1, 1, 4, 30, 5)},
      {Block("Date: Thu, 29 Feb 2024 23:00:00 GMT"), Beijing(2024, 3, 1, 7, 0, 0)},
      {Block("Date: Sunday, 06-Nov-94 20:49:37 GMT"), Beijing(1994, 11, 7, 4, 49, 37)},
      {Block("Date: Sun Nov  6 08:49:37 1994"), Beijing(1994, 11, 6, 16, 49, 37)},
      {Block("Date:Fri, 31 Dec 9999 23:59:59 GMT"), Beijing(9999, 12, 31, 23, 59, 59)},
      // The first "Date:" anywhere counts, even inside another header's name.
      {"X-Date: Mon, 01 Jan 2024 00:00:00 GMT\r\nDate: Tue, 15 Nov 1994 08:12:31 GMT\r\n",
       Beijing(2024, 1, 1, 8, 0, 0)},
      {Block("date: Tue, 15 Nov 1994 08:12:31 GMT"), failure},  // case-sensitive name
      {Block("DATE: Tue, 15 Nov 1994 08:12:31 GMT"), failure},
      {"HTTP/1.1 200 OK\r\nDate: Tue, 15 Nov 1994 08:12:31 GMT", failure},  // no CR LF after it
      {Block("Date: soon"), failure},
      {Block("Date: "), failure},
      {"", failure},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.headers);
    EXPECT_EQ(FetchNetworkTime(nullptr, Answering(c.headers)), c.expected);
  }
}

TEST(NetworkTime, TheResultDoesNotDependOnTheComputersTimeZone) {
  const std::string headers = Block("Date: Wed, 31 Dec 2025 20:30:05 GMT");
  const DateTime expected = Beijing(2026, 1, 1, 4, 30, 5);
  for (int hours = -12; hours <= 14; ++hours) {
    // POSIX TZ offsets count west of Greenwich: "LQT-8" is UTC+8.
    testing::SetTimeZoneVariable("LQT" + std::to_string(-hours));
    SCOPED_TRACE(hours);
    EXPECT_EQ(NetworkTimeFromHeaders(headers), expected);
  }
  testing::SetTimeZoneVariable("UTC0");
}

// The fetch's own request, as the reference server is asked: HEAD, 15 s a phase, 60 s in all.
TEST(NetworkTime, TheFetchAsksWithFifteenSecondsAPhaseAndAMinuteInAll) {
  std::shared_ptr<testing::RecordingRequestObject> made;
  FetchNetworkTime(nullptr, [&made] {
    return made = std::make_shared<testing::RecordingRequestObject>(testing::RecordedAnswer{});
  });
  ASSERT_TRUE(made);
  for (const std::string call : {"SetTimeouts(15000,15000,15000,15000)",
                                 "Open(HEAD,http://www.baidu.com/,true)", "WaitForResponse(60)"}) {
    EXPECT_NE(std::find(made->calls.begin(), made->calls.end(), call), made->calls.end()) << call;
  }
}

// Only a URL that was not supplied means the reference server; a supplied one, even an empty
// one, is asked as it is and handed back unchanged.
TEST(NetworkTime, AnOmittedUrlMeansTheReferenceRootAndASuppliedOneIsUsedUnchanged) {
  std::vector<std::string> asked;
  const platform::HttpObjectSource request =
      Answering(Block("Date: Wed, 31 Dec 2025 20:30:05 GMT"), &asked);

  FetchNetworkTime(nullptr, request);
  std::optional<std::string> omitted;
  FetchNetworkTime(&omitted, request);
  std::optional<std::string> empty = "";
  FetchNetworkTime(&empty, request);
  std::optional<std::string> given = "http://127.0.0.1:8080/";
  FetchNetworkTime(&given, request);

  EXPECT_EQ(asked,
            (std::vector<std::string>{reference::kWebServerRootUrl, reference::kWebServerRootUrl,
                                      "", "http://127.0.0.1:8080/"}));
  EXPECT_EQ(omitted, "http://www.baidu.com/");
  EXPECT_EQ(empty, "");
  EXPECT_EQ(given, "http://127.0.0.1:8080/");
}

TEST(NetworkTime, AnEmptyUrlGivenToTheRealRoutineFailsWithoutAskingTheReferenceServer) {
  std::optional<std::string> empty = "";
  EXPECT_EQ(FetchNetworkTime(&empty, RealObjects()), Beijing(100, 1, 1, 8, 0, 0));
  EXPECT_EQ(empty, "");
}

TEST(NetworkTimeLoopback, AHeadRequestToALocalServerReadsItsDate) {
  const testing::LoopbackHttpServer server([](const testing::RecordedRequest&) {
    testing::ScriptedReply reply;
    reply.headers = {{"Date", "Wed, 31 Dec 2025 20:30:05 GMT"}};
    reply.close = true;
    return reply;
  });
  std::optional<std::string> url = server.Url("/");
  EXPECT_EQ(FetchNetworkTime(&url, RealObjects()), Beijing(2026, 1, 1, 4, 30, 5));
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "HEAD");
  EXPECT_EQ(requests[0].target, "/");
}

TEST(NetworkTimeLoopback, ARefusedConnectionGivesTheFailureValue) {
  int closedPort = 0;
  { closedPort = testing::LoopbackListener().port(); }
  std::optional<std::string> url = "http://127.0.0.1:" + std::to_string(closedPort) + "/";
  EXPECT_EQ(FetchNetworkTime(&url, RealObjects()), Beijing(100, 1, 1, 8, 0, 0));
}

}  // namespace
}  // namespace lanqi
