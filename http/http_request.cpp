#include "http/http_request.hpp"

#include <array>
#include <cmath>
#include <limits>

#include "http/headers.hpp"
#include "http/http_request_steps.hpp"
#include "http/text.hpp"

namespace lanqi {
namespace {

constexpr int kDefaultTimeoutMs = 15000;
// The request object's own time-outs: resolving unbounded, connect 60 s, send and receive 30 s.
constexpr long long kObjectDefaultBoundMs = 60000 + 30000 + 30000;
constexpr int kPhases = 4;

struct DefaultHeader {
  std::string_view key;
  std::string_view line;
};

void SendHeaderLines(platform::HttpRequestObject& object, std::string_view headerText) {
  if (!ContainsText(headerText, kCrLf)) {
    object.SetRequestHeader(HeaderName(headerText), HeaderValue(headerText));
    return;
  }
  for (const std::string& line : SplitText(headerText, kCrLf)) {
    if (line.empty()) continue;
    const std::string name = HeaderName(line);
    const std::string value = HeaderValue(line);
    // The object manages its own connection reuse; a keep-alive request of the caller's is noise.
    if (name == "Connection" && value == "keep-alive") continue;
    object.SetRequestHeader(name, value);
  }
}

// Sends the caller's cookie text, first removing any "Cookie:" the caller left in it.
void SendCookies(platform::HttpRequestObject& object, std::string& cookies) {
  if (!cookies.empty() && ContainsTextNoCase(cookies, "Cookie:")) {
    cookies = ReplaceText(cookies, "Cookie:", "", true);
  }
  object.SetRequestHeader("Cookie", cookies);
}

}  // namespace

std::string_view HttpVerb(std::int32_t method) {
  static constexpr std::array<std::string_view, 8> kVerbs = {
      "GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  if (method < 0 || method >= static_cast<std::int32_t>(kVerbs.size())) method = 0;
  return kVerbs[static_cast<std::size_t>(method)];
}

std::optional<int> TimeoutMilliseconds(std::int32_t timeout_s) {
  if (timeout_s == -1) return std::nullopt;
  if (timeout_s < 1) return kDefaultTimeoutMs;
  // Seconds past the 32-bit millisecond range would wrap; they saturate instead.
  const long long ms = static_cast<long long>(timeout_s) * 1000;
  return static_cast<int>(std::min<long long>(ms, std::numeric_limits<std::int32_t>::max()));
}

int ExchangeBoundSeconds(std::int32_t timeout_s) {
  const std::optional<int> phaseMs = TimeoutMilliseconds(timeout_s);
  const long long boundMs =
      phaseMs ? kPhases * static_cast<long long>(*phaseMs) : kObjectDefaultBoundMs;
  return static_cast<int>((boundMs + 999) / 1000);
}

std::string CompleteRequestHeaders(std::string_view headers, std::string_view url,
                                   std::int32_t method) {
  const std::string referer = std::string("\r\nReferer: ").append(url);
  const std::array<DefaultHeader, 5> kDefaults = {{
      {"Accept:", "\r\nAccept: */*"},
      {"Referer:", referer},
      {"Accept-Language:", "\r\nAccept-Language: zh-cn"},
      {"User-Agent:", "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
      {"Content-Type:", "\r\nContent-Type: application/x-www-form-urlencoded"},
  }};
  std::string completed(headers);
  for (std::size_t i = 0; i < kDefaults.size(); ++i) {
    const bool postOnly = i == kDefaults.size() - 1;
    if (postOnly && method != kHttpPost) continue;
    // A plain substring search: the key found anywhere, even inside another name, counts.
    if (!ContainsTextNoCase(completed, kDefaults[i].key)) completed += kDefaults[i].line;
  }
  return completed;
}

std::string ResponseCookies(std::string_view responseHeaders) {
  std::string cookies;
  for (const std::string& line : SplitText(responseHeaders, kCrLf)) {
    if (TextBefore(line, ": ") != "Set-Cookie") continue;
    const std::string item = ContainsText(line, ";")
                                 ? Trim(TextBetween(line, "Set-Cookie:", ";"))
                                 : Trim(ReplaceText(line, "Set-Cookie:", "", true));
    cookies += item;
    cookies += "; ";
  }
  if (EndsWithText(cookies, "; ")) cookies.resize(cookies.size() - 2);
  return cookies;
}

std::vector<std::uint8_t> HttpRequest(const HttpRequestArgs& a,
                                      const platform::HttpObjectSource& newObject) {
  // Declared first so that it is left last, after the object below has been released.
  const platform::HttpThreadScope threadScope;

  const std::int32_t credentialTarget =
      a.credential_target.value_or(platform::kCredentialsForProxy);
  const bool mergeCookies = a.merge_cookies.value_or(true);
  const bool completeHeaders = a.complete_headers.value_or(true);
  const bool normalizeHeaders = a.normalize_headers.value_or(true);
  // An index outside the table is GET, also for the POST-only default header below.
  const std::int32_t method = a.method < kHttpGet || a.method > kHttpConnect ? kHttpGet : a.method;
  const std::string_view verb = HttpVerb(method);

  std::shared_ptr<platform::HttpRequestObject> object = a.request_object;
  if (!object && newObject) object = newObject();
  if (!object) return {};

  if (const std::optional<int> ms = TimeoutMilliseconds(a.timeout_s)) {
    object->SetTimeouts(*ms, *ms, *ms, *ms);
  }
  if (!a.proxy.empty()) object->SetProxy(platform::kProxySettingNamed, a.proxy);
  // Asynchronous, so that the wait below bounds the whole exchange: each phase has its own
  // time-out, but a server that sends a byte now and then keeps every phase alive for ever.
  object->Open(verb, a.url, true);
  if (a.no_redirect) object->SetOption(platform::kOptionEnableRedirects, 0);
  object->SetOption(platform::kOptionSslErrorIgnoreFlags,
                    platform::kSslIgnoreUnknownCa | platform::kSslIgnoreWrongUsage |
                        platform::kSslIgnoreCertCnInvalid | platform::kSslIgnoreCertDateInvalid);

  std::string headerText(a.headers);
  if (completeHeaders) headerText = CompleteRequestHeaders(headerText, a.url, method);
  if (normalizeHeaders) headerText = NormalizeHeaderNames(headerText);

  if (!a.proxy.empty() && !a.proxy_user.empty()) {
    object->SetCredentials(a.proxy_user, a.proxy_password, credentialTarget);
    if (credentialTarget == platform::kCredentialsForProxy) {
      // Sent with the first request rather than after the proxy's challenge.
      const std::string pair = std::string(a.proxy_user) + ":" + std::string(a.proxy_password);
      object->SetRequestHeader("Proxy-Authorization", "Basic " + Base64Encode(pair));
    }
  }
  if (a.cookies != nullptr) SendCookies(*object, *a.cookies);
  SendHeaderLines(*object, headerText);

  const bool sent = a.body_bytes.empty() ? object->Send(a.body_text) : object->Send(a.body_bytes);
  const bool answered = sent && object->WaitForResponse(ExchangeBoundSeconds(a.timeout_s));
  // An exchange still running past its bound is ended here, before the object is let go.
  if (sent && !answered) object->Abort();

  std::vector<std::uint8_t> body = answered ? object->ResponseBody() : std::vector<std::uint8_t>{};
  std::string responseHeaders = answered ? object->GetAllResponseHeaders() : std::string{};
  const int status = answered ? object->Status() : 0;
  std::string newCookies = ResponseCookies(responseHeaders);
  if (mergeCookies && a.cookies != nullptr) newCookies = MergeCookies(*a.cookies, newCookies);

  if (a.headers_out != nullptr) *a.headers_out = std::move(responseHeaders);
  if (a.status_out != nullptr) *a.status_out = status;
  if (a.cookies_out != nullptr) *a.cookies_out = std::move(newCookies);
  object.reset();
  return body;
}

std::vector<std::uint8_t> HttpRequest(
    const platform::HttpObjectSource& newObject, std::string_view url, std::int32_t method,
    std::string_view body_text, std::string* cookies, std::string* cookies_out,
    std::string_view headers, std::string* headers_out, std::int32_t* status_out, bool no_redirect,
    std::span<const std::uint8_t> body_bytes, std::string_view proxy, std::int32_t timeout_s,
    std::string_view proxy_user, std::string_view proxy_password,
    std::optional<std::int32_t> credential_target,
    std::shared_ptr<platform::HttpRequestObject> request_object, std::optional<bool> merge_cookies,
    std::optional<bool> complete_headers, std::optional<bool> normalize_headers) {
  return HttpRequest({.url = url,
                      .method = method,
                      .body_text = body_text,
                      .cookies = cookies,
                      .cookies_out = cookies_out,
                      .headers = headers,
                      .headers_out = headers_out,
                      .status_out = status_out,
                      .no_redirect = no_redirect,
                      .body_bytes = body_bytes,
                      .proxy = proxy,
                      .timeout_s = timeout_s,
                      .proxy_user = proxy_user,
                      .proxy_password = proxy_password,
                      .credential_target = credential_target,
                      .request_object = std::move(request_object),
                      .merge_cookies = merge_cookies,
                      .complete_headers = complete_headers,
                      .normalize_headers = normalize_headers},
                     newObject);
}

}  // namespace lanqi
