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
  // Asks the system to start `file` (or, when useFile is false or file is empty, this program's
  // own executable) with administrator rights ("runas"), passing `parameters` when given.
  // true when the request was carried out; a declined prompt gives false.
  virtual bool RelaunchElevated(const std::string& file, bool useFile,
                                const std::optional<std::string>& parameters) = 0;
};

// What the system says about the process's token, and the elevation request itself.
class ProcessToken {
 public:
  virtual ~ProcessToken() = default;
  // IsNTAdmin of advpack.dll answers non-zero.
  virtual bool IsNTAdminSaysAdministrator() = 0;
  // The Administrators group is enabled in the token (CheckTokenMembership), not merely present
  // as a deny-only group.
  virtual bool AdministratorsGroupInForce() = 0;
  // The "runas" start of Elevation::RelaunchElevated.
  virtual bool RequestElevatedStart(const std::string& file, bool useFile,
                                    const std::optional<std::string>& parameters) = 0;
};

// The rights decision over a token. An administrator's normal start under UAC gets a filtered
// token whose Administrators group is deny-only; what IsNTAdmin answers for that token is not
// documented. Only a token where both agree can set the clock, write HKLM and the program's
// folder, so anything less asks for the elevated copy.
class TokenElevation final : public Elevation {
 public:
  explicit TokenElevation(ProcessToken& token) : token_(token) {}
  bool IsAdministrator() override {
    return token_.IsNTAdminSaysAdministrator() && token_.AdministratorsGroupInForce();
  }
  bool RelaunchElevated(const std::string& file, bool useFile,
                        const std::optional<std::string>& parameters) override {
    return token_.RequestElevatedStart(file, useFile, parameters);
  }

 private:
  ProcessToken& token_;
};

}  // namespace lanqi::platform
