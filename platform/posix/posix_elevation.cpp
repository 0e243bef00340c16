#include <unistd.h>

#include "platform/elevation.hpp"

namespace lanqi::platform {
namespace {

class PosixElevation final : public Elevation {
 public:
  bool IsAdministrator() override { return geteuid() == 0; }
  // Linux has no elevation prompt to hand the program to; the request cannot be carried out.
  bool RelaunchElevated(const std::string&, bool, const std::optional<std::string>&) override {
    return false;
  }
};

}  // namespace

Elevation& SystemElevation() {
  static PosixElevation elevation;
  return elevation;
}

}  // namespace lanqi::platform
