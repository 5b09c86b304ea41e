#include "wizard/SetupSwitches.h"
#include "platform/sim/SimMachine.h"
#include "utils/InstUtils.h"
#include "utils/RegistryAccess.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ulv {
namespace {

std::string Joined(const std::vector<std::string>& params) {
    std::string line;
    for (const std::string& param : params)
        line += "[" + param + "]";
    return line;
}

TEST(SetupSwitches, ReadFromTheCommandLine) {
    using enum TSwitchFault;
    using T = TSetupTask;
    struct Case {
        std::vector<std::string> Params;
        TSetupSwitches Expected;
    };
    const Case cases[] = {
        {{}, {}},
        {{""}, {}},
        {{"/VERYSILENT", "/SuppressMsgBoxes", "/norestart"},
         {.Mode = TSetupMode::VerySilent, .SuppressMsgBoxes = true}},
        {{"/silent"}, {.Mode = TSetupMode::Silent}},
        {{"/SP-", "/NoCancel", "/NOICONS", "/CloseApplications", "/NOCLOSEAPPLICATIONS",
          "/ForceCloseApplications", "/RESTARTAPPLICATIONS", "/NORESTARTAPPLICATIONS", "/SILENT"},
         {.Mode = TSetupMode::Silent, .NoCancel = true}},
        {{"/?"}, {.Help = true}},
        {{"/Help", "/SP", "/NOCANCEL=1", "/?=x"},
         {.Help = true,
          .Problems = {{UnknownSwitch, "/SP"}, {Malformed, "/NOCANCEL=1"}, {Malformed, "/?=x"}}}},
        {{"/VerySilent", "/SILENT"}, {.Mode = TSetupMode::VerySilent}},
        {{"/SILENT", "/VERYSILENT"}, {.Mode = TSetupMode::VerySilent}},
        {{"/Dir=D:\\A B", "/LOG=C:\\t\\s.log"},
         {.Dir = TPlacedValue{"D:\\A B", 0}, .LogPath = "C:\\t\\s.log"}},
        {{"/COMPONENTS= Templates , FRENCHspelling,", "/tasks=!DesktopIcon, assocdocx ,launch"},
         {.Components = 0x13,
          .Tasks = std::vector<TTaskSwitch>{{T::DesktopIcon, false}, {T::AssocDocx}, {T::Launch}}}},
        {{"/COMPONENTS=program", "/TASKS="}, {.Components = 1, .Tasks = std::vector<TTaskSwitch>{}}},
        {{"/TASKS=launch,Launch", "/TASKS=launch,Launch"}, {.Tasks = std::vector<TTaskSwitch>{{T::Launch}}}},
        {{"-dD:\\X", "/DIR=E:\\Y"}, {.DashD = TPlacedValue{"D:\\X", 0}, .Dir = TPlacedValue{"E:\\Y", 1}}},
        {{"-d"}, {.DashD = TPlacedValue{"", 0}}},
        {{"/DIR=E:\\Y", "-dD:\\X"},
         {.Dir = TPlacedValue{"E:\\Y", 0}, .Problems = {{UnknownSwitch, "-dD:\\X"}}}},
        {{"-DD:\\X", "/QUIET", "setup", "/", "/DIRX=C:\\"},
         {.Problems = {{UnknownSwitch, "-DD:\\X"},
                       {UnknownSwitch, "/QUIET"},
                       {UnknownSwitch, "setup"},
                       {UnknownSwitch, "/"},
                       {UnknownSwitch, "/DIRX=C:\\"}}}},
        {{"/DIR", "/LOG=", "/SILENT=1", "/components", "/DIR=", "/DIR=C:\\A"},
         {.Dir = TPlacedValue{"C:\\A", 5},
          .Problems = {{Malformed, "/DIR"},
                       {Malformed, "/LOG="},
                       {Malformed, "/SILENT=1"},
                       {Malformed, "/components"},
                       {Malformed, "/DIR="}}}},
        {{"/COMPONENTS=templates,sound", "/components=Sound, TEMPLATES,program", "/TASKS=launch,!desktopicon",
          "/TASKS=!DesktopIcon,launch"},
         {.Components = 0x51, .Tasks = std::vector<TTaskSwitch>{{T::Launch}, {T::DesktopIcon, false}}}},
        {{"/COMPONENTS=templates", "/COMPONENTS=templates,sound", "/TASKS=launch", "/TASKS=!launch"},
         {.Components = 0x11,
          .Tasks = std::vector<TTaskSwitch>{{T::Launch}},
          .Problems = {{Conflict, "/COMPONENTS=templates,sound"}, {Conflict, "/TASKS=!launch"}}}},
        {{"/COMPONENTS=foo,templates", "/COMPONENTS=templates,foo"},
         {.Components = 0x11, .Problems = {{UnknownComponent, "foo"}}}},
        {{"/DIR=C:\\A", "/dir=C:\\A", "/DIR=C:\\B"},
         {.Dir = TPlacedValue{"C:\\A", 0}, .Problems = {{Conflict, "/DIR=C:\\B"}}}},
        {{"/COMPONENTS=program,sounds,!templates", "/TASKS=desktop,allusers,!allusers"},
         {.Components = 1,
          .Tasks = std::vector<TTaskSwitch>{{T::AllUsers}},
          .Problems = {{UnknownComponent, "sounds"},
                       {UnknownComponent, "!templates"},
                       {UnknownTask, "desktop"},
                       {Conflict, "!allusers"}}}},
        {{"/TASKS=allusers,!currentuser"},
         {.Tasks = std::vector<TTaskSwitch>{{T::AllUsers}, {T::CurrentUser, false}},
          .Problems = {{Conflict, "allusers,!currentuser"}}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseSetupSwitches(c.Params), c.Expected) << Joined(c.Params);

    EXPECT_FALSE(ParseSetupSwitches({"/QUIET"}).EndsAsInvalidParameter()) << "the wizard ignores it";
    EXPECT_TRUE(ParseSetupSwitches({"/QUIET", "/SILENT"}).EndsAsInvalidParameter());
    EXPECT_FALSE(ParseSetupSwitches({"/VERYSILENT", "/DIR=C:\\A"}).EndsAsInvalidParameter());
}

std::vector<std::uint8_t> Bytes(std::string_view text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

std::vector<std::uint8_t> Dword(std::uint32_t value) {
    std::vector<std::uint8_t> bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

enum class TLastRun { None, Stored, StoredFolderGone };

class ResolvedChoices : public ::testing::Test {
protected:
    void SetUp() override { Machine.Files.AddDrive('D'); }
    void StoreLastRun(TLastRun last) {
        if (last == TLastRun::None) return;
        if (last == TLastRun::Stored) {
            ASSERT_TRUE(Machine.Files.PutFolder("D:\\Outils\\Ulvara"));
        }
        auto put = [this](const std::string& name, std::uint32_t type, std::vector<std::uint8_t> data) {
            Machine.Registry.PutValue(kHkeyCurrentUser, std::string(kInstallKey), name, type,
                                      std::move(data));
        };
        put("MAINDIR", kRegSz, Bytes("D:\\Outils\\Ulvara"));
        put("COMPS_FR (3.1.1)", kRegDword, Dword(0x5A5A5A8A));
        put("INSTALLTOALL", kRegDword, Dword(0));
        put("DSKSHORTCUT", kRegDword, Dword(1));
        put("LAUNCH", kRegDword, Dword(1));
        put("EXTENSIONS", kRegSz, Bytes("DA"));
    }
    TResolvedChoices Resolve(const std::vector<std::string>& params) {
        TRegistryAccess registry(Platform.Registry);
        return ApplySwitches(ReadStoredSettings(registry, Utils), ParseSetupSwitches(params));
    }

    sim::SimMachine Machine;
    TPlatform Platform = Machine.Platform();
    TInstUtils Utils{Platform};
};

TEST_F(ResolvedChoices, SwitchesOverStoredOverDefaults) {
    using enum TChoiceOrigin;
    using L = TLastRun;
    const std::string program = "C:\\Program Files\\Ulvara";
    const std::string outils = "D:\\Outils\\Ulvara";
    struct Case {
        TLastRun Last;
        std::vector<std::string> Params;
        TInstallChoices Choices; // {{MainDir, Components, Extensions}, InstallToAll, DesktopShortcut, Launch}
        TChoiceOrigins Origins;  // MainDir, Components, InstallToAll, DesktopShortcut, Extensions, Launch
    };
    const Case cases[] = {
        {L::None, {}, {{program, 0x7FFFFFFF, "B"}, true, true, true}, {}},
        {L::None, {"/VERYSILENT"}, {{program, 0x7FFFFFFF, "B"}, true, true, true}, {}},
        {L::None,
         {"/SILENT", "/TASKS=launch", "/COMPONENTS=frenchspelling"},
         {{program, 0x7FFFFF82, ""}, true, false, true},
         {Default, Switch, Default, Switch, Switch, Switch}},
        {L::None,
         {"-dE:\\Neuf", "/DIR=F:\\Autre"},
         {{"F:\\Autre", 0x7FFFFFFF, "B"}, true, true, true},
         {.MainDir = Switch}},
        {L::Stored,
         {"/VERYSILENT"},
         {{outils, 0x5A5A5A8A, "DA"}, false, true, true},
         {Stored, Stored, Stored, Stored, Stored, Stored}},
        {L::StoredFolderGone,
         {"/SILENT"},
         {{program, 0x5A5A5A8A, "DA"}, false, true, true},
         {Default, Stored, Stored, Stored, Stored, Stored}},
        {L::None,
         {"/SILENT", "/DIR=C:/Apps/Ulvara"},
         {{"C:\\Apps\\Ulvara", 0x7FFFFFFF, "B"}, true, true, true},
         {.MainDir = Switch}},
        {L::Stored,
         {"-d//serveur/partage/Ulvara", "/VERYSILENT"},
         {{"\\\\serveur\\partage\\Ulvara", 0x5A5A5A8A, "DA"}, false, true, true},
         {Switch, Stored, Stored, Stored, Stored, Stored}},
        {L::Stored,
         {"-dE:\\Neuf"},
         {{"E:\\Neuf", 0x5A5A5A8A, "DA"}, false, true, true},
         {Switch, Stored, Stored, Stored, Stored, Stored}},
        {L::Stored,
         {"/VERYSILENT", "/COMPONENTS=templates,Sound,program"},
         {{outils, 0x5A5A5AD0, "DA"}, false, true, true},
         {Stored, Switch, Stored, Stored, Stored, Stored}},
        {L::Stored,
         {"/SILENT", "/TASKS=!desktopicon,assocdoc,assocrtf"},
         {{outils, 0x5A5A5A8A, "AC"}, false, false, true},
         {Stored, Stored, Stored, Switch, Switch, Switch}},
        {L::Stored,
         {"/TASKS=allusers"},
         {{outils, 0x5A5A5A8A, ""}, true, false, false},
         {Stored, Stored, Switch, Switch, Switch, Switch}},
        {L::None,
         {"/TASKS=!allusers,desktopicon"},
         {{program, 0x7FFFFFFF, ""}, false, true, false},
         {Default, Default, Switch, Switch, Switch, Switch}},
        {L::None,
         {"/TASKS=!currentuser"},
         {{program, 0x7FFFFFFF, ""}, true, false, false},
         {Default, Default, Switch, Switch, Switch, Switch}},
        {L::Stored,
         {"/TASKS=currentuser,assocdocx,assoccod"},
         {{outils, 0x5A5A5A8A, "BD"}, false, false, false},
         {Stored, Stored, Switch, Switch, Switch, Switch}},
    };
    for (const Case& c : cases) {
        Machine.Registry.DeleteKey(kHkeyCurrentUser, std::string(kInstallKey));
        (void)Machine.Files.RemoveDirectoryA("D:\\Outils\\Ulvara");
        StoreLastRun(c.Last);
        TResolvedChoices resolved = Resolve(c.Params);
        EXPECT_EQ(resolved.Choices, c.Choices) << Joined(c.Params);
        EXPECT_EQ(resolved.Origins, c.Origins) << Joined(c.Params);
    }
}

} // namespace
} // namespace ulv
