#pragma once
// Making the request object "WinHttp.WinHttpRequest.5.1" through COM calls that tests can stand
// in for.
#include <objbase.h>

#include <memory>

#include "platform/http_request_object.hpp"

namespace lanqi::platform::win32 {

using CoCreateInstanceCall = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
using OleRunCall = HRESULT(WINAPI*)(LPUNKNOWN);

struct RequestObjectCreation {
  CoCreateInstanceCall createInstance = &::CoCreateInstance;
  OleRunCall run = &::OleRun;
};

// Creates the object with every server context allowed, once more without the remote one when
// the system refuses that as an invalid argument, and puts it into the running state; null when
// any step fails, with nothing of the object left held.
std::shared_ptr<HttpRequestObject> NewWinHttpRequestObject(const RequestObjectCreation& calls);

}  // namespace lanqi::platform::win32
