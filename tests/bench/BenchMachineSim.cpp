#include "BenchMachine.h"
#include "platform/sim/SimMachine.h"

ulv::TPlatform& BenchPlatform() {
    static ulv::sim::SimMachine machine;
    static ulv::TPlatform platform = [] {
        (void)machine.Files.PutFolder(machine.Files.GetTempPathA());
        return machine.Platform();
    }();
    return platform;
}

const char* BenchMachineName() {
    return "the simulated machine (its files in memory, its collation through sort keys)";
}
