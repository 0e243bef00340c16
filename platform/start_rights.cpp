#include "platform/start_rights.hpp"

namespace lanqi::platform {

namespace {

bool IsAdministrator(const TokenFacts& token) {
  return token.isNTAdmin && token.administratorsInForce;
}

bool ElevationCanRaiseRights(const TokenFacts& token) {
  if (token.startedByThisProgram || token.elevated) return false;
  // A filtered token exists only while UAC runs, whatever the policy value says until the next
  // restart. A standard user's Default token can still be raised by UAC's credential prompt;
  // with UAC off "runas" starts the copy with the very same token.
  return token.kind == TokenElevationKind::Limited || token.uacPolicyOn;
}

}  // namespace

StartRights DecideStartRights(const TokenFacts& token) {
  if (IsAdministrator(token)) return StartRights::Run;
  return ElevationCanRaiseRights(token) ? StartRights::AskForElevatedCopy
                                        : StartRights::ShowRightsMessage;
}

}  // namespace lanqi::platform
