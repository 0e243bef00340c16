#include "nettime/network_time.hpp"

#include <cstdint>

#include "http/headers.hpp"
#include "http/http_request.hpp"
#include "nettime/http_date.hpp"
#include "nettime/reference_servers.hpp"

namespace lanqi {
namespace {

// Beijing time is UTC+8 all year, whatever zone the computer itself is set to.
constexpr std::int32_t kBeijingOffsetHours = 8;

}  // namespace

DateTime NetworkTimeFromHeaders(std::string_view headerBlock) {
  const CalendarTime gmt = ReadHttpDate(TextBetween(headerBlock, "Date:", "\r\n"));
  const DateTime utc = DateTimeFromCalendar(gmt);
  return AddToDateTime(utc, TimeUnit::Hour, kBeijingOffsetHours);
}

DateTime FetchNetworkTime(std::optional<std::string>* url,
                          const platform::HttpObjectSource& newObject) {
  const bool supplied = url != nullptr && url->has_value();
  const std::string target = supplied ? **url : std::string(reference::kWebServerRootUrl);
  if (url != nullptr && !supplied) *url = target;
  std::string headers;
  HttpRequest({.url = target, .method = kHttpHead, .headers_out = &headers}, newObject);
  return NetworkTimeFromHeaders(headers);
}

}  // namespace lanqi
