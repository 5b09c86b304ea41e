// The entry in the system's list of installed programs: the word processor removes itself when started
// with "-ui".
#include "wizard/UninstallEntry.h"
#include "platform/Registry.h"
#include "utils/InstUtils.h"
#include "utils/RegistryAccess.h"
#include "wizard/Installation.h"

namespace ulv {
namespace {

constexpr std::string_view kPublisher = ULVARA_PUBLISHER;
constexpr std::string_view kUninstallArgument = " -ui";

TRegistryValue Text(std::string_view name, std::string text) {
    return TRegistryValue{name, kRegSz, std::move(text), 0};
}

} // namespace

std::vector<TRegistryValue> UninstallValues(const std::string& mainDir, std::int32_t sizeKB) {
    std::string program = JoinPath(mainDir, kProgramName);
    return {
        Text("DisplayIcon", program),
        Text("DisplayName", std::string(kProductName)),
        Text("DisplayVersion", std::string(kProductVersion)),
        TRegistryValue{kEstimatedSizeValue, kRegDword, {}, sizeKB},
        Text("Publisher", std::string(kPublisher)),
        Text("UninstallString", "\"" + program + "\"" + std::string(kUninstallArgument)),
    };
}

// The install key's values are written by then: without the right to write below HKEY_LOCAL_MACHINE (a
// user without administrator rights) the entry is simply missing.
void TInstallation::WriteUninstallEntry(TRegistryAccess& registry) {
    registry.SetRootKey(kHkeyLocalMachine);
    registry.OpenKey(std::string(kUninstallKey));
    WriteValues(registry, UninstallValues(Target.MainDir, Utils.InstalledSizeKB(Target.MainDir)));
}

} // namespace ulv
