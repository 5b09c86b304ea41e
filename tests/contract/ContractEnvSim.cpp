#include "ContractEnv.h"
#include "platform/sim/SimMachine.h"

namespace ulv::contract {
namespace {

// The drives scripts/lib/wine.sh declares in the Wine prefix, so both adapters face the same machine.
bool DeclareDrives(sim::SimMachine& machine) {
    machine.Volumes.SetDrive({.Letter = 'R',
                              .Type = kDriveRemovable,
                              .BusType = kBusTypeUsb,
                              .RemovableMedia = true,
                              .Label = "CLE USB"});
    machine.Volumes.SetDrive({.Letter = 'O',
                              .Type = kDriveCdrom,
                              .BusType = kBusTypeAtapi,
                              .RemovableMedia = true,
                              .Label = "CDROM"});
    machine.Volumes.SetDrive({.Letter = 'F', .Type = kDriveFixed, .Label = "DONNEES"});
    return machine.Files.PutFolder("C:\\Scratch");
}

sim::SimMachine& Machine() {
    static sim::SimMachine machine;
    return machine;
}

} // namespace

TContractEnv& Env() {
    static bool ready = DeclareDrives(Machine());
    static TContractEnv env{Machine().Platform(), ready ? "C:\\Scratch\\" : "",
                            "Software\\UlvaraContract-sim"};
    return env;
}

std::vector<std::string> RegistryValueNames(const std::string& keyPath) {
    return Machine().Registry.ValueNames(kHkeyCurrentUser, keyPath);
}

const char* AdapterName() {
    return "sim";
}

} // namespace ulv::contract
