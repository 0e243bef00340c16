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

#include "http/http_request.hpp"
#include "platform/http_request_object.hpp"

namespace lanqi {

std::vector<std::uint8_t> PerformHttpRequest(const HttpRequestArgs& args,
                                             const platform::HttpObjectSource& newObject);

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
