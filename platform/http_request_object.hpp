#pragma once
// The scriptable HTTP request object behind the request routine: on Windows the COM object
// "WinHttp.WinHttpRequest.5.1" reached by name through its dispatch interface; the native tests
// run the routine on a minimal stand-in over libcurl. Texts are code page 936 bytes; a failing
// operation has no effect and reports false (or an empty / zero read), never throws.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lanqi::platform {

// The request object's own numeric values.
inline constexpr int kProxySettingNamed = 2;              // SetProxy: use the named proxy server
inline constexpr int kOptionSslErrorIgnoreFlags = 4;      // SetOption: certificate errors to ignore
inline constexpr int kOptionEnableRedirects = 6;          // SetOption: follow redirects (0 = off)
inline constexpr int kSslIgnoreUnknownCa = 0x0100;        // unrecognised certification authority
inline constexpr int kSslIgnoreWrongUsage = 0x0200;       // certificate not meant for servers
inline constexpr int kSslIgnoreCertCnInvalid = 0x1000;    // certificate name mismatch
inline constexpr int kSslIgnoreCertDateInvalid = 0x2000;  // certificate expired or not yet valid
inline constexpr int kCredentialsForProxy = 1;

class HttpRequestObject {
 public:
  virtual ~HttpRequestObject() = default;

  // Bounds of the four phases of an exchange, in milliseconds; 0 means no bound. Kept across Open
  // on Windows; Wine's object forgets them at Open.
  virtual bool SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) = 0;
  // setting 2 with "host:port" sends the requests through that proxy; 0 or 1 goes direct.
  virtual bool SetProxy(int setting, std::string_view server) = 0;
  // Starts a new request: verb ("GET", "HEAD", ...), absolute URL; async true makes Send return
  // at once and WaitForResponse wait for the answer. Drops the headers, credentials and answer of
  // the request before.
  virtual bool Open(std::string_view verb, std::string_view url, bool async) = 0;
  // Writes the indexed property "Option": kOptionEnableRedirects, kOptionSslErrorIgnoreFlags.
  // false for an option the object does not support (Wine answers E_NOTIMPL to option 4).
  virtual bool SetOption(int option, int value) = 0;
  // Answers an authentication challenge of the server (target 0) or the proxy (target 1). Call it
  // after Open.
  virtual bool SetCredentials(std::string_view user, std::string_view password, int target) = 0;
  // Adds one request header; false (nothing added) for an empty name or a name or value that would
  // break the header block (CR, LF, or a colon in the name).
  virtual bool SetRequestHeader(std::string_view name, std::string_view value) = 0;
  // Performs the exchange, or after an asynchronous Open starts it; false when it failed (refused,
  // timed out, bad answer) or could not start.
  virtual bool Send(std::string_view bodyText) = 0;
  virtual bool Send(std::span<const std::uint8_t> bodyBytes) = 0;
  // Waits at most that many seconds for the exchange Send started; true when it was answered in
  // time, false when it failed or is still running (the wait itself aborts nothing).
  virtual bool WaitForResponse(int seconds) = 0;
  // Ends the exchange in progress, if any; its answer is then empty.
  virtual bool Abort() = 0;

  // The answer of the last Send; empty / 0 after a failed exchange or before any.
  virtual std::vector<std::uint8_t> ResponseBody() = 0;
  // Raw response header block, CR LF separated, beginning with the status line.
  virtual std::string GetAllResponseHeaders() = 0;
  virtual int Status() = 0;
};

// What a thread must hold while it uses request objects (a single-threaded COM apartment on
// Windows, nothing on Linux). Entered in the constructor and left in the destructor, on the same
// thread; objects created inside must be released before it ends.
class HttpThreadScope {
 public:
  HttpThreadScope();
  ~HttpThreadScope();
  HttpThreadScope(const HttpThreadScope&) = delete;
  HttpThreadScope& operator=(const HttpThreadScope&) = delete;

 private:
  bool entered_ = false;
};

// Makes a new request object for the calling thread; nullptr when none can be made.
using HttpObjectSource = std::function<std::shared_ptr<HttpRequestObject>()>;

// True when a header name and value can go on the wire as one header line.
bool IsSafeHeaderField(std::string_view name, std::string_view value);

}  // namespace lanqi::platform
