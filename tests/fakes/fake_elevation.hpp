#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/elevation.hpp"

namespace lanqi::testing {

struct ElevationRequest {
  std::string file;
  bool useFile;
  std::optional<std::string> parameters;
};

// Rights granted or not by the test; records every elevation request.
class FakeElevation final : public platform::Elevation {
 public:
  using Request = ElevationRequest;
  bool IsAdministrator() override { return administrator; }
  bool ElevationCanRaiseRights() override { return canRaise; }
  bool RelaunchElevated(const std::string& file, bool useFile,
                        const std::optional<std::string>& parameters) override {
    requests.push_back({file, useFile, parameters});
    return !declined;
  }

  bool administrator = true;
  bool canRaise = true;
  bool declined = false;
  std::vector<Request> requests;
};

// What the system calls say about one process's token.
struct TokenFacts {
  bool isNTAdmin = false;
  bool administratorsInForce = false;
  bool elevated = false;
  platform::TokenElevationKind kind = platform::TokenElevationKind::Default;
  bool uacPolicyOn = true;
  bool startedByThisProgram = false;
};

// A process token as the system calls describe it; records the elevation requests, and runs
// onRequest for each one (a test starts the elevated copy there).
class FakeProcessToken final : public platform::ProcessToken {
 public:
  explicit FakeProcessToken(const TokenFacts& facts) : facts_(facts) {}
  FakeProcessToken(bool isNTAdmin, bool administratorsInForce)
      : facts_{.isNTAdmin = isNTAdmin, .administratorsInForce = administratorsInForce} {}
  bool IsNTAdminSaysAdministrator() override { return facts_.isNTAdmin; }
  bool AdministratorsGroupInForce() override { return facts_.administratorsInForce; }
  bool IsElevated() override { return facts_.elevated; }
  platform::TokenElevationKind ElevationKind() override { return facts_.kind; }
  bool UacPolicyOn() override { return facts_.uacPolicyOn; }
  bool StartedByThisProgram() override { return facts_.startedByThisProgram; }
  bool RequestElevatedStart(const std::string& file, bool useFile,
                            const std::optional<std::string>& parameters) override {
    ++requests;
    requested.push_back({file, useFile, parameters});
    if (onRequest) onRequest();
    return true;
  }

  int requests = 0;
  std::vector<ElevationRequest> requested;
  std::function<void()> onRequest;

 private:
  TokenFacts facts_;
};

}  // namespace lanqi::testing
