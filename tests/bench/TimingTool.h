#pragma once
// What the tools that time an installer through its windows share: their exit statuses, how long a step may
// take, and how often they look.
#include "tests/support/Win32Windows.h"

#include <windows.h>

namespace ulv::bench {

inline constexpr int kExitMeasured = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr DWORD kStepTimeoutMs = 60000;
// The measured wait polls well below the wizard's own 100 ms progress timer, and no more often: every poll
// is a round trip through the wineserver, which the installation needs too, and a poll that lands inside a
// page switch slows the switch under Wine.
inline constexpr DWORD kMeasurePollMs = 10;
inline constexpr DWORD kWalkPollMs = 20;

template <typename Done> bool PollUntil(DWORD pollMs, Done done) {
    return ulv::test::PollUntil(kStepTimeoutMs, pollMs, done);
}

} // namespace ulv::bench
