// The request routine against the real request object of the build (libcurl natively, WinHTTP in
// the Windows binary) and a loopback server that records what arrives.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "http/headers.hpp"
#include "http/http_request.hpp"
#include "http/text.hpp"
#include "platform/http_request_object.hpp"
#include "tests/http/browser_user_agent.hpp"
#include "tests/http_server/loopback_http_server.hpp"
#include "tests/support/bytes.hpp"
#include "tests/support/system_support.hpp"
#include "tests/support/wine_gaps.hpp"

namespace lanqi {
namespace {

using testing::LoopbackHttpServer;
using testing::RecordedRequest;
using testing::ScriptedReply;
using testing::WineGap;

using testing::kBrowserUserAgent;

using testing::ByteVector;

// The routine on the build's request objects, as the program calls it.
std::vector<std::uint8_t> RealRequest(const HttpRequestArgs& args) {
  return HttpRequest(args, testing::HostSystem().newHttpRequestObject);
}

ScriptedReply Answer(std::string body,
                     std::vector<std::pair<std::string, std::string>> headers = {},
                     int status = 200) {
  ScriptedReply reply;
  reply.status = status;
  reply.reason = status == 200 ? "OK" : "Status";
  reply.body = std::move(body);
  reply.headers = std::move(headers);
  return reply;
}

// The outputs of one call, with every output parameter supplied.
struct Exchange {
  std::vector<std::uint8_t> body;
  std::string headersOut = "unset";
  std::int32_t status = -1;
  std::string cookiesOut = "unset";
};

Exchange Get(const std::string& url, std::int32_t timeout_s = 5) {
  Exchange e;
  e.body = RealRequest({.url = url,
                        .cookies_out = &e.cookiesOut,
                        .headers_out = &e.headersOut,
                        .status_out = &e.status,
                        .timeout_s = timeout_s});
  return e;
}

// The recorded values of the named headers, in the order they arrived.
std::vector<std::pair<std::string, std::string>> Only(const RecordedRequest& request,
                                                      const std::vector<std::string>& names) {
  std::vector<std::pair<std::string, std::string>> picked;
  for (const auto& [name, value] : request.headers) {
    for (const std::string& wanted : names) {
      if (name == wanted) picked.emplace_back(name, value);
    }
  }
  return picked;
}

void ExpectFailedExchange(const Exchange& e) {
  EXPECT_TRUE(e.body.empty());
  EXPECT_EQ(e.headersOut, "");
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.cookiesOut, "");
}

TEST(HttpRequest, EmptyHeaderTextSendsTheFourDefaultsInTableOrder) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Listening());
  const std::string url = server.Url("/page?q=1");
  const Exchange e = Get(url);
  EXPECT_EQ(e.status, 200);
  EXPECT_EQ(e.body, ByteVector("ok"));
  ASSERT_EQ(server.Requests().size(), 1u);
  const RecordedRequest request = server.Requests().at(0);
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(request.target, "/page?q=1");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Accept", "*/*"},
      {"Referer", url},
      {"Accept-Language", "zh-cn"},
      {"User-Agent", kBrowserUserAgent},
  };
  EXPECT_EQ(Only(request,
                 {"Accept", "Referer", "Accept-Language", "User-Agent", "Cookie", "Content-Type"}),
            expected);
}

// Which verb an index names, and that unknown ones mean GET, is the routine's table
// (HttpRequestSteps); here each verb must reach the server through the real object.
TEST(HttpRequest, EachVerbArrivesAsSent) {
  LoopbackHttpServer server;
  const std::vector<std::pair<std::int32_t, std::string>> cases = {
      {kHttpGet, "GET"}, {kHttpPost, "POST"},       {kHttpHead, "HEAD"},
      {kHttpPut, "PUT"}, {kHttpOptions, "OPTIONS"}, {kHttpDelete, "DELETE"},
  };
  for (const auto& [method, verb] : cases) {
    std::int32_t status = 0;
    RealRequest({.url = server.Url("/m"), .method = method, .status_out = &status, .timeout_s = 5});
    EXPECT_EQ(status, 200) << method;
    ASSERT_FALSE(server.Requests().empty());
    EXPECT_EQ(server.Requests().back().method, verb) << method;
  }
  EXPECT_EQ(server.Requests().size(), cases.size());
}

TEST(HttpRequest, PostSendsItsBodyWithTheFormTypeUnlessOneIsNamed) {
  LoopbackHttpServer server;
  RealRequest(
      {.url = server.Url("/form"), .method = kHttpPost, .body_text = "a=1&b=2", .timeout_s = 5});
  RealRequest({.url = server.Url("/json"),
               .method = kHttpPost,
               .body_text = "{}",
               .headers = "content-type: application/json",
               .timeout_s = 5});
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].body, "a=1&b=2");
  EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(requests[1].body, "{}");
  EXPECT_EQ(requests[1].Header("Content-Type"), "application/json");
}

TEST(HttpRequest, BodyBytesArriveByteForByte) {
  LoopbackHttpServer server;
  const std::vector<std::uint8_t> bytes = {0x00, 0xFF, 0x0D, 0x0A, 0x00, 0x80, 0x7F};
  RealRequest({.url = server.Url("/upload"),
               .method = kHttpPut,
               .body_text = "ignored",
               .headers = "Content-Type: application/octet-stream",
               .body_bytes = bytes,
               .timeout_s = 5});
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].body, std::string(bytes.begin(), bytes.end()));
}

// The request object sends an Accept of its own ("*/*") unless one is set, so on the wire the
// routine's suppressed default shows as a single Accept, never a second one.
TEST(HttpRequest, AcceptAsTheTailOfALongerNameSuppressesTheDefaultAccept) {
  LoopbackHttpServer server;
  RealRequest({.url = server.Url("/"), .headers = "X-Accept: yes", .timeout_s = 5});
  RealRequest({.url = server.Url("/"), .headers = "Accept: text/html", .timeout_s = 5});
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Header("X-Accept"), "yes");
  EXPECT_LE(Only(requests[0], {"Accept"}).size(), 1u);
  const std::vector<std::pair<std::string, std::string>> named = {{"Accept", "text/html"}};
  EXPECT_EQ(Only(requests[1], {"Accept"}), named);
}

TEST(HttpRequest, KeepAliveConnectionLineIsDroppedOtherConnectionValuesAreSent) {
  LoopbackHttpServer server;
  RealRequest({.url = server.Url("/1"),
               .headers = "Connection: keep-alive\r\nX-Marker: 1",
               .timeout_s = 5});
  RealRequest(
      {.url = server.Url("/2"), .headers = "Connection: close\r\nX-Marker: 2", .timeout_s = 5});
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Header("X-Marker"), "1");
  for (const auto& [name, value] : requests[0].headers) {
    EXPECT_FALSE(name == "Connection" && value == "keep-alive");
  }
  EXPECT_EQ(requests[1].Header("Connection"), "close");
}

// The caller's cookies go out as the Cookie header, an empty text as an empty header, and every
// Set-Cookie line of the answer comes back, also one whose Expires date holds a comma. The merge
// rules themselves are the MergeCookies table's; these rows check they hold over the wire.
TEST(HttpRequest, CookiesGoOutAsTheCookieHeaderAndEverySetCookieLineComesBack) {
  using Lines = std::vector<std::pair<std::string, std::string>>;
  struct Case {
    std::optional<std::string> cookies;  // none: no cookie text at all
    bool merge;
    Lines answer;
    std::optional<std::string> sent;  // the Cookie header that arrived
    std::string afterwards, out;      // the caller's cookies and cookies_out after the call
  };
  const std::string expired = "gone=deleted; Expires=Thu, 01 Jan 1970 00:00:00 GMT";
  // clang-format off
  const Case cases[] = {
      {std::nullopt, true, {{"Set-Cookie", "a=1; Path=/; HttpOnly"}, {"Set-Cookie", "b=2"}}, std::nullopt, "", "a=1; b=2"},
      {"a=0; gone=1; keep=2", true, {{"Set-Cookie", "a=1; Path=/"}, {"Set-Cookie", expired}, {"Set-Cookie", "n=5"}, {"Set-Cookie", "n=5"}},
       "a=0; gone=1; keep=2", "a=1; n=5; keep=2", "a=1; n=5; keep=2"},
      {"Cookie: sid=42", false, {}, "sid=42", " sid=42", ""},
      {"", true, {{"Set-Cookie", "fresh=1; Path=/"}}, "", "fresh=1", "fresh=1"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cookies.value_or("<none>"));
    LoopbackHttpServer server([&](const RecordedRequest&) { return Answer("", c.answer); });
    std::string cookies = c.cookies.value_or(""), cookiesOut = "unset";
    std::int32_t status = 0;
    RealRequest({.url = server.Url("/"),
                 .cookies = c.cookies ? &cookies : nullptr,
                 .cookies_out = &cookiesOut,
                 .status_out = &status,
                 .timeout_s = 5,
                 .merge_cookies = c.merge});
    EXPECT_EQ(status, 200);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].Header("Cookie"), c.sent);
    if (c.cookies) {
      EXPECT_EQ(cookies, c.afterwards);
    }
    EXPECT_EQ(cookiesOut, c.out);
  }
}

// A line break inside a cookie or header text would let the rest of the text arrive as header
// lines of its own: such a field is refused, and nothing of it reaches the server.
TEST(HttpRequest, CookieOrHeaderTextWithALineBreakIsRefusedAndInjectsNothing) {
  LoopbackHttpServer server;
  std::string cookies = "a=1\r\nX-Injected: cookie";
  RealRequest({.url = server.Url("/1"), .cookies = &cookies, .timeout_s = 5});
  RealRequest({.url = server.Url("/2"),
               .headers = "X-Marker: 2\nX-Injected: bare-lf\r\nX-Other: cr\rX-Injected: bare-cr",
               .timeout_s = 5});
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& request : requests) {
    SCOPED_TRACE(request.target);
    EXPECT_FALSE(request.Header("X-Injected").has_value());
  }
  EXPECT_FALSE(requests[0].Header("Cookie").has_value());
}

TEST(HeaderField, LineBreaksAnywhereAndNamesThatAreNoTokenAreRefused) {
  struct Case {
    std::string_view name, value;
    bool safe;
  };
  using namespace std::string_view_literals;
  const Case cases[] = {
      {"X-Plain", "value with spaces: and colons", true},
      {"X-Empty-Value", "", true},
      {"X-A", "1\r\nX-B: 2", false},
      {"X-A", "1\nX-B: 2", false},
      {"X-A", "1\rX-B: 2", false},
      {"X-A", "1\0X-B"sv, false},
      {"X-A\r\nX-B", "1", false},
      {"", "no name", false},         // ": no name" is no header line at all
      {"X-A: 1\r\nX-B", "2", false},  // a colon would move text from the name into a value
      {"X-A:B", "1", false},
      {" X-A", "1", false},  // a leading blank folds the line into the previous one
      {"X A", "1", false},
      {"X-A\t", "1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " / " + std::string(c.value));
    EXPECT_EQ(platform::IsSafeHeaderField(c.name, c.value), c.safe);
  }
}

TEST(HttpRequest, RedirectsAreFollowedUnlessRefused) {
  LoopbackHttpServer server([](const RecordedRequest& request) {
    if (request.target == "/from") return ScriptedReply::Redirect(302, "/to");
    return Answer("arrived");
  });
  const Exchange followed = Get(server.Url("/from"));
  EXPECT_EQ(followed.status, 200);
  EXPECT_EQ(followed.body, ByteVector("arrived"));
  // Only the last answer's headers are reported.
  EXPECT_FALSE(ContainsText(followed.headersOut, "Location:")) << followed.headersOut;

  std::int32_t status = 0;
  std::string headersOut;
  RealRequest({.url = server.Url("/from"),
               .headers_out = &headersOut,
               .status_out = &status,
               .no_redirect = true,
               .timeout_s = 5});
  EXPECT_EQ(status, 302);
  EXPECT_EQ(TextBetween(headersOut, "Location:", "\r\n"), " /to");

  std::vector<std::string> targets;
  for (const RecordedRequest& request : server.Requests()) targets.push_back(request.target);
  EXPECT_EQ(targets, (std::vector<std::string>{"/from", "/to", "/from"}));
}

TEST(HttpRequest, HeadForTheDateHeaderAsTheTimeFetchMakesIt) {
  const std::string date = "Sun, 11 Feb 2024 02:05:03 GMT";
  LoopbackHttpServer server([&](const RecordedRequest&) {
    return Answer("not sent for HEAD", {{"Date", date}});
  });
  std::string headersOut;
  const auto body =
      RealRequest({.url = server.Url("/"), .method = kHttpHead, .headers_out = &headersOut});
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(TextBetween(headersOut, "Date:", "\r\n"), " " + date);
  EXPECT_TRUE(headersOut.ends_with("\r\n")) << headersOut;
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].method, "HEAD");
}

TEST(HttpRequest, ErrorStatusesAreAnswersWithBodyAndHeaders) {
  LoopbackHttpServer server([](const RecordedRequest&) {
    return Answer("missing", {{"X-Why", "none"}}, 404);
  });
  const Exchange e = Get(server.Url("/nothing"));
  EXPECT_EQ(e.status, 404);
  EXPECT_EQ(e.body, ByteVector("missing"));
  EXPECT_EQ(TextBetween(e.headersOut, "X-Why:", "\r\n"), " none");
}

TEST(HttpRequest, BinaryAndMultiMegabyteBodiesArriveWhole) {
  std::string big(3 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 131) & 0xFF);
  LoopbackHttpServer server([&](const RecordedRequest&) { return Answer(big); });
  const Exchange e = Get(server.Url("/big"), 30);
  EXPECT_EQ(e.status, 200);
  EXPECT_EQ(e.body.size(), big.size());
  EXPECT_TRUE(e.body == ByteVector(big));
}

TEST(HttpRequest, AHeaderBlockOfTensOfKilobytesArrivesWhole) {
  std::vector<std::pair<std::string, std::string>> headers;
  for (int i = 0; i < 30; ++i)
    headers.emplace_back("X-Line-" + std::to_string(i), std::string(900, 'v'));
  LoopbackHttpServer server([&](const RecordedRequest&) { return Answer("", headers); });
  const Exchange e = Get(server.Url("/"));
  EXPECT_EQ(e.status, 200);
  EXPECT_EQ(TextBetween(e.headersOut, "X-Line-29:", "\r\n"), " " + std::string(900, 'v'));
}

TEST(HttpRequest, TheCallersRequestObjectStillWorksAfterTheCall) {
  LoopbackHttpServer server;
  const platform::HttpThreadScope scope;
  std::shared_ptr<platform::HttpRequestObject> object =
      testing::HostSystem().newHttpRequestObject();
  ASSERT_NE(object, nullptr);
  std::int32_t status = 0;
  RealRequest({.url = server.Url("/first"),
               .status_out = &status,
               .timeout_s = 5,
               .request_object = object});
  EXPECT_EQ(status, 200);
  EXPECT_EQ(object.use_count(), 1);
  ASSERT_TRUE(object->Open("GET", server.Url("/second"), false));
  ASSERT_TRUE(object->Send(std::string_view{}));
  EXPECT_EQ(object->Status(), 200);
  EXPECT_EQ(object->ResponseBody(), ByteVector("ok"));
  object.reset();
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[1].target, "/second");
}

TEST(HttpRequest, ProxyGetsTheAbsoluteUrlAndBasicCredentialsOnTheFirstRequest) {
  LANQI_SKIP_UNDER_WINE(WineGap::OpenForgetsTheProxy);
  LoopbackHttpServer proxy;
  // The target is a loopback port where nothing listens: only the proxy can answer.
  const std::string url =
      "http://127.0.0.1:" + std::to_string(testing::net::UnusedLoopbackPort()) + "/via";
  std::int32_t status = 0;
  RealRequest({.url = url,
               .status_out = &status,
               .proxy = "127.0.0.1:" + std::to_string(proxy.Port()),
               .timeout_s = 5,
               .proxy_user = "user",
               .proxy_password = "pass"});
  EXPECT_EQ(status, 200);
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests()[0].target, url);
  EXPECT_EQ(proxy.Requests()[0].Header("Proxy-Authorization"), "Basic dXNlcjpwYXNz");
}

TEST(HttpRequest, CallsOnSeveralThreadsAtOnceEachGetTheirOwnAnswer) {
  LoopbackHttpServer server([](const RecordedRequest& request) {
    return Answer(request.target,
                  {{"Set-Cookie", "from=" + request.target.substr(1) + "; Path=/"}});
  });
  constexpr int kThreads = 4;
  constexpr int kCallsEach = 5;
  std::vector<int> good(kThreads, 0);
  std::vector<std::jthread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kCallsEach; ++i) {
        const std::string name = "t" + std::to_string(t) + "c" + std::to_string(i);
        std::string cookies = "mine=" + name;
        std::int32_t status = 0;
        const auto body = RealRequest({.url = server.Url("/" + name),
                                       .cookies = &cookies,
                                       .status_out = &status,
                                       .timeout_s = 10});
        if (status == 200 && body == ByteVector("/" + name) &&
            cookies == "from=" + name + "; mine=" + name) {
          ++good[t];
        }
      }
    });
  }
  for (std::jthread& thread : threads) thread.join();
  EXPECT_EQ(good, std::vector<int>(kThreads, kCallsEach));
  EXPECT_EQ(server.Requests().size(), static_cast<std::size_t>(kThreads * kCallsEach));
}

// Bad answers: each must come back empty (or as the object reports the partial answer), without a
// crash, a hang past the timeout, or a leak; and the next request must work as before.
TEST(HttpRequestBadAnswers, RefusedConnectionGivesEmptyOutputs) {
  const std::string url =
      "http://127.0.0.1:" + std::to_string(testing::net::UnusedLoopbackPort()) + "/";
  std::string cookies = "a=1; a=1";
  Exchange e;
  e.body = RealRequest({.url = url,
                        .cookies = &cookies,
                        .cookies_out = &e.cookiesOut,
                        .headers_out = &e.headersOut,
                        .status_out = &e.status,
                        .timeout_s = 5});
  EXPECT_TRUE(e.body.empty());
  EXPECT_EQ(e.headersOut, "");
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(cookies, "a=1");
  EXPECT_EQ(e.cookiesOut, "a=1");
}

TEST(HttpRequestBadAnswers, SilentServerReturnsWithinTheTimeout) {
  LoopbackHttpServer server([](const RecordedRequest&) {
    ScriptedReply reply;
    reply.silent = true;
    return reply;
  });
  const auto started = std::chrono::steady_clock::now();
  const Exchange e = Get(server.Url("/"), 1);
  const auto elapsed = std::chrono::steady_clock::now() - started;
  ExpectFailedExchange(e);
  // 1 s asked for; the default bound would be 15 s. Generous for a loaded machine.
  EXPECT_LT(elapsed, std::chrono::seconds(10));
}

TEST(HttpRequestBadAnswers, AnswerWithinTheTimeoutIsWaitedFor) {
  LoopbackHttpServer server([](const RecordedRequest&) {
    ScriptedReply reply = Answer("late");
    reply.delayMs = 300;
    return reply;
  });
  const Exchange e = Get(server.Url("/"), 10);
  EXPECT_EQ(e.status, 200);
  EXPECT_EQ(e.body, ByteVector("late"));
}

TEST(HttpRequestBadAnswers, MalformedAnswersGiveEmptyOrPartialOutputsAndNothingHangs) {
  std::string hugeHeaders = "HTTP/1.1 200 OK\r\n";
  while (hugeHeaders.size() < (4u << 20)) {
    hugeHeaders += "X-Filler: " + std::string(990, 'f') + "\r\n";
  }
  hugeHeaders += "Content-Length: 2\r\n\r\nok";
  std::string garbage;
  for (int i = 0; i < 70000; ++i) garbage += static_cast<char>((i * 7919 + 13) & 0xFF);
  // Headers without end, a byte every half second: within each 1-s phase time-out, so only the
  // bound on the whole exchange (4 s) ends it.
  const std::string trickle = "HTTP/1.1 200 OK\r\nX-Slow: " + std::string(200, 'a');
  struct Case {
    std::string what, raw;
    int byteGapMs = 0;
    std::int32_t timeout_s = 5;
  };
  const std::vector<Case> cases = {
      {"closes mid-header", "HTTP/1.1 200 OK\r\nDate: Sun, 11 Feb"},
      {"closes before any byte", ""},
      {"megabytes of headers", hugeHeaders},
      {"binary garbage", garbage},
      {"body shorter than announced", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort"},
      {"trickles a byte every half second", trickle, 500, 1},
  };
  for (const auto& [what, raw, byteGapMs, timeout_s] : cases) {
    LoopbackHttpServer server([&](const RecordedRequest&) {
      ScriptedReply reply;
      reply.raw = raw;
      reply.byteGapMs = byteGapMs;
      return reply;
    });
    const auto started = std::chrono::steady_clock::now();
    const Exchange e = Get(server.Url("/"), timeout_s);
    // The four phase time-outs added up, and a margin for a loaded machine.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4 * timeout_s + 5))
        << what;
    if (e.status == 0) {
      EXPECT_TRUE(e.body.empty()) << what;
      EXPECT_EQ(e.headersOut, "") << what;
    }
    EXPECT_NE(e.headersOut, "unset") << what;
  }
  LoopbackHttpServer healthy;
  EXPECT_EQ(Get(healthy.Url("/")).status, 200);
}

}  // namespace
}  // namespace lanqi
