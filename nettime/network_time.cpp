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

int AsSigned16(std::uint16_t part) {
  return static_cast<std::int16_t>(part);
}

}  // namespace

std::string HeadRequestThroughHttpRoutine(const std::string& url) {
  std::string headers;
  HttpRequest({.url = url, .method = kHttpHead, .headers_out = &headers});
  return headers;
}

DateTime NetworkTimeFromHeaders(std::string_view headerBlock) {
  const CalendarParts gmt = ReadHttpDate(TextBetween(headerBlock, "Date:", "\r\n"));
  const DateTime utc =
      DateTimeFromParts(AsSigned16(gmt.year), AsSigned16(gmt.month), AsSigned16(gmt.day),
                        AsSigned16(gmt.hour), AsSigned16(gmt.minute), AsSigned16(gmt.second));
  return AddToDateTime(utc, TimeUnit::Hour, kBeijingOffsetHours);
}

DateTime NetworkTimeFailureValue() {
  return NetworkTimeFromHeaders({});
}

DateTime FetchNetworkTime(std::optional<std::string>* url, const HeadRequest& request) {
  const bool supplied = url != nullptr && url->has_value();
  const std::string target = supplied ? **url : std::string(reference::kWebServerRootUrl);
  if (url != nullptr && !supplied) *url = target;
  const std::string headers = request ? request(target) : HeadRequestThroughHttpRoutine(target);
  return NetworkTimeFromHeaders(headers);
}

}  // namespace lanqi
