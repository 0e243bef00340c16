#pragma once
// The program's one HTTP routine: a complete exchange through the platform's request object,
// returned from within its four phase time-outs added up whatever the server does. Texts are code
// page 936 bytes. It never fails loudly: a failed exchange, or one cut off at that bound, gives an
// empty body, empty *headers_out and *status_out 0.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/http_request_object.hpp"

namespace lanqi {

// Index into the verb table; values outside 0..7 mean GET.
enum HttpMethod : std::int32_t {
  kHttpGet = 0,
  kHttpPost = 1,
  kHttpHead = 2,
  kHttpPut = 3,
  kHttpOptions = 4,
  kHttpDelete = 5,
  kHttpTrace = 6,
  kHttpConnect = 7
};

// The arguments of one request, each a named member with the value that leaving it out means.
// Callers name only what they use: HttpRequest({.url = u, .method = kHttpHead, .headers_out = &h}).
// Members must be named in this order. Outputs left as nullptr are dropped. Every member has an
// initialiser, so one left out of a designated list is taken as intended, never warned about.
struct HttpRequestArgs {
  // Absolute URL; also the default Referer.
  std::string_view url = {};
  // Verb index (see HttpMethod).
  std::int32_t method = kHttpGet;
  // Request body, sent when body_bytes is empty.
  std::string_view body_text = {};
  // nullptr: no Cookie header and no merge. Otherwise sent as the Cookie header (a "Cookie:" in
  // any case is removed and written back), then replaced by the merge with the response's cookies.
  std::string* cookies = nullptr;
  // name=value of every Set-Cookie of the answer, "; " separated (the merged set when merging).
  std::string* cookies_out = nullptr;
  // Extra request header lines, CR LF separated.
  std::string_view headers = {};
  // The response header block as the object reports it; empty after a failed exchange.
  std::string* headers_out = nullptr;
  // Response status, 0 after a failed exchange.
  std::int32_t* status_out = nullptr;
  // true: redirects are not followed.
  bool no_redirect = false;
  // Request body; when non-empty it is sent instead of body_text.
  std::span<const std::uint8_t> body_bytes = {};
  // "host:port" of an HTTP proxy; empty: no proxy setting.
  std::string_view proxy = {};
  // Seconds for each phase; -1 leaves the object's timeouts alone, below 1 means 15. The whole
  // exchange is given the four phases' sum (with -1, that of the object's defaults: 120 s).
  std::int32_t timeout_s = 0;
  // Proxy credentials, used only with a proxy and a user name.
  std::string_view proxy_user = {};
  std::string_view proxy_password = {};
  // Whom the credentials are for: 0 the server, 1 the proxy; left out: 1.
  std::optional<std::int32_t> credential_target = {};
  // An object of the caller's to carry out the request (it stays usable); nullptr: a new one from
  // the source HttpRequest is given.
  std::shared_ptr<platform::HttpRequestObject> request_object = nullptr;
  // Merge the response's cookies into *cookies; left out: true.
  std::optional<bool> merge_cookies = {};
  // Add the default request headers whose key the header text lacks; left out: true.
  std::optional<bool> complete_headers = {};
  // Rewrite header names into capitalised form; left out: true.
  std::optional<bool> normalize_headers = {};
};

// Carries out the request on args.request_object, or else on a new object from newObject (the
// system's one source of them). When there is no object (an empty source, or one that gives
// nullptr) the result is empty and no output is written.
std::vector<std::uint8_t> HttpRequest(const HttpRequestArgs& args,
                                      const platform::HttpObjectSource& newObject);

// The same with the arguments by position, in the order of HttpRequestArgs; it only forwards.
std::vector<std::uint8_t> HttpRequest(
    const platform::HttpObjectSource& newObject, std::string_view url,
    std::int32_t method = kHttpGet, std::string_view body_text = {}, std::string* cookies = nullptr,
    std::string* cookies_out = nullptr, std::string_view headers = {},
    std::string* headers_out = nullptr, std::int32_t* status_out = nullptr,
    bool no_redirect = false, std::span<const std::uint8_t> body_bytes = {},
    std::string_view proxy = {}, std::int32_t timeout_s = 0, std::string_view proxy_user = {},
    std::string_view proxy_password = {}, std::optional<std::int32_t> credential_target = {},
    std::shared_ptr<platform::HttpRequestObject> request_object = nullptr,
    std::optional<bool> merge_cookies = {}, std::optional<bool> complete_headers = {},
    std::optional<bool> normalize_headers = {});

}  // namespace lanqi
