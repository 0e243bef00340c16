// The order and arguments of the request object calls the routine makes, seen through a recording
// object: settings, header completion, cookies and credentials, and the outputs it derives.
#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "http/http_request.hpp"
#include "http/http_request_steps.hpp"
#include "tests/fakes/recording_request_object.hpp"
#include "tests/http/browser_user_agent.hpp"
#include "tests/support/bytes.hpp"

namespace lanqi {
namespace {

using testing::RecordingRequestObject;
using Calls = std::vector<std::string>;

const std::string kUrl = "http://time.example.test/";
using testing::kBrowserUserAgent;

std::shared_ptr<RecordingRequestObject> Recorder(
    RecordingRequestObject::Answer answer = RecordingRequestObject::Answer()) {
  return std::make_shared<RecordingRequestObject>(std::move(answer));
}

// The recording object after the routine ran with these arguments on it, for kUrl.
// The routine on the recording object a test hands it in the arguments, with no source of its own.
std::vector<std::uint8_t> ViaRecorder(const HttpRequestArgs& args) {
  return HttpRequest(args, platform::HttpObjectSource());
}

std::shared_ptr<RecordingRequestObject> RunOnRecorder(
    HttpRequestArgs args,
    RecordingRequestObject::Answer answer = RecordingRequestObject::Answer()) {
  auto object = Recorder(std::move(answer));
  args.url = kUrl;
  args.request_object = object;
  ViaRecorder(args);
  return object;
}

RecordingRequestObject::Answer FailingAnswer() {
  RecordingRequestObject::Answer answer;
  answer.succeeds = false;
  return answer;
}

using testing::ByteVector;

TEST(HttpRequestSteps, TheTimeFetchMakesExactlyTheseCalls) {
  const auto object = RunOnRecorder({.method = kHttpHead});
  const Calls expected = {
      "SetTimeouts(15000,15000,15000,15000)",
      "Open(HEAD," + kUrl + ",true)",
      "Option(4,13056)",
      "Header(Accept|*/*)",
      "Header(Referer|" + kUrl + ")",
      "Header(Accept-Language|zh-cn)",
      "Header(User-Agent|" + kBrowserUserAgent + ")",
      "Send(text:)",
      "WaitForResponse(60)",
  };
  EXPECT_EQ(object->calls, expected);
}

// Each phase gets the time-out; the whole exchange is waited for as long as the four added up.
TEST(HttpRequestSteps, TimeoutSecondsBecomeMillisecondsForAllFourPhases) {
  const std::vector<std::tuple<std::int32_t, std::string, std::string>> cases = {
      {0, "SetTimeouts(15000,15000,15000,15000)", "WaitForResponse(60)"},
      {-5, "SetTimeouts(15000,15000,15000,15000)", "WaitForResponse(60)"},
      {3, "SetTimeouts(3000,3000,3000,3000)", "WaitForResponse(12)"},
      // The object's own time-outs: connect 60 s, send and receive 30 s each.
      {-1, "", "WaitForResponse(120)"},
      // Past the 32-bit millisecond range the value saturates rather than wrapping negative.
      {3000000, "SetTimeouts(2147483647,2147483647,2147483647,2147483647)",
       "WaitForResponse(8589935)"},
  };
  for (const auto& [seconds, expected, wait] : cases) {
    const auto object = RunOnRecorder({.timeout_s = seconds});
    const bool set = object->calls.front().starts_with("SetTimeouts");
    EXPECT_EQ(set ? object->calls.front() : "", expected) << seconds;
    EXPECT_EQ(object->calls.back(), wait) << seconds;
  }
}

TEST(HttpRequestSteps, MethodIndexOutsideTheTableIsGetAlsoForTheContentTypeDefault) {
  const std::vector<std::pair<std::int32_t, std::string>> cases = {
      {0, "GET"},   {1, "POST"},    {2, "HEAD"}, {3, "PUT"},  {4, "OPTIONS"},     {5, "DELETE"},
      {6, "TRACE"}, {7, "CONNECT"}, {8, "GET"},  {-1, "GET"}, {INT32_MIN, "GET"},
  };
  for (const auto& [method, verb] : cases) {
    const auto object = RunOnRecorder({.method = method, .timeout_s = -1});
    EXPECT_EQ(object->calls.at(0), "Open(" + verb + "," + kUrl + ",true)") << method;
    const Calls headers = object->HeaderCalls();
    const bool formType =
        std::find(headers.begin(), headers.end(),
                  "Header(Content-Type|application/x-www-form-urlencoded)") != headers.end();
    EXPECT_EQ(formType, method == kHttpPost) << method;
  }
}

TEST(HttpRequestSteps, DefaultHeadersAreAddedOnlyWhenTheirKeyOccursNowhere) {
  struct Case {
    std::string headers;
    std::int32_t method;
    Calls expected;
  };
  const std::vector<Case> cases = {
      // "Accept:" as the tail of a longer name still counts as present.
      {"X-Accept: 1",
       kHttpGet,
       {"Header(X-Accept|1)", "Header(Referer|" + kUrl + ")", "Header(Accept-Language|zh-cn)",
        "Header(User-Agent|" + kBrowserUserAgent + ")"}},
      {"user-agent: me\r\nreferer: r\r\naccept-language: en\r\naccept: text/html",
       kHttpGet,
       {"Header(User-Agent|me)", "Header(Referer|r)", "Header(Accept-Language|en)",
        "Header(Accept|text/html)"}},
      {"Accept: a\r\nReferer: r\r\nAccept-Language: l\r\nUser-Agent: u\r\ncontent-type: text/xml",
       kHttpPost,
       {"Header(Accept|a)", "Header(Referer|r)", "Header(Accept-Language|l)",
        "Header(User-Agent|u)", "Header(Content-Type|text/xml)"}},
      // A value that mentions a key suppresses that default too: the search is plain.
      {"X-Note: Referer: none",
       kHttpGet,
       {"Header(X-Note|Referer: none)", "Header(Accept|*/*)", "Header(Accept-Language|zh-cn)",
        "Header(User-Agent|" + kBrowserUserAgent + ")"}},
  };
  for (const Case& c : cases) {
    const auto object = RunOnRecorder({.method = c.method, .headers = c.headers, .timeout_s = -1});
    EXPECT_EQ(object->HeaderCalls(), c.expected) << c.headers;
  }
}

TEST(HttpRequestSteps, HeaderLinesAsGivenWithoutCompletionOrNormalisation) {
  struct Case {
    std::string headers;
    Calls expected;
  };
  const std::vector<Case> cases = {
      // One line without CR LF is sent as it is, even when empty or without a colon.
      {"", {"Header(|)"}},
      {"no colon", {"Header(|)"}},
      {"x-a: 1", {"Header(x-a|1)"}},
      {"\r\nx-a: 1\r\n\r\nConnection: keep-alive\r\nConnection: Keep-Alive\r\nConnection: close",
       {"Header(x-a|1)", "Header(Connection|Keep-Alive)", "Header(Connection|close)"}},
  };
  for (const Case& c : cases) {
    const auto object = RunOnRecorder({.headers = c.headers,
                                       .timeout_s = -1,
                                       .complete_headers = false,
                                       .normalize_headers = false});
    EXPECT_EQ(object->HeaderCalls(), c.expected) << c.headers;
  }
}

TEST(HttpRequestSteps, RedirectOptionOnlyWhenRedirectsAreRefused) {
  const auto follow = RunOnRecorder({.timeout_s = -1});
  EXPECT_EQ(std::count(follow->calls.begin(), follow->calls.end(), "Option(6,0)"), 0);
  const auto refuse = RunOnRecorder({.no_redirect = true, .timeout_s = -1});
  EXPECT_EQ(refuse->calls.at(1), "Option(6,0)");
  EXPECT_EQ(refuse->calls.at(2), "Option(4,13056)");
}

TEST(HttpRequestSteps, ProxyCredentialsGoWithTheFirstRequest) {
  const auto object = RunOnRecorder({.proxy = "127.0.0.1:8080",
                                     .timeout_s = -1,
                                     .proxy_user = "user",
                                     .proxy_password = "pass",
                                     .complete_headers = false});
  const Calls expected = {
      "SetProxy(2,127.0.0.1:8080)",
      "Open(GET," + kUrl + ",true)",
      "Option(4,13056)",
      "SetCredentials(user,pass,1)",
      "Header(Proxy-Authorization|Basic dXNlcjpwYXNz)",
      "Header(|)",
      "Send(text:)",
      "WaitForResponse(120)",
  };
  EXPECT_EQ(object->calls, expected);
}

TEST(HttpRequestSteps, CredentialsNeedAProxyAndAUserAndTheBasicHeaderNeedsTargetProxy) {
  struct Case {
    std::string proxy, user;
    std::optional<std::int32_t> target;
    bool credentials, basicHeader;
  };
  const std::vector<Case> cases = {
      {"p:1", "u", std::nullopt, true, true}, {"p:1", "u", 1, true, true},
      {"p:1", "u", 0, true, false},           {"", "u", 1, false, false},
      {"p:1", "", 1, false, false},
  };
  for (const Case& c : cases) {
    const auto object = RunOnRecorder({.proxy = c.proxy,
                                       .timeout_s = -1,
                                       .proxy_user = c.user,
                                       .proxy_password = "pw",
                                       .credential_target = c.target});
    const auto has = [&](std::string_view prefix) {
      return std::any_of(object->calls.begin(), object->calls.end(),
                         [&](const std::string& call) { return call.starts_with(prefix); });
    };
    EXPECT_EQ(has("SetCredentials("), c.credentials) << c.proxy << "/" << c.user;
    EXPECT_EQ(has("Header(Proxy-Authorization|Basic "), c.basicHeader) << c.proxy << "/" << c.user;
  }
}

TEST(HttpRequestSteps, BodyBytesWinOverBodyText) {
  const std::vector<std::uint8_t> bytes = {0, 1, 2, 0};
  const auto withBytes = RunOnRecorder(
      {.method = kHttpPut, .body_text = "text", .body_bytes = bytes, .timeout_s = -1});
  EXPECT_EQ(withBytes->calls.at(withBytes->calls.size() - 2), "Send(bytes:4)");
  const auto withText = RunOnRecorder({.method = kHttpPost, .body_text = "a=1", .timeout_s = -1});
  EXPECT_EQ(withText->calls.at(withText->calls.size() - 2), "Send(text:a=1)");
}

TEST(HttpRequestSteps, CookiePrefixIsRemovedAndTheHeaderSentEvenWhenEmpty) {
  struct Case {
    std::optional<std::string> cookies;
    std::optional<std::string> header;  // the Cookie header call, if any
    std::string afterwards;             // the caller's text after the call, merge off
  };
  const std::vector<Case> cases = {
      {std::nullopt, std::nullopt, ""},
      {"", "Header(Cookie|)", ""},
      {"Cookie: a=1", "Header(Cookie| a=1)", " a=1"},
      {"cOOKIE:a=1; COOKIE: b=2", "Header(Cookie|a=1;  b=2)", "a=1;  b=2"},
      {"a=1", "Header(Cookie|a=1)", "a=1"},
  };
  for (const Case& c : cases) {
    std::string cookies = c.cookies.value_or("");
    const auto object = RunOnRecorder(
        {.cookies = c.cookies ? &cookies : nullptr, .timeout_s = -1, .merge_cookies = false});
    const Calls headers = object->HeaderCalls();
    const auto cookieCall = std::find_if(headers.begin(), headers.end(), [](const std::string& h) {
      return h.starts_with("Header(Cookie|");
    });
    EXPECT_EQ(cookieCall != headers.end() ? std::optional(*cookieCall) : std::nullopt, c.header);
    EXPECT_EQ(cookies, c.afterwards);
  }
}

TEST(HttpRequestSteps, ResponseCookiesKeepNameValueOnlyInResponseOrder) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/\r\nSet-Cookie: b=2; HttpOnly\r\n\r\n",
       "a=1; b=2"},
      {"HTTP/1.1 200 OK\r\nSet-Cookie: solo=1\r\nset-cookie: lower=2\r\n\r\n", "solo=1"},
      {"HTTP/1.1 200 OK\r\nSet-Cookie:tight=1; x\r\nX-Set-Cookie: n=1\r\n\r\n", ""},
      {"HTTP/1.1 200 OK\r\nSet-Cookie: d=deleted; expires=Thu, 01 Jan 1970\r\n", "d=deleted"},
      {"", ""},
  };
  for (const auto& [block, expected] : cases) EXPECT_EQ(ResponseCookies(block), expected);
}

// Body, status and header block as the object reports them, and both cookie texts: the merge
// (written to both), the answer's cookies alone without merge, and a failed exchange or one still
// running at its bound (aborted), which leave empty outputs and the caller's cookies cleaned.
TEST(HttpRequestSteps, OutputsOfAnAnswerAndTheCookieTextsWithAndWithoutMerge) {
  RecordingRequestObject::Answer notFound;
  notFound.headers =
      "HTTP/1.1 404 Not Found\r\nSet-Cookie: a=1; Path=/\r\nSet-Cookie: old=deleted\r\n\r\n";
  notFound.status = 404;
  notFound.body = ByteVector("gone");
  RecordingRequestObject::Answer plain;
  plain.headers = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\n\r\n";
  RecordingRequestObject::Answer late = plain;
  late.answersInTime = false;
  struct Case {
    RecordingRequestObject::Answer answer;
    std::optional<bool> merge;
    std::string cookies;
    std::string body, headersOut;
    std::int32_t status;
    std::string cookiesAfter, cookiesOut;
  };
  // clang-format off
  const Case cases[] = {
      {notFound, std::nullopt, "old=0; keep=2", "gone", notFound.headers, 404, "a=1; keep=2", "a=1; keep=2"},
      {plain, false, "b=2", "", plain.headers, plain.status, "b=2", "a=1"},
      {FailingAnswer(), std::nullopt, " a=1; a=1; b=deleted", "", "", 0, "a=1", "a=1"},
      {late, std::nullopt, " a=1; a=1; b=deleted", "", "", 0, "a=1", "a=1"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cookies);
    auto object = Recorder(c.answer);
    std::string cookies = c.cookies, cookiesOut = "stale", headersOut = "stale";
    std::int32_t status = 77;
    const auto body = ViaRecorder({.url = kUrl,
                                   .cookies = &cookies,
                                   .cookies_out = &cookiesOut,
                                   .headers_out = &headersOut,
                                   .status_out = &status,
                                   .timeout_s = -1,
                                   .request_object = object,
                                   .merge_cookies = c.merge});
    EXPECT_EQ(body, ByteVector(c.body));
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(headersOut, c.headersOut);
    EXPECT_EQ(cookies, c.cookiesAfter);
    EXPECT_EQ(cookiesOut, c.cookiesOut);
    EXPECT_EQ(object->calls.back() == "Abort()", !c.answer.answersInTime);
  }
}

TEST(HttpRequestSteps, NoObjectMeansNoRequestAndUntouchedOutputs) {
  // A source that cannot make one, and no source at all.
  for (const platform::HttpObjectSource& source :
       {platform::HttpObjectSource([] { return nullptr; }), platform::HttpObjectSource()}) {
    std::string cookies = "Cookie: a=1", cookiesOut = "c", headersOut = "h";
    std::int32_t status = 5;
    const auto body = HttpRequest({.url = kUrl,
                                   .cookies = &cookies,
                                   .cookies_out = &cookiesOut,
                                   .headers_out = &headersOut,
                                   .status_out = &status},
                                  source);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(cookies, "Cookie: a=1");
    EXPECT_EQ(cookiesOut, "c");
    EXPECT_EQ(headersOut, "h");
    EXPECT_EQ(status, 5);
  }
}

// The positional entry must hand every argument to its own member. Each row gives values that are
// pairwise distinct among parameters of one type, and the four flags differ across rows, so a
// swapped or dropped argument changes the calls or the outputs.
TEST(HttpRequestSteps, ThePositionalEntryForwardsEachArgumentToItsMember) {
  struct Row {
    bool bytes;
    bool no_redirect;
    std::optional<bool> merge, complete, normalize;
  };
  const std::vector<Row> rows = {
      {false, false, std::nullopt, std::nullopt, std::nullopt},
      {false, true, false, true, false},
      {true, false, true, true, false},
      {false, false, false, false, true},
  };
  RecordingRequestObject::Answer answer;
  answer.headers = "HTTP/1.1 201 Created\r\nSet-Cookie: s=1; Path=/\r\n\r\n";
  answer.status = 201;
  answer.body = ByteVector("answer");
  const std::vector<std::uint8_t> bytes = {9, 8, 7};

  struct Outcome {
    std::vector<std::uint8_t> body;
    Calls calls;
    std::string cookies = "c=0", cookiesOut = "stale-out", headersOut = "stale-headers";
    std::int32_t status = -3;
  };
  for (const Row& r : rows) {
    const std::span<const std::uint8_t> body =
        r.bytes ? std::span<const std::uint8_t>(bytes) : std::span<const std::uint8_t>();
    Outcome positional;
    auto object = Recorder(answer);
    positional.body =
        HttpRequest(platform::HttpObjectSource(), kUrl, kHttpPut, "body-text", &positional.cookies,
                    &positional.cookiesOut, "x-extra: e", &positional.headersOut,
                    &positional.status, r.no_redirect, body, "proxy.test:1", 7, "proxy-user",
                    "proxy-pass", 0, object, r.merge, r.complete, r.normalize);
    positional.calls = object->calls;

    Outcome named;
    object = Recorder(answer);
    named.body = ViaRecorder({.url = kUrl,
                              .method = kHttpPut,
                              .body_text = "body-text",
                              .cookies = &named.cookies,
                              .cookies_out = &named.cookiesOut,
                              .headers = "x-extra: e",
                              .headers_out = &named.headersOut,
                              .status_out = &named.status,
                              .no_redirect = r.no_redirect,
                              .body_bytes = body,
                              .proxy = "proxy.test:1",
                              .timeout_s = 7,
                              .proxy_user = "proxy-user",
                              .proxy_password = "proxy-pass",
                              .credential_target = 0,
                              .request_object = object,
                              .merge_cookies = r.merge,
                              .complete_headers = r.complete,
                              .normalize_headers = r.normalize});
    named.calls = object->calls;

    ASSERT_FALSE(named.calls.empty());
    EXPECT_EQ(positional.calls, named.calls);
    EXPECT_EQ(positional.body, named.body);
    EXPECT_EQ(positional.cookies, named.cookies);
    EXPECT_EQ(positional.cookiesOut, named.cookiesOut);
    EXPECT_EQ(positional.headersOut, named.headersOut);
    EXPECT_EQ(positional.status, named.status);
  }
}

}  // namespace
}  // namespace lanqi
