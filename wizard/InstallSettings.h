#pragma once
// The choices kept between runs in the current user's registry, the uninstall entry, and the pure rules the
// window applies to them.
#include "platform/ui/Controls.h"
#include "resources/ResConst.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ulv {

// Every component checked, bits 7 to 31 included.
constexpr std::uint32_t kAllComponents = 0x7FFFFFFF;
// What the word processor's last-run version reads as when it never recorded one.
constexpr std::int32_t kNoLastRunVersion = 2147483647;

inline constexpr std::string_view kInstallKey = "Software\\Ulvara Word Processor\\Install";
// The leading backslash opens it from the root, not below the install key.
inline constexpr std::string_view kInternalKey = "\\Software\\Ulvara Word Processor\\Internal";
inline constexpr std::string_view kMainDirValue = "MAINDIR";
inline constexpr std::string_view kComponentsValue = "COMPS_FR (3.1.1)";
inline constexpr std::string_view kInstallToAllValue = "INSTALLTOALL";
inline constexpr std::string_view kDesktopShortcutValue = "DSKSHORTCUT";
inline constexpr std::string_view kExtensionsValue = "EXTENSIONS";
inline constexpr std::string_view kLaunchValue = "LAUNCH";
inline constexpr std::string_view kLastRunVersionValue = "LastRunVer";
inline constexpr std::string_view kDefaultExtensions = "B";

inline constexpr std::string_view kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ulvara Word Processor";

// The destination folder, the stored component set and the association letters.
struct TOptions {
    std::string MainDir;
    std::uint32_t Components = kAllComponents;
    std::string Extensions;
    bool operator==(const TOptions&) const = default;
};

// What the person chooses for an installation: read from the stored settings (and the "-d" switch), shown
// by the pages and read back from them, stored at the end.
struct TInstallChoices {
    TOptions Options;
    // The shortcuts for every user of the computer rather than the current one.
    bool InstallToAll = true;
    bool DesktopShortcut = true;
    // The word processor starts once the wizard is finished.
    bool Launch = true;
    bool operator==(const TInstallChoices&) const = default;
};

// Which choices come from the install key rather than from the wizard's defaults: a value counts when it
// could be read, the destination only while it is an existing folder.
struct TStoredPresence {
    bool MainDir = false;
    bool Components = false;
    bool InstallToAll = false;
    bool DesktopShortcut = false;
    bool Extensions = false;
    bool Launch = false;
    bool operator==(const TStoredPresence&) const = default;
};

// The choices as the last installation stored them, and what the word processor last recorded.
struct TStoredSettings {
    TInstallChoices Choices;
    std::int32_t LastRunVersion = kNoLastRunVersion;
    TStoredPresence Present;
};

class TRegistryAccess;
class TInstUtils;

// One value the installation writes.
struct TRegistryValue {
    std::string_view Name;
    std::uint32_t Type = 0; // REG_SZ or REG_DWORD
    std::string Text;
    std::int32_t Number = 0;
};

// Writes the values into the open key, in order.
void WriteValues(TRegistryAccess& registry, const std::vector<TRegistryValue>& values);

// Reads the install key and the internal key (both created as they are opened, unless `createKeys` is
// false). A stored destination that is not an existing folder gives way to the product's folder in the
// program files. The switches ("-d" and /DIR= among them) go over it all in one place: ApplySwitches.
[[nodiscard]] TStoredSettings ReadStoredSettings(TRegistryAccess& registry, TInstUtils& utils,
                                                 bool createKeys = true);
// Makes the two keys ReadStoredSettings makes as it reads.
void MakeSettingsKeys(TRegistryAccess& registry);
// The install key's values for the choices, in the order they have always been written.
[[nodiscard]] std::vector<TRegistryValue> ChoiceValues(const TInstallChoices& choices);
// Writes the choices to the install key.
void StoreChoices(TRegistryAccess& registry, const TInstallChoices& choices);

// The components an installation writes, bit n for component n: those whose bit the stored set has, and the
// word processor itself whatever the set says.
[[nodiscard]] std::uint8_t InstalledComponents(std::uint32_t components);

// The folder given by a first parameter "-d<folder>" (case-sensitive, taken as it stands, "-d" alone giving
// an empty folder); nullopt when there is no such switch.
[[nodiscard]] std::optional<std::string> DestinationSwitch(const std::vector<std::string>& params);

// The set to store: bit n from whether list item n is checked (a locked item stores 0), bits 7 to 31 as
// they were.
[[nodiscard]] std::uint32_t StoredComponents(std::uint32_t previous,
                                             const std::array<TCheckState, kComponentCount>& items);

// The association boxes A to D, each checked when its letter occurs in the letters (case-sensitive).
[[nodiscard]] std::array<bool, 4> AssociationBoxes(std::string_view extensions);
// The letters of the checked boxes, in the order A, B, C, D.
[[nodiscard]] std::string ExtensionsOf(const std::array<bool, 4>& boxes);

} // namespace ulv
