// Reading and storing the choices of the last installation, on the window that shows them.
#include "engine/AttachFiles.h"
#include "platform/Registry.h"
#include "utils/InstUtils.h"
#include "utils/RegistryAccess.h"
#include "wizard/MainDlg.h"

namespace ulv {
namespace {

constexpr std::string_view kDestinationSwitch = "-d";
constexpr std::array<char, 4> kAssociationLetters = {'A', 'B', 'C', 'D'};

std::string ReadStringOr(TRegistryAccess& registry, std::string_view name, std::string_view fallback) {
    std::string value(name);
    return registry.ValueExists(value) ? registry.ReadString(value) : std::string(fallback);
}

// A value too long to be an integer reads as missing.
std::int32_t ReadIntegerOr(TRegistryAccess& registry, std::string_view name, std::int32_t fallback) {
    std::string value(name);
    if (!registry.ValueExists(value)) return fallback;
    return registry.ReadInteger(value).value_or(fallback);
}

bool ReadBoolOr(TRegistryAccess& registry, std::string_view name, bool fallback) {
    std::string value(name);
    if (!registry.ValueExists(value)) return fallback;
    return registry.ReadBool(value).value_or(fallback);
}

} // namespace

std::optional<std::string> DestinationSwitch(const std::vector<std::string>& params) {
    if (params.empty() || !params.front().starts_with(kDestinationSwitch)) return std::nullopt;
    return params.front().substr(kDestinationSwitch.size());
}

std::uint32_t StoredComponents(std::uint32_t previous,
                               const std::array<TCheckState, kComponentCount>& items) {
    std::uint32_t set = previous;
    for (int n = 0; n < kComponentCount; ++n) {
        std::uint32_t bit = 1u << n;
        set = items[static_cast<std::size_t>(n)] == TCheckState::Checked ? set | bit : set & ~bit;
    }
    return set;
}

std::array<bool, 4> AssociationBoxes(std::string_view extensions) {
    std::array<bool, 4> boxes{};
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i] = extensions.find(kAssociationLetters[i]) != std::string_view::npos;
    return boxes;
}

std::string ExtensionsOf(const std::array<bool, 4>& boxes) {
    std::string letters;
    for (std::size_t i = 0; i < boxes.size(); ++i)
        if (boxes[i]) letters += kAssociationLetters[i];
    return letters;
}

void TMainDlgForm::ReadInstallSettings(const std::vector<std::string>& params) {
    TRegistryAccess registry(Platform.Registry);
    registry.OpenKey(std::string(kInstallKey));
    Options.MainDir = ReadStringOr(registry, kMainDirValue, "");
    if (Options.MainDir.empty() || !Utils.IsExistingDirectory(Options.MainDir))
        Options.MainDir = JoinPath(Utils.GetSpecialFolder(kCsidlProgramFiles), kProductFolderName);
    if (std::optional<std::string> folder = DestinationSwitch(params)) Options.MainDir = *folder;
    Options.Components = static_cast<std::uint32_t>(
        ReadIntegerOr(registry, kComponentsValue, static_cast<std::int32_t>(kAllComponents)));
    FillComponentList();
    InstallToAllChkBx.SetChecked(ReadBoolOr(registry, kInstallToAllValue, true));
    DesktopChkBx.SetChecked(ReadBoolOr(registry, kDesktopShortcutValue, true));
    FinishChkBx.SetChecked(ReadBoolOr(registry, kLaunchValue, true));
    Options.Extensions = ReadStringOr(registry, kExtensionsValue, kDefaultExtensions);
    registry.OpenKey(std::string(kInternalKey));
    LastRunVersion = ReadIntegerOr(registry, kLastRunVersionValue, kNoLastRunVersion);
    registry.CloseKey();
    DestDirEdt.SetText(Options.MainDir);
    FolderList.SetFolder(Options.MainDir);
}

void TMainDlgForm::FillComponentList() {
    SelCompLstBx.ClearItems();
    CompIndexList.clear();
    for (int n = 0; n < kComponentCount; ++n) {
        CompIndexList.push_back(static_cast<std::uint8_t>(n));
        SelCompLstBx.AddItem(std::string(kComponentNames[static_cast<std::size_t>(n)]));
        SelCompLstBx.SetChecked(n, (Options.Components >> n & 1u) != 0);
    }
    // The word processor itself is always installed.
    SelCompLstBx.SetState(0, TCheckState::Grayed);
    SelCompLstBx.SetItemIndex(1);
}

void TMainDlgForm::SaveInstallSettings() {
    TRegistryAccess registry(Platform.Registry);
    registry.OpenKey(std::string(kInstallKey));
    registry.WriteString(std::string(kMainDirValue), Options.MainDir);
    if (SelCompLstBx.Count() == kComponentCount) {
        std::array<TCheckState, kComponentCount> items{};
        for (int n = 0; n < kComponentCount; ++n)
            items[static_cast<std::size_t>(n)] = SelCompLstBx.State(n);
        Options.Components = StoredComponents(Options.Components, items);
    }
    registry.WriteInteger(std::string(kComponentsValue), static_cast<std::int32_t>(Options.Components));
    registry.WriteBool(std::string(kInstallToAllValue), InstallToAllChkBx.Checked());
    registry.WriteBool(std::string(kDesktopShortcutValue), DesktopChkBx.Checked());
    registry.WriteString(std::string(kExtensionsValue), Options.Extensions);
    registry.WriteBool(std::string(kLaunchValue), FinishChkBx.Checked());
    if (!IsPortableDestination()) WriteUninstallEntry(registry);
    registry.CloseKey();
}

bool TMainDlgForm::IsPortableDestination() {
    return Utils.IsPortableDrive(Options.MainDir);
}

} // namespace ulv
