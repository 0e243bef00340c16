#pragma once
// The request object over one libcurl easy handle, with the defaults and behaviour of the WinHTTP
// object where the routine relies on them: redirects followed (at most 10), no proxy unless set,
// timeouts resolve 0 / connect 60 s / send 30 s / receive 30 s, the raw header block of the final
// answer beginning with its status line.
#include <curl/curl.h>

#include <chrono>
#include <memory>

#include "platform/http_request_object.hpp"

namespace lanqi::platform {

class CurlRequestObject final : public HttpRequestObject {
 public:
  // nullptr when libcurl cannot give a handle.
  static std::shared_ptr<CurlRequestObject> Create();
  ~CurlRequestObject() override;
  CurlRequestObject(const CurlRequestObject&) = delete;
  CurlRequestObject& operator=(const CurlRequestObject&) = delete;

  bool SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) override;
  bool SetProxy(int setting, std::string_view server) override;
  bool Open(std::string_view verb, std::string_view url, bool async) override;
  bool SetOption(int option, int value) override;
  bool SetCredentials(std::string_view user, std::string_view password, int target) override;
  bool SetRequestHeader(std::string_view name, std::string_view value) override;
  bool Send(std::string_view bodyText) override;
  bool Send(std::span<const std::uint8_t> bodyBytes) override;
  std::vector<std::uint8_t> ResponseBody() override;
  std::string GetAllResponseHeaders() override;
  int Status() override;

  // An answer whose header block is larger than this fails the exchange, as WinHTTP's default
  // limit on Windows (64 KiB) does, rather than filling memory.
  static constexpr std::size_t kMaxHeaderBytes = 64 << 10;

 private:
  explicit CurlRequestObject(CURL* handle) : handle_(handle) {}
  bool Perform(std::span<const std::uint8_t> body);
  void ClearAnswer();

  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
  static int OnProgress(void* self, curl_off_t, curl_off_t downloaded, curl_off_t,
                        curl_off_t uploaded);
  static int OnConnected(void* self, char* primaryIp, char* localIp, int primaryPort,
                         int localPort);

  struct Header {
    std::string name;
    std::string value;
  };

  CURL* handle_;
  // Settings that outlive Open.
  int resolveMs_ = 0;
  int connectMs_ = 60000;
  int sendMs_ = 30000;
  int receiveMs_ = 30000;
  std::string proxy_;
  bool followRedirects_ = true;
  int sslIgnoreFlags_ = 0;
  // The request being prepared.
  bool opened_ = false;
  std::string verb_;
  std::string url_;
  std::vector<Header> headers_;
  std::string user_, password_, proxyUser_, proxyPassword_;
  // The answer of the last exchange, and what the transfer callbacks track meanwhile.
  bool answered_ = false;
  std::vector<std::uint8_t> body_;
  std::string headerBlock_;
  std::size_t headerBytes_ = 0;
  int status_ = 0;
  curl_off_t bodySize_ = 0;
  curl_off_t lastUploaded_ = 0;
  curl_off_t lastDownloaded_ = 0;
  std::chrono::steady_clock::time_point lastProgress_;
  bool connected_ = false;
};

}  // namespace lanqi::platform
