#pragma once
#include "Clock.h"
#include "Drives.h"
#include "Files.h"
#include "Registry.h"
#include "RestartManager.h"
#include "Shell.h"
#include "System.h"

namespace ulv {

// The ports the program gets once at start-up and passes down. Each adapter (Win32, simulated machine)
// provides all of them.
struct TPlatform {
    IFiles& Files;
    IClock& Clock;
    ISystem& System;
    IModule& Module;
    IDrives& Drives;
    IShell& Shell;
    IText& Text;
    IRegistry& Registry;
    IRestartManager& RestartManager;
};

} // namespace ulv
