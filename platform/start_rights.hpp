#pragma once
#include "platform/elevation.hpp"

namespace lanqi::platform {

// What a start does about its rights: run, hand over to an elevated copy, or tell the user.
enum class StartRights { Run, AskForElevatedCopy, ShowRightsMessage };

// The start runs only as an administrator: one whom IsNTAdmin calls so and whose Administrators
// group is in force (an administrator's normal start under UAC gets a filtered token whose group
// is deny-only; what IsNTAdmin answers for that token is not documented). Anything less asks for
// an elevated copy, unless asking cannot raise the rights: this process is itself such a copy,
// its token is elevated already, or the system has no UAC to raise it. A copy asked for then
// would start without rights too, ask again, and so on for ever, so the user is told instead.
StartRights DecideStartRights(const TokenFacts& token);

}  // namespace lanqi::platform
