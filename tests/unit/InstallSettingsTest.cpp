#include "wizard/InstallSettings.h"
#include "platform/sim/ui/HeadlessUi.h"
#include "tests/unit/WizardFixture.h"

#include <cstring>

namespace ulv::test {
namespace {

const std::string kInstall = "Software\\Ulvara Word Processor\\Install";
const std::string kInternal = "Software\\Ulvara Word Processor\\Internal";
const std::string kUninstall =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ulvara Word Processor";

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::vector<std::uint8_t> Dword(std::uint32_t value) {
    std::vector<std::uint8_t> bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

class InstallSettings : public WizardTest {
protected:
    void SetUp() override {
        headless::ClearMessages();
        ASSERT_TRUE(AttachedFiles);
        ASSERT_TRUE(Machine.Files.PutFolder("C:\\Program Files"));
    }
    void Put(const std::string& name, std::uint32_t type, std::vector<std::uint8_t> data,
             const std::string& key = kInstall) {
        Machine.Registry.PutValue(kHkeyCurrentUser, key, name, type, std::move(data));
    }
    [[nodiscard]] std::optional<sim::TRegValue>
    Stored(const std::string& name, const std::string& key = kInstall, RegKey root = kHkeyCurrentUser) {
        return Machine.Registry.Value(root, key, name);
    }
    [[nodiscard]] std::uint32_t StoredDword(const std::string& name, const std::string& key = kInstall,
                                            RegKey root = kHkeyCurrentUser) {
        std::optional<sim::TRegValue> value = Stored(name, key, root);
        EXPECT_TRUE(value && value->Type == kRegDword && value->Data.size() == 4) << name;
        std::uint32_t n = 0;
        if (value && value->Data.size() == 4) std::memcpy(&n, value->Data.data(), 4);
        return n;
    }
    [[nodiscard]] std::string StoredText(const std::string& name, const std::string& key = kInstall,
                                         RegKey root = kHkeyCurrentUser) {
        std::optional<sim::TRegValue> value = Stored(name, key, root);
        EXPECT_TRUE(value && value->Type == kRegSz && !value->Data.empty() && value->Data.back() == 0)
            << name;
        if (!value || value->Data.empty()) return {};
        return std::string(value->Data.begin(), value->Data.end() - 1);
    }
    [[nodiscard]] std::vector<TCheckState> ListStates() const {
        std::vector<TCheckState> states;
        for (const TListItem& item : Form.SelCompLstBx.Items())
            states.push_back(item.State);
        return states;
    }
};

TEST_F(InstallSettings, FirstRunTakesEveryDefaultAndWritesNothing) {
    Form.ReadInstallSettings();
    EXPECT_EQ(Installation.Options.MainDir, "C:\\Program Files\\Ulvara");
    EXPECT_EQ(Form.DestDirEdt.Text(), "C:\\Program Files\\Ulvara");
    EXPECT_EQ(Installation.Options.Components, 0x7FFFFFFFu);
    EXPECT_EQ(Installation.Options.Extensions, "B");
    EXPECT_EQ(AssociationBoxes(Installation.Options.Extensions),
              (std::array<bool, 4>{false, true, false, false}));
    EXPECT_EQ(Installation.LastRunVersion, 2147483647);
    EXPECT_TRUE(Form.InstallToAllChkBx.Checked());
    EXPECT_TRUE(Form.DesktopChkBx.Checked());
    EXPECT_TRUE(Form.FinishChkBx.Checked());
    using enum TCheckState;
    EXPECT_EQ(ListStates(),
              (std::vector<TCheckState>{Grayed, Checked, Checked, Checked, Checked, Checked, Checked}));
    ASSERT_EQ(Form.SelCompLstBx.Count(), 7);
    for (int n = 0; n < 7; ++n)
        EXPECT_EQ(Form.SelCompLstBx.Items()[static_cast<size_t>(n)].Text,
                  kComponentNames[static_cast<size_t>(n)]);
    EXPECT_EQ(Form.SelCompLstBx.ItemIndex(), 1);
    // Both keys now exist, empty; nothing was written and no key is left open.
    EXPECT_TRUE(Machine.Registry.KeyExists(kHkeyCurrentUser, kInstall));
    EXPECT_TRUE(Machine.Registry.KeyExists(kHkeyCurrentUser, kInternal));
    EXPECT_FALSE(Machine.Registry.KeyExists(kHkeyCurrentUser, kInstall + "\\Software"))
        << "the internal key opens from the root";
    EXPECT_TRUE(Machine.Registry.Writes().empty());
    EXPECT_EQ(Machine.Registry.OpenKeyCount(), 0u);
}

TEST_F(InstallSettings, StoredChoicesComeBack) {
    Machine.Files.AddDrive('D');
    ASSERT_TRUE(Machine.Files.PutFolder("D:\\Outils\\Ulvara"));
    Put("MAINDIR", kRegSz, Bytes(std::string_view("D:\\Outils\\Ulvara\0", 17)));
    Put("COMPS_FR (3.1.1)", kRegDword, Dword(0xFFFFFF8Au)); // items 1 and 3 checked, 0 unchecked
    Put("INSTALLTOALL", kRegDword, Dword(0));
    Put("DSKSHORTCUT", kRegDword, Dword(7));
    Put("LAUNCH", kRegDword, Dword(0));
    Put("EXTENSIONS", kRegSz, Bytes(std::string_view("DA\0", 3)));
    Put("LastRunVer", kRegDword, Dword(20004000), kInternal);
    Form.ReadInstallSettings();
    EXPECT_EQ(Installation.Options.MainDir, "D:\\Outils\\Ulvara");
    using enum TCheckState;
    EXPECT_EQ(ListStates(), (std::vector<TCheckState>{Grayed, Checked, Unchecked, Checked, Unchecked,
                                                      Unchecked, Unchecked}))
        << "item 0 locked whatever its bit says";
    EXPECT_FALSE(Form.InstallToAllChkBx.Checked());
    EXPECT_TRUE(Form.DesktopChkBx.Checked());
    EXPECT_FALSE(Form.FinishChkBx.Checked());
    EXPECT_EQ(Installation.LastRunVersion, 20004000);
    EXPECT_EQ(AssociationBoxes(Installation.Options.Extensions),
              (std::array<bool, 4>{true, false, false, true}));
    EXPECT_EQ(ExtensionsOf(AssociationBoxes(Installation.Options.Extensions)), "AD");
    EXPECT_EQ(ExtensionsOf({false, false, false, false}), "");
    EXPECT_EQ(AssociationBoxes("abcd"), (std::array<bool, 4>{false, false, false, false}))
        << "case-sensitive";

    // A folder deleted since falls back to the default.
    ASSERT_TRUE(Machine.Files.RemoveDirectoryA("D:\\Outils\\Ulvara"));
    Form.ReadInstallSettings();
    EXPECT_EQ(Installation.Options.MainDir, "C:\\Program Files\\Ulvara");
    EXPECT_EQ(Installation.Options.Components, 0xFFFFFF8Au);
}

TEST_F(InstallSettings, DestinationSwitch) {
    struct Case {
        std::vector<std::string> Params;
        std::optional<std::string> Folder;
    };
    for (const Case& c :
         {Case{{"-dD:\\Outils"}, "D:\\Outils"}, Case{{"-d"}, ""}, Case{{"-d\"E:\\A B\\\""}, "\"E:\\A B\\\""},
          Case{{"-DD:\\Outils"}, std::nullopt}, Case{{"/dD:\\Outils"}, std::nullopt},
          Case{{"x", "-dD:\\Outils"}, std::nullopt}, Case{{}, std::nullopt}, Case{{""}, std::nullopt}})
        EXPECT_EQ(DestinationSwitch(c.Params), c.Folder) << (c.Params.empty() ? "" : c.Params[0]);

    Put("MAINDIR", kRegSz, Bytes(std::string_view("C:\\Program Files\0", 17)));
    for (const auto& [param, folder] : {std::pair<std::string, std::string>{"-dD:\\Outils", "D:\\Outils"},
                                        {"-d", ""},
                                        {"/dD:\\Outils", "C:\\Program Files"}}) {
        TInstallation installation(Platform, Utils, *AttachedFiles, Run, ParseSetupSwitches({param}));
        installation.ReadInstallSettings();
        EXPECT_EQ(installation.Options.MainDir, folder)
            << param << ": wins over the stored folder, existing or not";
    }
}

TEST_F(InstallSettings, StoredTypesAreNotChecked) {
    Put("MAINDIR", kRegDword, Dword(0x43)); // "C" then NULs
    Put("EXTENSIONS", kRegDword, Dword(0x00434241));
    Put("INSTALLTOALL", kRegSz, Bytes(std::string_view("0\0", 2))); // the bytes of "0": non-zero
    Put("LAUNCH", kRegSz, Bytes(std::string_view("\0\0", 2)));
    Put("DSKSHORTCUT", kRegSz, Bytes(std::string_view("false\0", 6))); // too long for an integer: missing
    Put("COMPS_FR (3.1.1)", kRegBinary, {0x01, 0x02, 0x03, 0x04, 0x05});
    Put("LastRunVer", kRegSz, Bytes(std::string_view("A\0", 2)), kInternal);
    Form.ReadInstallSettings();
    EXPECT_EQ(Installation.Options.MainDir, "C:\\Program Files\\Ulvara") << "\"C\" is no existing folder";
    EXPECT_EQ(Installation.Options.Extensions, "ABC");
    EXPECT_TRUE(Form.InstallToAllChkBx.Checked());
    EXPECT_FALSE(Form.FinishChkBx.Checked());
    EXPECT_TRUE(Form.DesktopChkBx.Checked());
    EXPECT_EQ(Installation.Options.Components, 0x7FFFFFFFu);
    EXPECT_EQ(Installation.LastRunVersion, 0x41);
}

TEST_F(InstallSettings, SavedInOrderThenTheUninstallEntry) {
    Form.ReadInstallSettings();
    Form.TakeChoicesFromPages();
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Program Files\\Ulvara\\vlmr.exe", std::string(5000, 'x')));
    Installation.FixInstallTarget();
    Form.SaveInstallSettings();
    std::vector<sim::TRegWrite> writes = Machine.Registry.Writes();
    std::vector<std::string> order;
    for (const sim::TRegWrite& w : writes)
        order.push_back((w.Root == kHkeyLocalMachine ? "HKLM:" : "HKCU:") + w.Name);
    EXPECT_EQ(order,
              (std::vector<std::string>{"HKCU:MAINDIR", "HKCU:COMPS_FR (3.1.1)", "HKCU:INSTALLTOALL",
                                        "HKCU:DSKSHORTCUT", "HKCU:EXTENSIONS", "HKCU:LAUNCH",
                                        "HKLM:DisplayIcon", "HKLM:DisplayName", "HKLM:DisplayVersion",
                                        "HKLM:EstimatedSize", "HKLM:Publisher", "HKLM:UninstallString"}));
    EXPECT_EQ(StoredText("MAINDIR"), "C:\\Program Files\\Ulvara");
    EXPECT_EQ(StoredDword("COMPS_FR (3.1.1)"), 0x7FFFFFFEu)
        << "every component kept; the locked one stores 0";
    EXPECT_EQ(StoredDword("INSTALLTOALL"), 1u);
    EXPECT_EQ(StoredText("EXTENSIONS"), "B");
    EXPECT_EQ(StoredText("DisplayIcon", kUninstall, kHkeyLocalMachine),
              "C:\\Program Files\\Ulvara\\vlmr.exe");
    EXPECT_EQ(StoredText("UninstallString", kUninstall, kHkeyLocalMachine),
              "\"C:\\Program Files\\Ulvara\\vlmr.exe\" -ui");
    EXPECT_EQ(StoredDword("EstimatedSize", kUninstall, kHkeyLocalMachine), 8u);
    EXPECT_FALSE(Stored("LastRunVer", kInternal)) << "never written by the setup";
    EXPECT_EQ(Machine.Registry.OpenKeyCount(), 0u);
}

TEST_F(InstallSettings, UncheckedItemsClearTheirBitsAndTheHighBitsStay) {
    Put("COMPS_FR (3.1.1)", kRegDword, Dword(0x80000001u));
    Put("EXTENSIONS", kRegSz, Bytes(std::string_view("DA\0", 3)));
    Form.ReadInstallSettings();
    Form.SelCompLstBx.SetChecked(2, true);
    Form.SelCompLstBx.SetChecked(6, true);
    Form.InstallToAllChkBx.SetChecked(true);
    Form.TakeChoicesFromPages();
    Form.SaveInstallSettings();
    EXPECT_EQ(StoredDword("COMPS_FR (3.1.1)"), 0x80000044u);
    EXPECT_EQ(StoredDword("INSTALLTOALL"), 1u);
    EXPECT_EQ(StoredText("EXTENSIONS"), "DA") << "stored as read until the associations page is left";
}

TEST_F(InstallSettings, WithoutAdministratorRightsOnlyTheUninstallEntryIsMissing) {
    Machine.Registry.SetMachineWritable(false);
    Form.ReadInstallSettings();
    Form.SaveInstallSettings();
    EXPECT_EQ(StoredText("MAINDIR"), "C:\\Program Files\\Ulvara");
    EXPECT_EQ(StoredDword("LAUNCH"), 1u);
    EXPECT_FALSE(Machine.Registry.KeyExists(kHkeyLocalMachine, kUninstall));
    EXPECT_EQ(Machine.Registry.Writes().size(), 6u);
    EXPECT_TRUE(headless::AskedMessages().empty()) << "nothing reported";
}

TEST_F(InstallSettings, PortableInstallationLeavesAnEarlierEntryAlone) {
    Machine.Registry.PutValue(kHkeyLocalMachine, kUninstall, "DisplayIcon", kRegSz,
                              Bytes(std::string_view("C:\\Ancien\\vlmr.exe\0", 19)));
    AddStick();
    TInstallation installation(Platform, Utils, *AttachedFiles, Run, ParseSetupSwitches({"-dR:\\Ulvara"}));
    installation.ReadInstallSettings();
    installation.FixInstallTarget();
    installation.SaveInstallSettings();
    EXPECT_EQ(StoredText("MAINDIR"), "R:\\Ulvara");
    EXPECT_EQ(StoredText("DisplayIcon", kUninstall, kHkeyLocalMachine), "C:\\Ancien\\vlmr.exe");
    EXPECT_EQ(Machine.Registry.ValueNames(kHkeyLocalMachine, kUninstall).size(), 1u);
}

} // namespace
} // namespace ulv::test
