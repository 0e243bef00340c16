#pragma once
#include <optional>
#include <string>

namespace lanqi::platform {

// Administrator rights, which setting the system clock needs.
class Elevation {
 public:
  virtual ~Elevation() = default;
  // Whether the process runs with administrator rights in force.
  virtual bool IsAdministrator() = 0;
  // Whether asking for an elevated copy can give a start without rights what it lacks. false
  // when this process is itself such a copy (started by this program), when its token is
  // elevated already, or when the system has no UAC to raise it: a copy asked for then would
  // start without rights too, ask again, and so on for ever.
  virtual bool ElevationCanRaiseRights() = 0;
  // Asks the system to start `file` (or, when useFile is false or file is empty, this program's
  // own executable) with administrator rights ("runas"), passing `parameters` when given.
  // true when the request was carried out; a declined prompt gives false.
  virtual bool RelaunchElevated(const std::string& file, bool useFile,
                                const std::optional<std::string>& parameters) = 0;
};

// How the token stands to UAC (TokenElevationType). Only while UAC runs does an administrator's
// logon get two linked tokens, the filtered one a normal start runs with (Limited) and the
// elevated one (Full); every other token, a standard user's included, is Default.
enum class TokenElevationKind { Unknown, Default, Full, Limited };

// What the system says about the process's token, and the elevation request itself.
class ProcessToken {
 public:
  virtual ~ProcessToken() = default;
  // IsNTAdmin of advpack.dll answers non-zero.
  virtual bool IsNTAdminSaysAdministrator() = 0;
  // The Administrators group is enabled in the token (CheckTokenMembership), not merely present
  // as a deny-only group.
  virtual bool AdministratorsGroupInForce() = 0;
  // The token is elevated (TokenElevation); false when that cannot be asked.
  virtual bool IsElevated() = 0;
  virtual TokenElevationKind ElevationKind() = 0;
  // The UAC policy (EnableLUA) is on, or cannot be read (Windows' default is on).
  virtual bool UacPolicyOn() = 0;
  // The parent process runs this same executable: this process is the copy an elevation request
  // of the program started. false when the parent has ended already or cannot be asked.
  virtual bool StartedByThisProgram() = 0;
  // The "runas" start of Elevation::RelaunchElevated.
  virtual bool RequestElevatedStart(const std::string& file, bool useFile,
                                    const std::optional<std::string>& parameters) = 0;
};

// The rights decision over a token. An administrator's normal start under UAC gets a filtered
// token whose Administrators group is deny-only; what IsNTAdmin answers for that token is not
// documented. Only a token where both agree can set the clock, write HKLM and the program's
// folder, so anything less asks for the elevated copy, as long as that copy can have more.
class TokenElevation final : public Elevation {
 public:
  explicit TokenElevation(ProcessToken& token) : token_(token) {}
  bool IsAdministrator() override {
    return token_.IsNTAdminSaysAdministrator() && token_.AdministratorsGroupInForce();
  }
  bool ElevationCanRaiseRights() override {
    if (token_.StartedByThisProgram() || token_.IsElevated()) return false;
    // A filtered token exists only while UAC runs, whatever the policy value says until the
    // next restart. A standard user's Default token can still be raised by UAC's credential
    // prompt; with UAC off "runas" starts the copy with the very same token.
    return token_.ElevationKind() == TokenElevationKind::Limited || token_.UacPolicyOn();
  }
  bool RelaunchElevated(const std::string& file, bool useFile,
                        const std::optional<std::string>& parameters) override {
    return token_.RequestElevatedStart(file, useFile, parameters);
  }

 private:
  ProcessToken& token_;
};

}  // namespace lanqi::platform
