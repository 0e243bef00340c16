#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lanqi::platform {

// One entry of a discretionary access list, as the system keeps it: the SID in its string form
// ("S-1-5-32-545") and the access mask with generic rights possibly still in it.
struct AccessEntry {
  enum class Kind { kAllow, kDeny, kOther };
  Kind kind = Kind::kOther;
  bool inheritOnly = false;  // applies to children only, not to the object itself
  std::uint32_t mask = 0;
  std::string sid;
};

// The access list of a file or folder; nullopt stands for a null DACL, which grants everything
// to everyone (an empty list grants nothing).
using AccessList = std::optional<std::vector<AccessEntry>>;

// Whether the rights any standard user holds to a file or folder, through the groups every
// interactive user's token carries (Everyone, Users, Authenticated Users, INTERACTIVE, LOCAL,
// CONSOLE LOGON, This Organization, Local account), let that user change the object: write or
// append to it (for a folder: add a file or a subfolder), delete it, change its security or its
// owner, and for a folder delete what is in it. The list is evaluated in its order as the access
// check does: a right denied before it is allowed stays denied. Generic rights are mapped to the
// file rights; entries of kOther (object entries, which files do not use) count for nothing.
bool StandardUsersCanChange(const AccessList& list, bool isFolder);

}  // namespace lanqi::platform
