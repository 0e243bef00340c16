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

// The security of one file or folder: its owner's SID text and its access list. The default, no
// owner and a null DACL, is an object anyone may change: what cannot be read is taken as that.
struct ObjectSecurity {
  std::string owner;
  AccessList list;
};

// Where the elevated program lives, as far as its safety goes.
struct ProgramPlace {
  bool remote = false;         // a network path: the server keeps its security, not this PC
  bool persistentAcls = true;  // the volume keeps access lists (FAT32 and exFAT keep none)
  std::vector<ObjectSecurity> folders;  // from the drive's root down to the program's folder
  std::vector<ObjectSecurity> files;    // the exe and the offset file, those that exist
};

// Whether someone with less power than the elevated program could change what it trusts. Only
// SYSTEM, the Administrators group and TrustedInstaller are trusted; every other principal counts,
// the user's own account too: every program that user runs without elevation carries its SID.
// It is so when such a principal
// - may change the program's folder (write or add to it, delete it or what it holds, change its
//   security or owner) or one of its files (write, append, delete, security, owner);
// - owns one of these or a folder above: an owner may always rewrite the access list, unless an
//   OWNER RIGHTS entry (S-1-3-4) says what the owner may, which then counts as the owner's own;
// - may delete or rename a folder above, delete what it holds, or change its security or owner:
//   then the program's folder can be moved away and another put in its place. The right to add
//   to a folder above counts for nothing: a new entry cannot take a name that is taken;
// or when the volume keeps no access lists, or the path is a network one. Entries are evaluated
// in order as the access check does: a right denied before it is allowed stays denied, where the
// deny names the same SID or Everyone (a deny of another group may not hold for every token).
// Inherit-only entries, CREATOR OWNER and CREATOR GROUP (placeholders no token carries) and
// object entries count for nothing; generic rights are mapped to the file rights. Without any
// folder nothing is known, which counts as open.
bool StandardUsersCanChange(const ProgramPlace& place);

}  // namespace lanqi::platform
