#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "datetime/date_time.hpp"
#include "platform/http_request_object.hpp"

namespace lanqi {

// The time in the header block's first "Date:" (case-sensitive, anywhere in the text) up to the
// next "\r\n", read as GMT and shifted by 8 hours to Beijing time. 0100-01-01 08:00:00 when the
// date cannot be read.
DateTime NetworkTimeFromHeaders(std::string_view headerBlock);

// Reads the network time from the Date header of the answer to a HEAD request, in Beijing time.
// url: the URL to ask, used exactly as given (an empty text included, which fails like any
// unusable URL). Not supplied (nullptr, or a variable holding no value) means the reference
// server's root URL, which is then stored into the variable when there is one. The HEAD request
// is the program's HTTP routine with every other parameter at its default, on a request object
// from newObject. Blocks for the request.
DateTime FetchNetworkTime(std::optional<std::string>* url,
                          const platform::HttpObjectSource& newObject);

}  // namespace lanqi
