#include "platform/posix/curl_request_object.hpp"

#include <algorithm>
#include <mutex>

namespace lanqi::platform {
namespace {

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

}  // namespace

std::shared_ptr<HttpRequestObject> CurlRequestObject::Create() {
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
  const bool unbounded = connectMs == 0 || sendMs == 0 || receiveMs == 0;
  totalBoundMs_ = unbounded ? 0L : 0L + resolveMs + connectMs + sendMs + receiveMs;
  return true;
}

bool CurlRequestObject::SetProxy(int setting, std::string_view server) {
  if (setting == kProxySettingNamed && !server.empty()) {
    proxy_ = server;
    return true;
  }
  if (setting == 0 || setting == 1) {
    proxy_.clear();
    return true;
  }
  return false;
}

bool CurlRequestObject::Open(std::string_view verb, std::string_view url, bool) {
  if (verb.empty() || url.empty()) return false;
  verb_ = verb;
  url_ = url;
  headers_.clear();
  answered_ = false;
  opened_ = true;
  return true;
}

bool CurlRequestObject::SetOption(int option, int value) {
  if (option != kOptionEnableRedirects) return false;
  followRedirects_ = value != 0;
  return true;
}

bool CurlRequestObject::SetCredentials(std::string_view, std::string_view, int) {
  return false;
}

bool CurlRequestObject::SetRequestHeader(std::string_view name, std::string_view value) {
  if (!opened_ || !IsSafeHeaderField(name, value)) return false;
  // A second value for a name replaces the first, as the WinHTTP object does.
  const auto same = std::find_if(headers_.begin(), headers_.end(), [&](const auto& header) {
    return EqualNoCase(header.first, name);
  });
  if (same != headers_.end()) {
    same->second = value;
  } else {
    headers_.emplace_back(name, value);
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

bool CurlRequestObject::WaitForResponse(int) {
  return answered_;
}

bool CurlRequestObject::Abort() {
  answered_ = false;
  return true;
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

bool CurlRequestObject::Perform(std::span<const std::uint8_t> body) {
  answered_ = false;
  body_.clear();
  headerBlock_.clear();
  if (!opened_) return false;

  UniqueSlist headerList;
  for (const auto& [name, value] : headers_) {
    // "Name;" is libcurl's way of sending a header with an empty value.
    const std::string line = value.empty() ? name + ";" : name + ": " + value;
    curl_slist* grown = curl_slist_append(headerList.get(), line.c_str());
    if (grown == nullptr) return false;
    headerList.release();
    headerList.reset(grown);
  }

  CURL* h = handle_;
  curl_easy_reset(h);
  curl_easy_setopt(h, CURLOPT_URL, url_.c_str());
  // Only web requests: a URL such as file:// must not read this machine's files.
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, followRedirects_ ? 1L : 0L);
  // An empty proxy text also keeps libcurl from taking one from the environment.
  curl_easy_setopt(h, CURLOPT_PROXY, proxy_.c_str());
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, totalBoundMs_);
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
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CurlRequestObject::OnHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CurlRequestObject::OnBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, this);

  const CURLcode result = curl_easy_perform(h);
  long code = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
  // The header list and body span die with this call; the handle must not keep pointers to them.
  curl_easy_reset(h);
  if (result != CURLE_OK) {
    body_.clear();
    headerBlock_.clear();
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
    object.body_.clear();
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  object.headerBlock_.append(line).append("\r\n");
  return length;
}

std::size_t CurlRequestObject::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto& object = *static_cast<CurlRequestObject*>(self);
  const std::size_t length = size * count;
  object.body_.insert(object.body_.end(), data, data + length);
  return length;
}

HttpThreadScope::HttpThreadScope() : entered_(true) {}
HttpThreadScope::~HttpThreadScope() {
  entered_ = false;
}

}  // namespace lanqi::platform
