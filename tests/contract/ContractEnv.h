#pragma once
#include "platform/Platform.h"

#include <string>

namespace ulv::contract {

// What a contract case runs against: the ports of one adapter and an empty scratch folder of its own
// (a full path ending in a backslash) that the harness removes afterwards.
struct TContractEnv {
    TPlatform Platform;
    std::string Scratch;
};

TContractEnv& Env();
const char* AdapterName();

} // namespace ulv::contract
