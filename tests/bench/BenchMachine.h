#pragma once
#include "platform/Platform.h"

// The machine a bench runs on: the simulated one natively, the real one on Windows (or under Wine).
ulv::TPlatform& BenchPlatform();
const char* BenchMachineName();
