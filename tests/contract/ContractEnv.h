#pragma once
#include "platform/Platform.h"

#include <string>
#include <vector>

namespace ulv::contract {

// What a contract case runs against: the ports of one adapter, an empty scratch folder of its own (a full
// path ending in a backslash) and a scratch key path below HKEY_CURRENT_USER (no backslash at either end),
// which the harness removes afterwards.
struct TContractEnv {
    TPlatform Platform;
    std::string Scratch;
    std::string RegistryScratch;
};

TContractEnv& Env();
const char* AdapterName();
// The names of the values of a key below HKEY_CURRENT_USER as the machine stores them, in no promised order;
// the port itself has no enumeration.
std::vector<std::string> RegistryValueNames(const std::string& keyPath);
// A top-level window of the test's own, carrying one window property as a running word processor's window
// does; 0 when it cannot be made. DestroyTopLevelWindow takes it and its properties away again.
WindowHandle MakeTopLevelWindowWithProp(const std::string& name, std::uintptr_t value);
void DestroyTopLevelWindow(WindowHandle window);
// A junction at `link` (a name not yet used, its folder existing) that leads to the folder `target` (a full
// path); false when this machine cannot make one. Wine 8 cannot: it keeps no reparse points.
bool MakeFolderLink(const std::string& link, const std::string& target);
// The process the contract cases run in, as the Restart Manager names it.
std::uint32_t CurrentProcessId();
// Whether the Win32 adapter runs under Wine, whose answers some cases record as they are.
bool UnderWine();
// The full path of the command interpreter, a program present on every machine that "/c exit" ends at once.
std::string CommandInterpreterPath();

} // namespace ulv::contract
