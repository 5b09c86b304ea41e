#pragma once
#include "SimClock.h"
#include "SimFiles.h"
#include "SimSystem.h"
#include "platform/Platform.h"

namespace ulv::sim {

// A whole simulated Windows machine; Platform() hands its ports to the program as the Win32 adapter would.
class SimMachine {
public:
    SimMachine() : Files(Clock) {}
    SimMachine(const SimMachine&) = delete;
    SimMachine& operator=(const SimMachine&) = delete;

    [[nodiscard]] TPlatform Platform() { return TPlatform{Files, Clock, System, Module}; }

    SimClock Clock;
    SimFiles Files;
    SimSystem System;
    SimModule Module;
};

} // namespace ulv::sim
