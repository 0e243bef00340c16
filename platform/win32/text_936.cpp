#include "platform/win32/text_936.hpp"

namespace lanqi::platform::win32 {

std::wstring WideFrom936(std::string_view text) {
  return WideFromCodePage(936, text);
}

std::string Cp936FromWide(std::wstring_view text) {
  return CodePageFromWide(936, text);
}

}  // namespace lanqi::platform::win32
