#pragma once
#include "platform/Platform.h"

#include <string>
#include <string_view>
#include <vector>

namespace ulv {

// What the process returns. Deployment tools (configuration managers, winget) read the codes Windows
// Installer uses; 1 to 3 are older than the unattended run and keep their values.
enum TExitCode : int {
    kExitDone = 0,
    kExitOldWindows = 1,
    kExitDamagedSetup = 2,
    kExitUnexpectedFailure = 3,
    // ERROR_SHARING_VIOLATION, the nearest system meaning of "the word processor is running" (winget's
    // packageInUse).
    kExitWordProcessorRunning = 32,
    // ERROR_INVALID_PARAMETER: an unattended run refused its switches before writing anything.
    kExitBadSwitch = 87,
    // ERROR_INSTALL_USEREXIT: cancelled by the person, or the licence declined.
    kExitCancelled = 1602,
    // ERROR_INSTALL_FAILURE: failed, or abandoned after a failure.
    kExitInstallFailed = 1603,
    // ERROR_INSTALL_LOG_FAILURE: the log asked for with /LOG= cannot be written.
    kExitLogFailure = 1622,
    // ERROR_INSTALL_ALREADY_RUNNING: another copy of the setup is running.
    kExitAnotherSetupRunning = 1618,
    // ERROR_UNKNOWN_PRODUCT: /VERIFY found no installation recorded.
    kExitNotInstalled = 1605,
    // ERROR_BAD_CONFIGURATION: /VERIFY found the recorded installation not whole.
    kExitNotWhole = 1610,
};

// The mutex a running setup holds. In the machine's namespace: the danger is two installations writing the
// same program folder and machine-wide keys, and a copy started by another user (fast user switching, a
// terminal server) does that as surely as one of the same session. A mutex needs no privilege there (a
// file mapping would need SeCreateGlobalPrivilege). Every version of the setup uses this name, as they all
// write the same places.
inline constexpr std::string_view kSetupInstanceName = "Global\\Ulvara Word Processor Setup";

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
