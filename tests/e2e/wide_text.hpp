#pragma once
// Conversions between the UTF-16 of the Win32 W calls and the UTF-8 the test log is read in.

#include <string>
#include <string_view>

namespace lanqi::e2e {

std::string Utf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

}  // namespace lanqi::e2e
