#include "platform/win32/text_936.hpp"

#include <windows.h>

#include <climits>

namespace lanqi::platform::win32 {

namespace {
constexpr UINT kCodePage936 = 936;
}  // namespace

std::wstring WideFrom936(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int wideLength = MultiByteToWideChar(kCodePage936, 0, text.data(), length, nullptr, 0);
  if (wideLength <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(kCodePage936, 0, text.data(), length, wide.data(), wideLength);
  return wide;
}

std::string Cp936FromWide(std::wstring_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int byteLength =
      WideCharToMultiByte(kCodePage936, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (byteLength <= 0) return {};
  std::string bytes(static_cast<std::size_t>(byteLength), '\0');
  WideCharToMultiByte(kCodePage936, 0, text.data(), length, bytes.data(), byteLength, nullptr,
                      nullptr);
  return bytes;
}

}  // namespace lanqi::platform::win32
