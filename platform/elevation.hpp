#pragma once
#include <optional>
#include <string>

namespace lanqi::platform {

// How the token stands to UAC (TokenElevationType). Only while UAC runs does an administrator's
// logon get two linked tokens, the filtered one a normal start runs with (Limited) and the
// elevated one (Full); every other token, a standard user's included, is Default.
enum class TokenElevationKind { Unknown, Default, Full, Limited };

// What the system says about the process's token and its start. Facts that cannot be asked read
// as the defaults: not an administrator, not elevated, UAC on (Windows' default), not started by
// this program.
struct TokenFacts {
  bool isNTAdmin = false;  // IsNTAdmin of advpack.dll answers non-zero
  // The Administrators group is enabled in the token (CheckTokenMembership), not merely present
  // as a deny-only group.
  bool administratorsInForce = false;
  bool elevated = false;  // TokenElevation
  TokenElevationKind kind = TokenElevationKind::Default;
  bool uacPolicyOn = true;  // EnableLUA is not 0
  // The parent process runs this same executable: this process is the copy an elevation request
  // of the program started. false when the parent has ended already or cannot be asked.
  bool startedByThisProgram = false;
};

// Administrator rights, which setting the system clock needs: what the token says, and the one
// request for more. The decisions over the facts are in start_rights.hpp.
class Elevation {
 public:
  virtual ~Elevation() = default;
  virtual TokenFacts ReadTokenFacts() = 0;
  // Asks the system to start `file` (or, when useFile is false or file is empty, this program's
  // own executable) with administrator rights ("runas"), passing `parameters` when given.
  // true when the request was carried out; a declined prompt gives false.
  virtual bool RelaunchElevated(const std::string& file, bool useFile,
                                const std::optional<std::string>& parameters) = 0;
};

}  // namespace lanqi::platform
