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

Elevation& SystemElevation();

}  // namespace lanqi::platform
