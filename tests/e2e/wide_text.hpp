#pragma once
// Conversions between the UTF-16 of the Win32 W calls and the UTF-8 the test log is read in.
#include <string>
#include <string_view>

#include "platform/win32/text_936.hpp"

namespace lanqi::e2e {

inline std::string Utf8(std::wstring_view text) {
  return platform::win32::CodePageFromWide(CP_UTF8, text);
}
inline std::wstring FromUtf8(std::string_view text) {
  return platform::win32::WideFromCodePage(CP_UTF8, text);
}

}  // namespace lanqi::e2e
