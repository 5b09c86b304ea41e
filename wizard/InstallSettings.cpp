// Reading and storing the choices of the last installation; the window shows them and reads them back.
#include "engine/AttachFiles.h"
#include "platform/Registry.h"
#include "utils/InstUtils.h"
#include "utils/RegistryAccess.h"
#include "wizard/MainDlg.h"
#include "wizard/SetupSwitches.h"

namespace ulv {
namespace {

constexpr std::string_view kDestinationSwitch = "-d";
constexpr std::array<char, 4> kAssociationLetters = {'A', 'B', 'C', 'D'};

std::optional<std::string> ReadStoredString(TRegistryAccess& registry, std::string_view name) {
    std::string value(name);
    if (!registry.ValueExists(value)) return std::nullopt;
    return registry.ReadString(value);
}

// A value too long to be an integer reads as missing.
std::optional<std::int32_t> ReadStoredInteger(TRegistryAccess& registry, std::string_view name) {
    std::string value(name);
    if (!registry.ValueExists(value)) return std::nullopt;
    return registry.ReadInteger(value);
}

std::optional<bool> ReadStoredBool(TRegistryAccess& registry, std::string_view name) {
    std::string value(name);
    if (!registry.ValueExists(value)) return std::nullopt;
    return registry.ReadBool(value);
}

// The stored value, or the fallback; `present` tells which.
template <typename T> T TakeStored(std::optional<T> stored, T fallback, bool& present) {
    present = stored.has_value();
    return stored ? std::move(*stored) : std::move(fallback);
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

std::uint8_t InstalledComponents(std::uint32_t components) {
    constexpr std::uint32_t kCatalogue = (1u << kComponentCount) - 1;
    return static_cast<std::uint8_t>((components & kCatalogue) | 1u);
}

void MakeSettingsKeys(TRegistryAccess& registry) {
    registry.OpenKey(std::string(kInstallKey));
    registry.OpenKey(std::string(kInternalKey));
    registry.CloseKey();
}

TStoredSettings ReadStoredSettings(TRegistryAccess& registry, TInstUtils& utils, bool createKeys) {
    auto open = [&registry, createKeys](std::string_view key) {
        return createKeys ? registry.OpenKey(std::string(key)) : registry.OpenExistingKey(std::string(key));
    };
    TStoredSettings stored;
    TInstallChoices& choices = stored.Choices;
    TOptions& options = choices.Options;
    TStoredPresence& present = stored.Present;
    open(kInstallKey);
    options.MainDir = ReadStoredString(registry, kMainDirValue).value_or("");
    present.MainDir = !options.MainDir.empty() && utils.IsExistingDirectory(options.MainDir);
    if (!present.MainDir)
        options.MainDir = JoinPath(utils.GetSpecialFolder(kCsidlProgramFiles), kProductFolderName);
    options.Components =
        static_cast<std::uint32_t>(TakeStored(ReadStoredInteger(registry, kComponentsValue),
                                              static_cast<std::int32_t>(kAllComponents), present.Components));
    choices.InstallToAll =
        TakeStored(ReadStoredBool(registry, kInstallToAllValue), true, present.InstallToAll);
    choices.DesktopShortcut =
        TakeStored(ReadStoredBool(registry, kDesktopShortcutValue), true, present.DesktopShortcut);
    choices.Launch = TakeStored(ReadStoredBool(registry, kLaunchValue), true, present.Launch);
    options.Extensions = TakeStored(ReadStoredString(registry, kExtensionsValue),
                                    std::string(kDefaultExtensions), present.Extensions);
    open(kInternalKey);
    stored.LastRunVersion = ReadStoredInteger(registry, kLastRunVersionValue).value_or(kNoLastRunVersion);
    registry.CloseKey();
    return stored;
}

void WriteValues(TRegistryAccess& registry, const std::vector<TRegistryValue>& values) {
    for (const TRegistryValue& value : values) {
        if (value.Type == kRegDword)
            registry.WriteInteger(std::string(value.Name), value.Number);
        else
            registry.WriteString(std::string(value.Name), value.Text);
    }
}

std::vector<TRegistryValue> ChoiceValues(const TInstallChoices& choices) {
    auto text = [](std::string_view name, std::string value) {
        return TRegistryValue{name, kRegSz, std::move(value), 0};
    };
    auto number = [](std::string_view name, std::int32_t value) {
        return TRegistryValue{name, kRegDword, {}, value};
    };
    return {
        text(kMainDirValue, choices.Options.MainDir),
        number(kComponentsValue, static_cast<std::int32_t>(choices.Options.Components)),
        number(kInstallToAllValue, choices.InstallToAll ? 1 : 0),
        number(kDesktopShortcutValue, choices.DesktopShortcut ? 1 : 0),
        text(kExtensionsValue, choices.Options.Extensions),
        number(kLaunchValue, choices.Launch ? 1 : 0),
    };
}

void StoreChoices(TRegistryAccess& registry, const TInstallChoices& choices) {
    registry.OpenKey(std::string(kInstallKey));
    WriteValues(registry, ChoiceValues(choices));
}

void TMainDlgForm::ReadInstallSettings() {
    Installation.ReadInstallSettings();
    ShowChoices();
}

// The pages as the choices have them.
void TMainDlgForm::ShowChoices() {
    const TInstallChoices& choices = Installation.Choices;
    FillComponentList();
    InstallToAllChkBx.SetChecked(choices.InstallToAll);
    DesktopChkBx.SetChecked(choices.DesktopShortcut);
    FinishChkBx.SetChecked(choices.Launch);
    DestDirEdt.SetText(choices.Options.MainDir);
    FolderList.SetFolder(choices.Options.MainDir);
}

void TMainDlgForm::FillComponentList() {
    SelCompLstBx.ClearItems();
    CompIndexList.clear();
    for (int n = 0; n < kComponentCount; ++n) {
        CompIndexList.push_back(static_cast<std::uint8_t>(n));
        SelCompLstBx.AddItem(std::string(kComponentNames[static_cast<std::size_t>(n)]));
        SelCompLstBx.SetChecked(n, (Installation.Options.Components >> n & 1u) != 0);
    }
    // The word processor itself is always installed.
    SelCompLstBx.SetState(0, TCheckState::Grayed);
    SelCompLstBx.SetItemIndex(1);
}

std::optional<std::uint8_t> TMainDlgForm::ItemComponent(int item) const {
    if (item < 0 || item >= static_cast<int>(CompIndexList.size())) return std::nullopt;
    return CompIndexList[static_cast<std::size_t>(item)];
}

std::array<TCheckState, kComponentCount> TMainDlgForm::ComponentStates() const {
    std::array<TCheckState, kComponentCount> states{};
    for (int item = 0; item < SelCompLstBx.Count(); ++item)
        if (std::optional<std::uint8_t> component = ItemComponent(item);
            component && *component < kComponentCount)
            states[*component] = SelCompLstBx.State(item);
    return states;
}

// What the pages up to the start of the installation let the person choose, read once as it starts. The
// destination is taken as the destination page is left, the associations and the launch on their pages.
void TMainDlgForm::TakeChoicesFromPages() {
    TInstallChoices& choices = Installation.Choices;
    // A list that does not show every component leaves the stored set as it was.
    if (CompIndexList.size() == kComponentCount)
        choices.Options.Components = StoredComponents(choices.Options.Components, ComponentStates());
    choices.InstallToAll = InstallToAllChkBx.Checked();
    choices.DesktopShortcut = DesktopChkBx.Checked();
}

// A window closed on the finish page stores the launch as its box says it.
void TMainDlgForm::SaveInstallSettings() {
    if (PgCtrl.ActivePage() == &FinishTabSheet) Installation.Choices.Launch = FinishChkBx.Checked();
    Installation.SaveInstallSettings();
}

} // namespace ulv
