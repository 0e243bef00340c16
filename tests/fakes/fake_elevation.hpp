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

}  // namespace lanqi::testing
