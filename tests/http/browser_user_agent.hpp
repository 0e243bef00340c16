#pragma once
// The User-Agent line the request routine adds when the caller gives none.
#include <string>

namespace lanqi::testing {

inline const std::string kBrowserUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

}  // namespace lanqi::testing
