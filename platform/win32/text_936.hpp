#pragma once
// The program keeps its texts as code page 936 bytes and calls the wide (W) forms of Windows, so
// the texts read the same whatever the system's ANSI code page is. These convert at that boundary;
// bytes that are not valid in the code page become the replacement character rather than failing.
#include <windows.h>

#include <climits>
#include <string>
#include <string_view>

namespace lanqi::platform::win32 {

// The forms for any code page (the tests read and write UTF-8).
inline std::wstring WideFromCodePage(UINT codePage, std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int wideLength = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (wideLength <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), wideLength);
  return wide;
}

inline std::string CodePageFromWide(UINT codePage, std::wstring_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int byteLength =
      WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (byteLength <= 0) return {};
  std::string bytes(static_cast<std::size_t>(byteLength), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), length, bytes.data(), byteLength, nullptr, nullptr);
  return bytes;
}

std::wstring WideFrom936(std::string_view text);
std::string Cp936FromWide(std::wstring_view text);

}  // namespace lanqi::platform::win32
