#include "platform/posix/curl_request_object.hpp"

#include <algorithm>
#include <climits>
#include <mutex>

#include "platform/system.hpp"

namespace lanqi::platform {
namespace {

constexpr long kMaxRedirects = 10;
constexpr const char* kDefaultUserAgent =
    "Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)";

bool EqualNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

struct SlistDeleter {
  void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};
using UniqueSlist = std::unique_ptr<curl_slist, SlistDeleter>;

bool Append(UniqueSlist& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (grown == nullptr) return false;
  list.release();
  list.reset(grown);
  return true;
}

}  // namespace

std::shared_ptr<CurlRequestObject> CurlRequestObject::Create() {
  static std::once_flag globalInit;
  static bool initialised = false;
  std::call_once(globalInit,
                 [] { initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  if (!initialised) return nullptr;
  CURL* handle = curl_easy_init();
  if (handle == nullptr) return nullptr;
  return std::shared_ptr<CurlRequestObject>(new CurlRequestObject(handle));
}

CurlRequestObject::~CurlRequestObject() {
  curl_easy_cleanup(handle_);
}

bool CurlRequestObject::SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) {
  if (resolveMs < 0 || connectMs < 0 || sendMs < 0 || receiveMs < 0) return false;
  resolveMs_ = resolveMs;
  connectMs_ = connectMs;
  sendMs_ = sendMs;
  receiveMs_ = receiveMs;
  return true;
}

bool CurlRequestObject::SetProxy(int setting, std::string_view server) {
  if (setting == kProxySettingNamed) {
    if (server.empty()) return false;
    proxy_ = server;
    return true;
  }
  if (setting == 0 || setting == 1) {
    proxy_.clear();
    return true;
  }
  return false;
}

bool CurlRequestObject::Open(std::string_view verb, std::string_view url, bool async) {
  if (async || verb.empty() || url.empty()) return false;
  verb_ = verb;
  url_ = url;
  headers_.clear();
  user_.clear();
  password_.clear();
  proxyUser_.clear();
  proxyPassword_.clear();
  ClearAnswer();
  opened_ = true;
  return true;
}

bool CurlRequestObject::SetOption(int option, int value) {
  switch (option) {
    case kOptionEnableRedirects:
      followRedirects_ = value != 0;
      return true;
    case kOptionSslErrorIgnoreFlags:
      sslIgnoreFlags_ = value;
      return true;
    default:
      return false;
  }
}

bool CurlRequestObject::SetCredentials(std::string_view user, std::string_view password,
                                       int target) {
  if (!opened_) return false;
  if (target == kCredentialsForServer) {
    user_ = user;
    password_ = password;
    return true;
  }
  if (target == kCredentialsForProxy) {
    proxyUser_ = user;
    proxyPassword_ = password;
    return true;
  }
  return false;
}

bool CurlRequestObject::SetRequestHeader(std::string_view name, std::string_view value) {
  if (!opened_ || !IsSafeHeaderField(name, value)) return false;
  // A second value for a name replaces the first, as the WinHTTP object does.
  const auto same = std::find_if(headers_.begin(), headers_.end(), [&](const Header& header) {
    return EqualNoCase(header.name, name);
  });
  if (same != headers_.end()) {
    same->value = value;
  } else {
    headers_.push_back({std::string(name), std::string(value)});
  }
  return true;
}

bool CurlRequestObject::Send(std::string_view bodyText) {
  return Perform(
      std::span(reinterpret_cast<const std::uint8_t*>(bodyText.data()), bodyText.size()));
}

bool CurlRequestObject::Send(std::span<const std::uint8_t> bodyBytes) {
  return Perform(bodyBytes);
}

std::vector<std::uint8_t> CurlRequestObject::ResponseBody() {
  return answered_ ? body_ : std::vector<std::uint8_t>{};
}

std::string CurlRequestObject::GetAllResponseHeaders() {
  return answered_ ? headerBlock_ : std::string{};
}

int CurlRequestObject::Status() {
  return answered_ ? status_ : 0;
}

void CurlRequestObject::ClearAnswer() {
  answered_ = false;
  body_.clear();
  headerBlock_.clear();
  headerBytes_ = 0;
  status_ = 0;
}

bool CurlRequestObject::Perform(std::span<const std::uint8_t> body) {
  if (!opened_) return false;
  ClearAnswer();
  curl_easy_reset(handle_);

  UniqueSlist headerList;
  bool callerUserAgent = false;
  bool callerContentType = false;
  for (const Header& header : headers_) {
    callerUserAgent = callerUserAgent || EqualNoCase(header.name, "User-Agent");
    callerContentType = callerContentType || EqualNoCase(header.name, "Content-Type");
    // "Name;" is libcurl's way of sending a header with an empty value.
    const std::string line =
        header.value.empty() ? header.name + ";" : header.name + ": " + header.value;
    if (!Append(headerList, line)) return false;
  }
  // The WinHTTP object's own defaults; libcurl already sends "Accept: */*" unless one is set.
  if (!callerUserAgent && !Append(headerList, std::string("User-Agent: ") + kDefaultUserAgent)) {
    return false;
  }
  // Headers libcurl would add on its own and the WinHTTP object does not send.
  if (!Append(headerList, "Expect:")) return false;
  if (!body.empty() && !callerContentType && !Append(headerList, "Content-Type:")) return false;

  CURL* h = handle_;
  curl_easy_setopt(h, CURLOPT_URL, url_.c_str());
  // Only web requests: a URL such as file:// must not read this machine's files.
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, followRedirects_ ? 1L : 0L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
  // An empty proxy text also keeps libcurl from taking one from the environment.
  curl_easy_setopt(h, CURLOPT_PROXY, proxy_.c_str());
  if (!user_.empty() || !password_.empty()) {
    curl_easy_setopt(h, CURLOPT_USERNAME, user_.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, password_.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_ANY));
  }
  if (!proxyUser_.empty() || !proxyPassword_.empty()) {
    curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, proxyUser_.c_str());
    curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, proxyPassword_.c_str());
    curl_easy_setopt(h, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_ANY));
  }
  const bool trustAnyIssuer = (sslIgnoreFlags_ & (kSslIgnoreUnknownCa | kSslIgnoreWrongUsage |
                                                  kSslIgnoreCertDateInvalid)) != 0;
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, trustAnyIssuer ? 0L : 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST,
                   (sslIgnoreFlags_ & kSslIgnoreCertCnInvalid) ? 0L : 2L);

  if (verb_ == "HEAD") {
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  } else if (!body.empty() || verb_ == "POST") {
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS,
                     body.empty() ? "" : reinterpret_cast<const char*>(body.data()));
    if (verb_ != "POST") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, verb_.c_str());
  } else if (verb_ != "GET") {
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, verb_.c_str());
  }
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList.get());

  // Resolve and connect are bounded together; 0 leaves libcurl's own bound of 300 s.
  const long long connectBound = connectMs_ == 0 ? 0LL : 0LL + connectMs_ + resolveMs_;
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(std::min<long long>(connectBound, LONG_MAX)));
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CurlRequestObject::OnHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CurlRequestObject::OnBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CurlRequestObject::OnProgress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &CurlRequestObject::OnConnected);
  curl_easy_setopt(h, CURLOPT_PREREQDATA, this);

  bodySize_ = static_cast<curl_off_t>(body.size());
  lastUploaded_ = 0;
  lastDownloaded_ = 0;
  lastProgress_ = std::chrono::steady_clock::now();
  connected_ = false;
  const CURLcode result = curl_easy_perform(h);
  long code = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
  // The header list and body span die with this call; the handle must not keep pointers to them.
  curl_easy_reset(h);
  if (result != CURLE_OK) {
    ClearAnswer();
    return false;
  }
  status_ = static_cast<int>(code);
  answered_ = true;
  return true;
}

std::size_t CurlRequestObject::OnHeader(char* data, std::size_t size, std::size_t count,
                                        void* self) {
  auto& object = *static_cast<CurlRequestObject*>(self);
  const std::size_t length = size * count;
  std::string_view line(data, length);
  // Each answer of a redirect chain (and a 100 Continue) begins with its status line; only the
  // last answer's headers and body are the result.
  if (line.starts_with("HTTP/")) {
    object.headerBlock_.clear();
    object.headerBytes_ = 0;
    object.body_.clear();
  }
  object.headerBytes_ += length;
  if (object.headerBytes_ > kMaxHeaderBytes) return 0;  // ends the exchange as failed
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  object.headerBlock_ += line;
  object.headerBlock_ += "\r\n";
  return length;
}

std::size_t CurlRequestObject::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto& object = *static_cast<CurlRequestObject*>(self);
  const std::size_t length = size * count;
  object.body_.insert(object.body_.end(), data, data + length);
  return length;
}

// Per-phase bounds in the manner of the WinHTTP object: the send bound while the body goes out,
// the receive bound while waiting for and reading the answer, each measured since the last byte.
int CurlRequestObject::OnProgress(void* self, curl_off_t, curl_off_t downloaded, curl_off_t,
                                  curl_off_t uploaded) {
  auto& object = *static_cast<CurlRequestObject*>(self);
  const auto now = std::chrono::steady_clock::now();
  // Until a connection stands, the connect bound applies instead.
  if (downloaded != object.lastDownloaded_ || uploaded != object.lastUploaded_ ||
      !object.connected_) {
    object.lastDownloaded_ = downloaded;
    object.lastUploaded_ = uploaded;
    object.lastProgress_ = now;
    return 0;
  }
  const int boundMs = uploaded < object.bodySize_ ? object.sendMs_ : object.receiveMs_;
  if (boundMs == 0) return 0;
  return now - object.lastProgress_ > std::chrono::milliseconds(boundMs) ? 1 : 0;
}

int CurlRequestObject::OnConnected(void* self, char*, char*, int, int) {
  auto& object = *static_cast<CurlRequestObject*>(self);
  object.connected_ = true;
  object.lastProgress_ = std::chrono::steady_clock::now();
  return CURL_PREREQFUNC_OK;
}

std::shared_ptr<HttpRequestObject> NewHttpRequestObject() {
  return CurlRequestObject::Create();
}

HttpThreadScope::HttpThreadScope() : entered_(true) {}
HttpThreadScope::~HttpThreadScope() {
  entered_ = false;
}

}  // namespace lanqi::platform
