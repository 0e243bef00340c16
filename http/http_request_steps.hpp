#pragma once
// The steps of the request routine, each on its own, for the routine and its tests.
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

// The verb for a method index; indexes outside 0..7 give "GET".
std::string_view HttpVerb(std::int32_t method);

// The milliseconds given to all four timeouts, or nullopt when they are left alone (-1).
std::optional<int> TimeoutMilliseconds(std::int32_t timeout_s);

// The seconds one exchange may take in all: the four phase time-outs added up, rounded up. With
// the object's own time-outs (-1), the sum of those of its defaults that bound anything.
int ExchangeBoundSeconds(std::int32_t timeout_s);

// The request header text after completion with the default headers.
std::string CompleteRequestHeaders(std::string_view headers, std::string_view url,
                                   std::int32_t method);

// name=value of every Set-Cookie line of a response header block, "; " separated.
std::string ResponseCookies(std::string_view responseHeaders);

}  // namespace lanqi
