#pragma once
#include <string>
#include <string_view>

namespace lanqi::platform::win32 {

// The program keeps its texts as code page 936 bytes and calls the wide (W) forms of Windows, so
// the texts read the same whatever the system's ANSI code page is. These convert at that boundary;
// bytes that are not valid code page 936 become the replacement character rather than failing.
std::wstring WideFrom936(std::string_view text);
std::string Cp936FromWide(std::wstring_view text);

}  // namespace lanqi::platform::win32
