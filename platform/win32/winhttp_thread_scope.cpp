#include <objbase.h>

#include "platform/http_request_object.hpp"

namespace lanqi::platform {

// A single-threaded apartment for the time of one request. Left only when entering it succeeded
// (S_OK or S_FALSE): after RPC_E_CHANGED_MODE the thread belongs to someone else's apartment, and
// an unmatched CoUninitialize would tear that one down.
HttpThreadScope::HttpThreadScope() : entered_(SUCCEEDED(CoInitialize(nullptr))) {}

HttpThreadScope::~HttpThreadScope() {
  if (entered_) CoUninitialize();
}

}  // namespace lanqi::platform
