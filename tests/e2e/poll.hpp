#pragma once
// The end-to-end tests' deadlines; the waits themselves are the tests' common ones.
#include "tests/support/poll.hpp"

namespace lanqi::e2e {

using testing::kPollInterval;
using testing::Milliseconds;
using testing::PollFor;
using testing::PollUntil;

// Generous bounds: a Wine process start costs about a second on an idle machine and several
// on a loaded one.
inline constexpr Milliseconds kStartDeadline{30000};
inline constexpr Milliseconds kStateDeadline{10000};

}  // namespace lanqi::e2e
