#include <algorithm>

#include "platform/http_request_object.hpp"

namespace lanqi::platform {

bool IsSafeHeaderField(std::string_view name, std::string_view value) {
  // A CR or LF would end the line early and let the rest pass as headers of its own choosing.
  const auto breaksLine = [](char c) { return c == '\r' || c == '\n' || c == '\0'; };
  const auto badInName = [&](char c) { return breaksLine(c) || c == ':' || c == ' ' || c == '\t'; };
  return !name.empty() && std::none_of(name.begin(), name.end(), badInName) &&
         std::none_of(value.begin(), value.end(), breaksLine);
}

}  // namespace lanqi::platform
