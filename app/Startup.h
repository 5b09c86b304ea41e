#pragma once
#include "platform/Platform.h"

#include <string>
#include <string_view>
#include <vector>

namespace ulv {

enum TExitCode : int {
    kExitDone = 0,
    kExitOldWindows = 1,
    kExitDamagedSetup = 2,
    kExitUnexpectedFailure = 3,
};

// Windows 2000 or later of the NT line.
[[nodiscard]] bool IsSupportedWindows(ISystem& system);

// The program's parameters, without its name: blanks (any character up to the space) separate them, double
// quotes group blanks into one and are dropped.
[[nodiscard]] std::vector<std::string> ProgramParams(std::string_view commandLine);

// Marks the end of a phase of the start-up (a bench's trace); it may be called from any thread.
using TStartupTrace = void (*)(const char* phase);

// The program entry's work, from the Windows check to the end of the run.
int RunSetup(TPlatform& platform, std::string_view commandLine, TStartupTrace trace = nullptr);

} // namespace ulv
