#include "ContractEnv.h"
#include "platform/sim/SimMachine.h"

namespace ulv::contract {

TContractEnv& Env() {
    static sim::SimMachine machine;
    static bool ready = machine.Files.PutFolder("C:\\Scratch");
    static TContractEnv env{machine.Platform(), ready ? "C:\\Scratch\\" : ""};
    return env;
}

const char* AdapterName() { return "sim"; }

} // namespace ulv::contract
