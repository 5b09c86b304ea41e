// The setup elevated in a machine where a standard user may have made, or may change, what it writes
// through: the common application-data folder, the temporary folder, the run log's folder.
#include "app/Startup.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/ui/HeadlessUi.h"
#include "tests/support/TestFiles.h"
#include "tests/unit/RecordingFiles.h"
#include "utils/InstUtils.h"
#include "utils/TextLines.h"
#include "wizard/InstallTarget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace ulv::test::hostile_folders {
namespace {

const std::string kPublic = "C:\\ProgramData\\Ulvara\\Public\\";
const std::string kElsewhere = "C:\\Elsewhere\\";
const std::string kRunLog = "C:\\run.log";

std::unique_ptr<sim::SimMachine> NewMachine() {
    auto machine = std::make_unique<sim::SimMachine>();
    for (const char* folder :
         {"C:\\Program Files", "C:\\ProgramData", "C:\\users\\test\\Temp", "C:\\Elsewhere"})
        EXPECT_TRUE(machine->Files.PutFolder(folder));
    machine->Files.SetOwner("C:\\Elsewhere", sim::kSimUserSid);
    static const auto payload = ReadHostFile(ULVARA_SAMPLE_PAYLOAD);
    machine->Module.PutResource("FILES", "FILES", payload);
    return machine;
}

// A folder tree below the common application data, made by the standard user.
void UserTree(sim::SimMachine& machine, const std::string& folder) {
    machine.Files.SetSetupOwner(sim::kSimUserSid);
    EXPECT_TRUE(machine.Files.PutFolder(folder));
    machine.Files.SetSetupOwner(kSidAdministrators);
}

std::vector<std::string> RunLogLines(sim::SimMachine& machine) {
    return SplitTextLines(machine.Files.FileContent(kRunLog).value_or(""));
}

bool Logged(const std::vector<std::string>& log, const std::string& start) {
    return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.starts_with(start); });
}

// Each attack: the machine before the run, what the user does while it runs, and the refused folder the run
// must name (empty: nothing to refuse, the attack only fails).
struct TAttack {
    const char* Name;
    std::function<void(sim::SimMachine&)> Before;
    std::function<void(sim::SimMachine&, const std::string& path)> During;
    std::string Refused;
};

TEST(HostileFolders, NothingIsWrittenThroughWhatAStandardUserControls) {
    const TAttack attacks[] = {
        {"a junction one level below Public",
         [](sim::SimMachine& m) {
             EXPECT_TRUE(m.Files.PutFolderLink(kPublic + "Modèles de document", kElsewhere));
         },
         {},
         kPublic + "Modèles de document"},
        {"a junction two levels below Public",
         [](sim::SimMachine& m) {
             EXPECT_TRUE(m.Files.PutFolderLink(kPublic + "Collections d'inserts\\Images", kElsewhere));
         },
         {},
         kPublic + "Collections d'inserts\\Images"},
        {"the whole tree made beforehand by a standard user",
         [](sim::SimMachine& m) { UserTree(m, kPublic + "Orthographe"); },
         {},
         "C:\\ProgramData\\Ulvara"},
        {"a folder of the user's swapped for a junction while the worker writes",
         [](sim::SimMachine& m) {
             EXPECT_TRUE(m.Files.PutFolder(kPublic));
             UserTree(m, kPublic + "Orthographe");
         },
         [](sim::SimMachine& m, const std::string& path) {
             if (!path.ends_with("vlmr.exe") || !m.Files.UserMove(kPublic + "Orthographe", "C:\\Old")) return;
             EXPECT_TRUE(m.Files.PutFolderLink(kPublic + "Orthographe", kElsewhere));
         },
         kPublic + "Orthographe"},
        {"a file planted at a name the setup writes, and an Update.log of the user's",
         [](sim::SimMachine& m) {
             EXPECT_TRUE(m.Files.PutFolder(kPublic + "Orthographe"));
             m.Files.SetSetupOwner(sim::kSimUserSid);
             EXPECT_TRUE(m.Files.PutFile(kPublic + "Orthographe\\français.zlx", "theirs"));
             EXPECT_TRUE(m.Files.PutFile("C:\\ProgramData\\Ulvara\\Update.log", "C:\\Windows\\win.ini\r\n"));
             m.Files.SetSetupOwner(kSidAdministrators);
         },
         {},
         ""},
    };
    for (const TAttack& attack : attacks) {
        SCOPED_TRACE(attack.Name);
        auto machine = NewMachine();
        attack.Before(*machine);
        if (attack.During)
            machine->Changes.BeforeChange = [&](std::uint64_t, std::string_view, const std::string& path) {
                attack.During(*machine, path);
            };
        headless::ClearMessages();
        TPlatform platform = machine->Platform();
        EXPECT_EQ(RunSetup(platform, "ulvara.exe /VERYSILENT /LOG=" + kRunLog), kExitDone);
        machine->Changes.BeforeChange = nullptr;

        TFindData found;
        UniqueFind find(machine->Files, kElsewhere + "*", found);
        int entries = 0;
        for (bool more = bool(find); more; more = find.Next(found))
            entries += found.Name != "." && found.Name != "..";
        EXPECT_EQ(entries, 0) << "written through the link";
        const std::vector<std::string> log = RunLogLines(*machine);
        if (!attack.Refused.empty()) {
            EXPECT_TRUE(Logged(log, "Question : Le dossier de données suivant n'a pas été utilisé"))
                << machine->Files.FileContent(kRunLog).value_or("");
            EXPECT_TRUE(Logged(log, "    " + attack.Refused)) << "the refused folder named";
        }
        if (attack.Refused.ends_with("Modèles de document")) {
            EXPECT_TRUE(Logged(log,
                               "Question : Le dossier de données suivant n'a pas été utilisé : c'est un lien "
                               "(jonction ou lien symbolique) qui mène à un autre emplacement, et "
                               "l'installation n'écrit jamais à travers un lien."));
            EXPECT_TRUE(Logged(log, "    Les fichiers partagés qui devaient y être placés n'ont pas été "
                                    "installés. Supprimez ce lien, puis relancez l'installation."));
        }
        EXPECT_TRUE(machine->Files.FileContent("C:\\Program Files\\Ulvara\\vlmr.exe"))
            << "the rest completes";
        EXPECT_TRUE(machine->Files.FileContent("C:\\Program Files\\Ulvara\\Install.log"));
    }
    // The planted file is the setup's now, owned by the administrators; the user's lines were not merged.
    auto machine = NewMachine();
    attacks[4].Before(*machine);
    TPlatform platform = machine->Platform();
    ASSERT_EQ(RunSetup(platform, "ulvara.exe /VERYSILENT"), kExitDone);
    EXPECT_NE(machine->Files.FileContent(kPublic + "Orthographe\\français.zlx"), "theirs");
    EXPECT_EQ(machine->Files.OwnerOf(kPublic + "Orthographe\\français.zlx"), kSidAdministrators);
    std::string updateLog = machine->Files.FileContent("C:\\ProgramData\\Ulvara\\Update.log").value_or("");
    EXPECT_EQ(updateLog.find("win.ini"), std::string::npos) << updateLog;
}

// The temporary folder of a run as SYSTEM is every user's: a leftover name of ours swapped for a junction
// between the sweep's listing and its deletion is removed as a link, and what it leads to stays.
TEST(HostileFolders, TheSweepsOfTemporaryAndOldFilesDeleteNothingThroughALink) {
    sim::SimMachine machine;
    const std::string temp = "C:\\Windows\\Temp\\";
    ASSERT_TRUE(machine.Files.PutFile("C:\\Precious\\keep.txt", "keep"));
    ASSERT_TRUE(machine.Files.PutFile(temp + TempNamePrefix() + "5.tmp\\bait", "bait"));
    machine.Files.SetTempPath(temp);
    RecordingFiles files(machine.Files);
    TPlatform platform = machine.Platform();
    TPlatform watched{files,           platform.Clock,    platform.System,
                      platform.Module, platform.Drives,   platform.Shell,
                      platform.Text,   platform.Registry, platform.RestartManager};
    TInstUtils utils(watched);
    bool swapped = false;
    files.AfterFindClose = [&] {
        if (swapped) return;
        swapped = machine.Files.UserMove(temp + TempNamePrefix() + "5.tmp", "C:\\Moved") &&
                  machine.Files.PutFolderLink(temp + TempNamePrefix() + "5.tmp", "C:\\Precious");
    };
    utils.DeleteTempLeftovers();
    EXPECT_TRUE(swapped);
    EXPECT_EQ(machine.Files.FileContent("C:\\Precious\\keep.txt"), "keep");
    EXPECT_EQ(machine.Files.GetFileAttributesA(temp + TempNamePrefix() + "5.tmp"), kInvalidFileAttributes);

    // The old insert images: a link on the way to them is not gone through.
    files.AfterFindClose = nullptr;
    ASSERT_TRUE(machine.Files.PutFolderLink("C:\\Docs\\Ulvara\\Collections d'inserts", "C:\\Precious"));
    utils.DeleteBelow("C:\\Docs\\Ulvara\\", "C:\\Docs\\Ulvara\\Collections d'inserts\\keep.txt");
    EXPECT_EQ(machine.Files.FileContent("C:\\Precious\\keep.txt"), "keep");
}

// A link at the run log's name is replaced by the log, never written through.
TEST(HostileFolders, TheRunLogReplacesALinkAtItsName) {
    auto machine = NewMachine();
    ASSERT_TRUE(machine->Files.PutFile("C:\\Windows\\secret.ini", "secret"));
    ASSERT_TRUE(machine->Files.PutFileLink(kRunLog, "C:\\Windows\\secret.ini"));
    TPlatform platform = machine->Platform();
    EXPECT_EQ(RunSetup(platform, "ulvara.exe /VERYSILENT /LOG=" + kRunLog), kExitDone);
    EXPECT_EQ(machine->Files.FileContent("C:\\Windows\\secret.ini"), "secret");
    EXPECT_FALSE(machine->Files.GetFileAttributesA(kRunLog) & kFileAttributeReparsePoint);
    EXPECT_FALSE(RunLogLines(*machine).empty());
}

} // namespace
} // namespace ulv::test::hostile_folders

namespace ulv::test::hostile_folders {
namespace {

constexpr const char* kOurs = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

TEST(HostileFolders, AStandardUserMayChangeAFolderItOwnsOrThatGrantsItAChange) {
    const std::string user = sim::kSimUserSid, own = sim::kSimAdministratorSid;
    const std::string installer = kSidTrustedInstaller;
    struct Case {
        std::string Sddl;
        bool May;
    };
    const Case cases[] = {
        {std::string("O:BA") + kOurs, false},
        {"O:" + installer + "D:PAI(A;;FA;;;" + installer + ")(A;OICIIO;GA;;;CO)(A;;0x1301bf;;;SY)" +
             "(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)",
         false},
        {"O:S-1-5-18D:(A;;FR;;;S-1-5-32-545)(A;;FX;;;S-1-1-0)", false},
        {"O:" + user + kOurs, true},
        {"O:" + own + kOurs, false},
        {"O:BA", false},
        // What a folder made in a drive root inherits.
        {"O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIIOID;SDGXGWGR;;;AU)(A;ID;0x1301bf;;;AU)", true},
        {"O:BAD:(A;OICIIO;GW;;;BU)", true},
        {"O:BAD:(A;;DC;;;WD)", true},
        {"O:BAD:(A;;WD;;;BU)", true},
        {"O:BAD:(A;;WO;;;IU)", true},
        {"O:BAD:(A;;SD;;;S-1-5-11)", true},
        {"O:BAD:(A;;0x2;;;WD)", true},
        {"O:BAD:(A;;1179817;;;BU)", false},
        {"O:BAD:(D;;FA;;;BU)(A;;FR;;;BU)", false},
        {"O:BAD:(A;;FA;;;" + own + ")", false},
        {"O:BAD:(A;;QQ;;;BU)", true},
        {"O:BAD:NO_ACCESS_CONTROL", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StandardUserMayChange(c.Sddl, own), c.May) << c.Sddl;
}

// Only the topmost level made on the way to an ordinary installation's program folder is given the
// program-files folder's protection; what it holds inherits it, the data folders keep their own.
TEST(HostileFolders, TheProgramFolderIsProtectedWhenTheSetupMakesIt) {
    struct Case {
        std::string Switches;
        std::string Protected; // empty: none
        std::vector<std::string> Unprotected;
        bool StandardUser = false;
    };
    const Case cases[] = {
        {"", "C:\\Program Files\\Ulvara", {"C:\\ProgramData\\Ulvara", "C:\\ProgramData\\Ulvara\\Public"}},
        {"/DIR=C:\\Apps\\Ulvara", "C:\\Apps", {"C:\\Apps\\Ulvara"}},
        {"/DIR=C:\\Elsewhere\\Ulvara", "C:\\Elsewhere\\Ulvara", {"C:\\Elsewhere"}},
        {"/DIR=R:\\Ulvara", "", {"R:\\Ulvara", "R:\\Ulvara\\Orthographe"}},
        // A standard user may install where it may write: the folder it makes stays its own to write in.
        {"/DIR=C:\\Elsewhere\\Ulvara", "C:\\Elsewhere\\Ulvara", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Switches);
        auto machine = NewMachine();
        // A stick formatted NTFS, which could keep the rights.
        machine->Volumes.SetDrive(
            {.Letter = 'R', .Type = kDriveRemovable, .BusType = kBusTypeUsb, .RemovableMedia = true});
        if (c.StandardUser) {
            machine->System.Administrator = false;
            machine->System.UserSid = sim::kSimUserSid;
            machine->System.ElevationType = kTokenElevationTypeLimited;
        }
        TPlatform platform = machine->Platform();
        ASSERT_EQ(RunSetup(platform, "ulvara.exe /VERYSILENT " + c.Switches), kExitDone);
        if (!c.Protected.empty()) {
            EXPECT_EQ(machine->Files.DaclOf(c.Protected),
                      kOurs + (c.StandardUser ? "(A;OICI;FA;;;" + std::string(sim::kSimUserSid) + ")" : ""));
        }
        for (const std::string& folder : c.Unprotected)
            EXPECT_EQ(machine->Files.DaclOf(folder), "") << folder;
    }
}

} // namespace
} // namespace ulv::test::hostile_folders
