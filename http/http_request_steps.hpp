#pragma once
// The request routine with the request object's source made explicit, so that tests can see what
// happens when no object can be created. HttpRequest calls it with NewHttpRequestObject.
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/http_request_object.hpp"

namespace lanqi {

struct HttpRequestArguments {
  std::string_view url{};
  std::int32_t method = 0;
  std::string_view body_text{};
  std::string* cookies = nullptr;
  std::string* cookies_out = nullptr;
  std::string_view headers{};
  std::string* headers_out = nullptr;
  std::int32_t* status_out = nullptr;
  bool no_redirect = false;
  std::span<const std::uint8_t> body_bytes{};
  std::string_view proxy{};
  std::int32_t timeout_s = 0;
  std::string_view proxy_user{};
  std::string_view proxy_password{};
  std::optional<std::int32_t> credential_target{};
  std::shared_ptr<platform::HttpRequestObject> request_object{};
  std::optional<bool> merge_cookies{};
  std::optional<bool> complete_headers{};
  std::optional<bool> normalize_headers{};
};

using HttpRequestObjectSource = std::function<std::shared_ptr<platform::HttpRequestObject>()>;

std::vector<std::uint8_t> PerformHttpRequest(const HttpRequestArguments& arguments,
                                             const HttpRequestObjectSource& newObject);

// The verb for a method index; indexes outside 0..7 give "GET".
std::string_view HttpVerb(std::int32_t method);

// The milliseconds given to all four timeouts, or nullopt when they are left alone (-1).
std::optional<int> TimeoutMilliseconds(std::int32_t timeout_s);

// The request header text after completion with the default headers.
std::string CompleteRequestHeaders(std::string_view headers, std::string_view url,
                                   std::int32_t method);

// name=value of every Set-Cookie line of a response header block, "; " separated.
std::string ResponseCookies(std::string_view responseHeaders);

}  // namespace lanqi
