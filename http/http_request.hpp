#pragma once
// The program's one HTTP routine: a complete synchronous exchange through the platform's request
// object. Texts are code page 936 bytes. It never fails loudly: a failed exchange gives an empty
// body, empty *headers_out and *status_out 0.
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

// Parameters (all but url optional):
//  url            absolute URL; also the default Referer.
//  method         verb index (see HttpMethod).
//  body_text      request body, sent when body_bytes is empty.
//  cookies        nullptr: no Cookie header and no merge. Otherwise sent as the Cookie header (a
//                 leading "Cookie:" in any case is removed and written back), then replaced by
//                 the merge with the response's cookies.
//  cookies_out    name=value of every Set-Cookie of the answer, "; " separated.
//  headers        extra request header lines, CR LF separated.
//  headers_out    the response header block as the object reports it.
//  status_out     response status, 0 after a failed exchange.
//  no_redirect    true: redirects are not followed.
//  body_bytes     request body; when non-empty it is sent instead of body_text.
//  proxy          "host:port" of an HTTP proxy; empty: no proxy setting.
//  timeout_s      seconds for each phase; -1 leaves the object's timeouts alone, below 1 is 15.
//  proxy_user, proxy_password   proxy credentials (used only with a proxy and a user name).
//  credential_target   0 server, 1 proxy (default 1).
//  request_object an object of the caller's to carry out the request; nullptr: a new one.
//  merge_cookies, complete_headers, normalize_headers   default true.
// Outputs given as nullptr are dropped. When no request object can be created the result is empty
// and no output is written.
std::vector<std::uint8_t> HttpRequest(
    std::string_view url, std::int32_t method = kHttpGet, std::string_view body_text = {},
    std::string* cookies = nullptr, std::string* cookies_out = nullptr,
    std::string_view headers = {}, std::string* headers_out = nullptr,
    std::int32_t* status_out = nullptr, bool no_redirect = false,
    std::span<const std::uint8_t> body_bytes = {}, std::string_view proxy = {},
    std::int32_t timeout_s = 0, std::string_view proxy_user = {},
    std::string_view proxy_password = {}, std::optional<std::int32_t> credential_target = {},
    std::shared_ptr<platform::HttpRequestObject> request_object = nullptr,
    std::optional<bool> merge_cookies = {}, std::optional<bool> complete_headers = {},
    std::optional<bool> normalize_headers = {});

}  // namespace lanqi
