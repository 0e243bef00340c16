#pragma once
// A request object that writes down every call it gets, as one line of text each, and answers a
// Send with a scripted response.
#include <functional>
#include <string>
#include <vector>

#include "platform/http_request_object.hpp"

namespace lanqi::testing {

// What a Send of the recording object answers.
struct RecordedAnswer {
  bool succeeds = true;
  std::string headers = "HTTP/1.1 200 OK\r\n\r\n";
  std::vector<std::uint8_t> body;
  int status = 200;
  // false: the exchange is still running when the wait for it ends.
  bool answersInTime = true;
};

class RecordingRequestObject final : public platform::HttpRequestObject {
 public:
  using Answer = RecordedAnswer;
  RecordingRequestObject() = default;
  explicit RecordingRequestObject(Answer answer) : answer_(std::move(answer)) {}

  std::vector<std::string> calls;
  // Told the URL of every Open.
  std::function<void(std::string_view url)> onOpen;

  bool SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) override {
    return Record("SetTimeouts(" + std::to_string(resolveMs) + "," + std::to_string(connectMs) +
                  "," + std::to_string(sendMs) + "," + std::to_string(receiveMs) + ")");
  }
  bool SetProxy(int setting, std::string_view server) override {
    return Record("SetProxy(" + std::to_string(setting) + "," + std::string(server) + ")");
  }
  bool Open(std::string_view verb, std::string_view url, bool async) override {
    sent_ = false;
    if (onOpen) onOpen(url);
    return Record("Open(" + std::string(verb) + "," + std::string(url) + "," +
                  (async ? "true" : "false") + ")");
  }
  bool SetOption(int option, int value) override {
    return Record("Option(" + std::to_string(option) + "," + std::to_string(value) + ")");
  }
  bool SetCredentials(std::string_view user, std::string_view password, int target) override {
    return Record("SetCredentials(" + std::string(user) + "," + std::string(password) + "," +
                  std::to_string(target) + ")");
  }
  bool SetRequestHeader(std::string_view name, std::string_view value) override {
    return Record("Header(" + std::string(name) + "|" + std::string(value) + ")");
  }
  bool Send(std::string_view bodyText) override {
    Record("Send(text:" + std::string(bodyText) + ")");
    sent_ = answer_.succeeds;
    return sent_;
  }
  bool Send(std::span<const std::uint8_t> bodyBytes) override {
    Record("Send(bytes:" + std::to_string(bodyBytes.size()) + ")");
    sent_ = answer_.succeeds;
    return sent_;
  }
  bool WaitForResponse(int seconds) override {
    Record("WaitForResponse(" + std::to_string(seconds) + ")");
    return sent_ && answer_.answersInTime;
  }
  bool Abort() override { return Record("Abort()"); }
  std::vector<std::uint8_t> ResponseBody() override {
    return sent_ ? answer_.body : std::vector<std::uint8_t>{};
  }
  std::string GetAllResponseHeaders() override { return sent_ ? answer_.headers : ""; }
  int Status() override { return sent_ ? answer_.status : 0; }

  // The calls that set request headers, in order.
  std::vector<std::string> HeaderCalls() const {
    std::vector<std::string> headers;
    for (const std::string& call : calls) {
      if (call.starts_with("Header(")) headers.push_back(call);
    }
    return headers;
  }

 private:
  bool Record(std::string call) {
    calls.push_back(std::move(call));
    return true;
  }
  Answer answer_;
  bool sent_ = false;
};

}  // namespace lanqi::testing
