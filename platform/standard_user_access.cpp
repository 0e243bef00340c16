#include "platform/standard_user_access.hpp"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/file_rights.hpp"

namespace lanqi::platform {
namespace {

using namespace file_rights;

// What changes a file; a folder also by deleting what it holds.
constexpr std::uint32_t kChangesFile = kWriteData | kAppendData | kDelete | kWriteDac | kWriteOwner;
constexpr std::uint32_t kChangesFolder = kChangesFile | kDeleteChild;
// What lets a folder above the program's be moved away or emptied, or its security rewritten.
constexpr std::uint32_t kReplacesBelow = kDelete | kDeleteChild | kWriteDac | kWriteOwner;

constexpr std::array<std::string_view, 3> kTrusted = {
    "S-1-5-18",                                                        // SYSTEM
    "S-1-5-32-544",                                                    // BUILTIN\Administrators
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",  // TrustedInstaller
};
constexpr std::string_view kEveryone = "S-1-1-0";
constexpr std::string_view kCreatorOwner = "S-1-3-0";
constexpr std::string_view kCreatorGroup = "S-1-3-1";
constexpr std::string_view kOwnerRights = "S-1-3-4";

std::uint32_t MapGeneric(std::uint32_t mask) {
  std::uint32_t mapped = mask & 0x0FFFFFFF;
  if (mask & kGenericRead) mapped |= kFileGenericRead;
  if (mask & kGenericWrite) mapped |= kFileGenericWrite;
  if (mask & kGenericExecute) mapped |= kFileGenericExecute;
  if (mask & kGenericAll) mapped |= kFileAllAccess;
  return mapped;
}

bool Trusted(std::string_view sid) {
  return std::find(kTrusted.begin(), kTrusted.end(), sid) != kTrusted.end();
}

// The rights that principals other than the trusted ones hold to the object.
std::uint32_t UntrustedRights(const ObjectSecurity& object) {
  if (!object.list) return kFileAllAccess;
  const bool ownerTrusted = Trusted(object.owner);
  bool ownerRightsListed = false;
  std::uint32_t granted = 0;
  std::vector<std::pair<std::string_view, std::uint32_t>> denied;  // by SID, in list order
  auto deniedTo = [&](std::string_view sid) {
    std::uint32_t rights = 0;
    for (const auto& [deniedSid, mask] : denied) {
      if (deniedSid == sid || deniedSid == kEveryone) rights |= mask;
    }
    return rights;
  };
  for (const AccessEntry& entry : *object.list) {
    if (entry.inheritOnly || entry.kind == AccessEntry::Kind::kOther ||
        entry.sid == kCreatorOwner || entry.sid == kCreatorGroup) {
      continue;
    }
    const bool forOwner = entry.sid == kOwnerRights;
    ownerRightsListed = ownerRightsListed || forOwner;
    if (forOwner ? ownerTrusted : Trusted(entry.sid)) continue;
    const std::uint32_t mask = MapGeneric(entry.mask);
    if (entry.kind == AccessEntry::Kind::kDeny) {
      denied.emplace_back(entry.sid, mask);
    } else {
      granted |= mask & ~deniedTo(entry.sid);
    }
  }
  // The owner's own rights, which no deny takes away; an OWNER RIGHTS entry replaces them.
  if (!ownerTrusted && !ownerRightsListed) granted |= kReadControl | kWriteDac;
  return granted;
}

}  // namespace

bool StandardUsersCanChange(const ProgramPlace& place) {
  if (place.remote || !place.persistentAcls || place.folders.empty()) return true;
  if (UntrustedRights(place.folders.back()) & kChangesFolder) return true;
  const bool fileOpen = std::any_of(place.files.begin(), place.files.end(), [](const auto& file) {
    return (UntrustedRights(file) & kChangesFile) != 0;
  });
  const bool aboveOpen = std::any_of(
      place.folders.begin(), place.folders.end() - 1,
      [](const auto& folder) { return (UntrustedRights(folder) & kReplacesBelow) != 0; });
  return fileOpen || aboveOpen;
}

}  // namespace lanqi::platform
