#pragma once
// The native stand-in for the request object: one libcurl easy handle, enough for the request
// routine's own tests to run natively. Redirects followed unless turned off, no proxy unless set,
// the header block of the final answer beginning with its status line. The four timeouts bound
// the exchange as a whole (their sum); what WinHTTP does with each phase, and its other options,
// are proved against WinHTTP itself in the Windows build.
#include <curl/curl.h>

#include <memory>

#include "platform/http_request_object.hpp"

namespace lanqi::platform {

class CurlRequestObject final : public HttpRequestObject {
 public:
  // nullptr when libcurl cannot give a handle.
  static std::shared_ptr<HttpRequestObject> Create();
  ~CurlRequestObject() override;
  CurlRequestObject(const CurlRequestObject&) = delete;
  CurlRequestObject& operator=(const CurlRequestObject&) = delete;

  bool SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) override;
  bool SetProxy(int setting, std::string_view server) override;
  bool Open(std::string_view verb, std::string_view url, bool async) override;
  // Only kOptionEnableRedirects.
  bool SetOption(int option, int value) override;
  // Not supported: false (the routine's proxy credentials also go as a header of their own).
  bool SetCredentials(std::string_view user, std::string_view password, int target) override;
  bool SetRequestHeader(std::string_view name, std::string_view value) override;
  bool Send(std::string_view bodyText) override;
  bool Send(std::span<const std::uint8_t> bodyBytes) override;
  // Send is synchronous also after an asynchronous Open: the exchange has ended when it returns.
  bool WaitForResponse(int seconds) override;
  bool Abort() override;
  std::vector<std::uint8_t> ResponseBody() override;
  std::string GetAllResponseHeaders() override;
  int Status() override;

 private:
  explicit CurlRequestObject(CURL* handle) : handle_(handle) {}
  bool Perform(std::span<const std::uint8_t> body);

  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);

  CURL* handle_;
  // Settings that outlive Open.
  long totalBoundMs_ = 60000 + 30000 + 30000;  // WinHTTP's defaults for connect, send, receive
  std::string proxy_;
  bool followRedirects_ = true;
  // The request being prepared: header lines in the order set, one per name.
  bool opened_ = false;
  std::string verb_;
  std::string url_;
  std::vector<std::pair<std::string, std::string>> headers_;
  // The answer of the last exchange.
  bool answered_ = false;
  std::vector<std::uint8_t> body_;
  std::string headerBlock_;
  int status_ = 0;
};

}  // namespace lanqi::platform
