#pragma once
#include "SimChanges.h"
#include "SimClock.h"
#include "SimDrives.h"
#include "SimFiles.h"
#include "SimRegistry.h"
#include "SimRestartManager.h"
#include "SimShell.h"
#include "SimSystem.h"
#include "SimText.h"
#include "SimVolumes.h"
#include "platform/Platform.h"

namespace ulv::sim {

// A whole simulated Windows machine; Platform() hands its ports to the program as the Win32 adapter would.
// Tests shape it through its members: Volumes (drives and shares), Files (tree, current directory,
// temporary path, faults), Shell (special folders, COM), Clock, System, Module, Registry, RestartManager (who
// holds a file).
class SimMachine {
public:
    SimMachine()
        : Files(Clock, Volumes), System(Files), Drives(Volumes, Files), Shell(Files), RestartManager(Files) {
        Files.AttachChanges(Changes);
        Registry.AttachChanges(Changes);
    }
    SimMachine(const SimMachine&) = delete;
    SimMachine& operator=(const SimMachine&) = delete;

    [[nodiscard]] TPlatform Platform() {
        return TPlatform{Files, Clock, System, Module, Drives, Shell, Text, Registry, RestartManager};
    }

    SimChanges Changes;
    SimClock Clock;
    SimVolumes Volumes;
    SimFiles Files;
    SimSystem System;
    SimModule Module;
    SimDrives Drives;
    SimShell Shell;
    SimText Text;
    SimRegistry Registry;
    SimRestartManager RestartManager;
};

} // namespace ulv::sim
