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

inline constexpr platform::TokenFacts kElevatedAdministrator{
    .isNTAdmin = true,
    .administratorsInForce = true,
    .elevated = true,
    .kind = platform::TokenElevationKind::Full};

// A token as the test describes it (an elevated administrator's unless changed); records every
// elevation request and runs onRequest for each one (a test starts the elevated copy there).
class FakeElevation final : public platform::Elevation {
 public:
  platform::TokenFacts ReadTokenFacts() override { return facts; }
  bool RelaunchElevated(const std::string& file, bool useFile,
                        const std::optional<std::string>& parameters) override {
    requests.push_back({file, useFile, parameters});
    if (onRequest) onRequest();
    return !declined;
  }

  platform::TokenFacts facts = kElevatedAdministrator;
  bool declined = false;
  std::vector<ElevationRequest> requests;
  std::function<void()> onRequest;
};

}  // namespace lanqi::testing
