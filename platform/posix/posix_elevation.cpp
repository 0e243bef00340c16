#include <unistd.h>

#include "platform/elevation.hpp"
#include "platform/system.hpp"

namespace lanqi::platform {
namespace {

// Linux has no filtered tokens: root is the one identity whose rights are always in force.
class PosixProcessToken final : public ProcessToken {
 public:
  bool IsNTAdminSaysAdministrator() override { return geteuid() == 0; }
  bool AdministratorsGroupInForce() override { return geteuid() == 0; }
  bool IsElevated() override { return geteuid() == 0; }
  TokenElevationKind ElevationKind() override { return TokenElevationKind::Default; }
  // Linux has no elevation prompt to hand the program to, so there is nothing to ask for.
  bool UacPolicyOn() override { return false; }
  bool StartedByThisProgram() override { return false; }
  bool RequestElevatedStart(const std::string&, bool, const std::optional<std::string>&) override {
    return false;
  }
};

}  // namespace

Elevation& real::TheElevation() {
  static PosixProcessToken token;
  static TokenElevation elevation(token);
  return elevation;
}

}  // namespace lanqi::platform
