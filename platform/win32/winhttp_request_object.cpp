// The request object "WinHttp.WinHttpRequest.5.1", called late-bound: every member is looked up by
// name and invoked through IDispatch, as a script would.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/http_request_object.hpp"
#include "platform/win32/text_936.hpp"
#include "platform/win32/win32_system.hpp"
#include "platform/win32/winhttp_com.hpp"
#include "platform/win32/winhttp_creation.hpp"

namespace lanqi::platform {
namespace win32 {

namespace {

constexpr wchar_t kProgId[] = L"WinHttp.WinHttpRequest.5.1";

// The arguments of one dispatch call, in the member's own order; all cleared when it goes.
class DispatchArguments {
 public:
  DispatchArguments() = default;
  ~DispatchArguments() {
    for (VARIANT& value : values_) VariantClear(&value);
  }
  DispatchArguments(const DispatchArguments&) = delete;
  DispatchArguments& operator=(const DispatchArguments&) = delete;

  DispatchArguments& Int(int number) {
    VARIANT& value = Next();
    value.vt = VT_I4;
    value.lVal = number;
    return *this;
  }
  DispatchArguments& Bool(bool flag) {
    VARIANT& value = Next();
    value.vt = VT_BOOL;
    value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
    return *this;
  }
  // A text argument as a BSTR; false when it could not be allocated.
  bool Text(std::string_view text) {
    const std::wstring wide = WideFrom936(text);
    BSTR string = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (string == nullptr) return false;
    VARIANT& value = Next();
    value.vt = VT_BSTR;
    value.bstrVal = string;
    return true;
  }
  // A one-dimensional array of unsigned bytes; false when it could not be allocated.
  bool Bytes(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > std::numeric_limits<ULONG>::max()) return false;
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (array == nullptr) return false;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) {
      SafeArrayDestroy(array);
      return false;
    }
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
    VARIANT& value = Next();
    value.vt = VT_ARRAY | VT_UI1;
    value.parray = array;
    return true;
  }

  // IDispatch::Invoke takes the arguments last to first.
  std::vector<VARIANT> Reversed() const { return {values_.rbegin(), values_.rend()}; }

 private:
  VARIANT& Next() {
    VARIANT& value = values_.emplace_back();
    VariantInit(&value);
    return value;
  }
  std::vector<VARIANT> values_;
};

class WinHttpRequestObject final : public HttpRequestObject {
 public:
  explicit WinHttpRequestObject(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}

  bool SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) override {
    DispatchArguments arguments;
    arguments.Int(resolveMs).Int(connectMs).Int(sendMs).Int(receiveMs);
    return Call(L"SetTimeouts", arguments);
  }

  bool SetProxy(int setting, std::string_view server) override {
    DispatchArguments arguments;
    arguments.Int(setting);
    return arguments.Text(server) && Call(L"SetProxy", arguments);
  }

  bool Open(std::string_view verb, std::string_view url, bool async) override {
    DispatchArguments arguments;
    if (!arguments.Text(verb) || !arguments.Text(url)) return false;
    arguments.Bool(async);
    return Call(L"Open", arguments);
  }

  bool SetOption(int option, int value) override {
    DispatchArguments arguments;
    arguments.Int(option).Int(value);
    return Call(L"Option", arguments, DISPATCH_PROPERTYPUT);
  }

  bool SetCredentials(std::string_view user, std::string_view password, int target) override {
    DispatchArguments arguments;
    if (!arguments.Text(user) || !arguments.Text(password)) return false;
    arguments.Int(target);
    return Call(L"SetCredentials", arguments);
  }

  bool SetRequestHeader(std::string_view name, std::string_view value) override {
    if (!IsSafeHeaderField(name, value)) return false;
    DispatchArguments arguments;
    return arguments.Text(name) && arguments.Text(value) && Call(L"SetRequestHeader", arguments);
  }

  bool Send(std::string_view bodyText) override {
    DispatchArguments arguments;
    return arguments.Text(bodyText) && Call(L"Send", arguments);
  }

  bool Send(std::span<const std::uint8_t> bodyBytes) override {
    DispatchArguments arguments;
    return arguments.Bytes(bodyBytes) && Call(L"Send", arguments);
  }

  bool WaitForResponse(int seconds) override {
    DispatchArguments arguments;
    arguments.Int(seconds);
    UniqueVariant result;
    if (!Call(L"WaitForResponse", arguments, DISPATCH_METHOD, result.Get())) return false;
    UniqueVariant answered;
    if (FAILED(VariantChangeType(answered.Get(), result.Get(), 0, VT_BOOL))) return false;
    return (*answered).boolVal != VARIANT_FALSE;
  }

  bool Abort() override {
    DispatchArguments none;
    return Call(L"Abort", none);
  }

  std::vector<std::uint8_t> ResponseBody() override {
    DispatchArguments none;
    UniqueVariant result;
    if (!Call(L"ResponseBody", none, DISPATCH_PROPERTYGET, result.Get())) return {};
    const VARIANT& value = *result;
    if (value.vt != (VT_ARRAY | VT_UI1) || value.parray == nullptr) return {};
    SAFEARRAY* array = value.parray;
    LONG lower = 0;
    LONG upper = -1;
    if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper)) || upper < lower) {
      return {};
    }
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) return {};
    const auto* first = static_cast<const std::uint8_t*>(data);
    std::vector<std::uint8_t> bytes(first, first + (static_cast<std::size_t>(upper) - lower + 1));
    SafeArrayUnaccessData(array);
    return bytes;
  }

  std::string GetAllResponseHeaders() override {
    DispatchArguments none;
    UniqueVariant result;
    if (!Call(L"GetAllResponseHeaders", none, DISPATCH_METHOD, result.Get())) return {};
    const VARIANT& value = *result;
    if (value.vt != VT_BSTR || value.bstrVal == nullptr) return {};
    // Wine's string length counts a trailing NUL; the text ends at the first one.
    const std::wstring_view wide(value.bstrVal, SysStringLen(value.bstrVal));
    return Cp936FromWide(wide.substr(0, std::min(wide.size(), wide.find(L'\0'))));
  }

  int Status() override {
    DispatchArguments none;
    UniqueVariant result;
    if (!Call(L"Status", none, DISPATCH_PROPERTYGET, result.Get())) return 0;
    UniqueVariant number;
    if (FAILED(VariantChangeType(number.Get(), result.Get(), 0, VT_R8))) return 0;
    const double status = std::trunc((*number).dblVal);
    if (!(status > std::numeric_limits<int>::min() && status < std::numeric_limits<int>::max())) {
      return 0;
    }
    return static_cast<int>(status);
  }

 private:
  // Looks the member up by name and invokes it; false when either step fails.
  bool Call(const wchar_t* member, const DispatchArguments& arguments, WORD kind = DISPATCH_METHOD,
            VARIANT* result = nullptr) {
    std::wstring name(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
      return false;
    }
    std::vector<VARIANT> reversed = arguments.Reversed();
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{};
    parameters.rgvarg = reversed.empty() ? nullptr : reversed.data();
    parameters.cArgs = static_cast<UINT>(reversed.size());
    if (kind == DISPATCH_PROPERTYPUT) {
      // The value written is the last argument, named as the property's new value.
      parameters.rgdispidNamedArgs = &putId;
      parameters.cNamedArgs = 1;
    }
    UniqueVariant ignored;
    EXCEPINFO exception{};
    UINT badArgument = 0;
    const HRESULT hr =
        dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters,
                          result != nullptr ? result : ignored.Get(), &exception, &badArgument);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return SUCCEEDED(hr);
  }

  ComPtr<IDispatch> dispatch_;
};

}  // namespace

std::shared_ptr<HttpRequestObject> NewWinHttpRequestObject(const RequestObjectCreation& calls) {
  CLSID classId{};
  if (FAILED(CLSIDFromProgID(kProgId, &classId))) return nullptr;
  constexpr DWORD kContexts =
      CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
  ComPtr<IUnknown> instance;
  HRESULT hr = calls.createInstance(classId, nullptr, kContexts, IID_IUnknown, instance.PutVoid());
  // Systems without remote activation refuse the remote context as an invalid argument.
  if (hr == E_INVALIDARG) {
    hr = calls.createInstance(classId, nullptr, kContexts & ~CLSCTX_REMOTE_SERVER, IID_IUnknown,
                              instance.PutVoid());
  }
  if (FAILED(hr) || !instance) return nullptr;
  if (FAILED(calls.run(instance.Get()))) return nullptr;
  ComPtr<IDispatch> dispatch;
  if (FAILED(instance->QueryInterface(IID_IDispatch, dispatch.PutVoid())) || !dispatch) {
    return nullptr;
  }
  return std::make_shared<WinHttpRequestObject>(std::move(dispatch));
}

}  // namespace win32

std::shared_ptr<HttpRequestObject> real::NewHttpRequestObject() {
  return win32::NewWinHttpRequestObject({});
}

}  // namespace lanqi::platform
