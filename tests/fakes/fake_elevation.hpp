#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/elevation.hpp"

namespace lanqi::testing {

// Rights granted or not by the test; records every elevation request.
class FakeElevation final : public platform::Elevation {
 public:
  struct Request {
    std::string file;
    bool useFile;
    std::optional<std::string> parameters;
  };
  bool IsAdministrator() override { return administrator; }
  bool RelaunchElevated(const std::string& file, bool useFile,
                        const std::optional<std::string>& parameters) override {
    requests.push_back({file, useFile, parameters});
    return !declined;
  }

  bool administrator = true;
  bool declined = false;
  std::vector<Request> requests;
};

// A process token as the two system calls describe it; counts the elevation requests.
class FakeProcessToken final : public platform::ProcessToken {
 public:
  FakeProcessToken(bool isNTAdmin, bool administratorsInForce)
      : isNTAdmin_(isNTAdmin), administratorsInForce_(administratorsInForce) {}
  bool IsNTAdminSaysAdministrator() override { return isNTAdmin_; }
  bool AdministratorsGroupInForce() override { return administratorsInForce_; }
  bool RequestElevatedStart(const std::string&, bool, const std::optional<std::string>&) override {
    ++requests;
    return true;
  }

  int requests = 0;

 private:
  bool isNTAdmin_;
  bool administratorsInForce_;
};

}  // namespace lanqi::testing
