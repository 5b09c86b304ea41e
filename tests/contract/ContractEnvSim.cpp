#include "ContractEnv.h"
#include "platform/sim/SimMachine.h"

namespace ulv::contract {
namespace {

constexpr const char* kCommandInterpreter = "C:\\windows\\system32\\cmd.exe";

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
    return machine.Files.PutFolder("C:\\Scratch") && machine.Files.PutFile(kCommandInterpreter, "MZ");
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

WindowHandle MakeTopLevelWindowWithProp(const std::string& name, std::uintptr_t value) {
    return Machine().System.AddTopLevelWindow({{name, value}});
}

void DestroyTopLevelWindow(WindowHandle window) {
    Machine().System.RemoveWindow(window);
}

bool MakeFolderLink(const std::string& link, const std::string& target) {
    return Machine().Files.PutFolderLink(link, target);
}

std::string CommandInterpreterPath() {
    Env();
    return kCommandInterpreter;
}

std::uint32_t CurrentProcessId() {
    return Machine().RestartManager.OwnProcess.ProcessId;
}

bool UnderWine() {
    return false;
}

const char* AdapterName() {
    return "sim";
}

} // namespace ulv::contract
