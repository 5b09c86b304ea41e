#include "wizard/Installation.h"
#include "engine/AttachFiles.h"
#include "engine/InstallThread.h"
#include "platform/sim/SimMachine.h"
#include "tests/unit/SampleRun.h"
#include "utils/InstUtils.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ulv {
namespace {

// A destination and what the machine says of it, against the refusal an unattended run logs.
TEST(Installation, DestinationChecksOnValues) {
    constexpr std::uint64_t kMiB = 1'048'576;
    // The word processor 10 MiB, each other component 1 MiB.
    const std::array<std::int32_t, kComponentCount> sizes = {10 * kMiB, kMiB, kMiB, kMiB, kMiB, kMiB, kMiB};
    const struct {
        const char* MainDir;
        std::uint32_t Components;
        std::optional<std::uint64_t> Free;
        bool CanBeMade;
        std::optional<std::string> Refusal;
    } cases[] = {
        {"C:\\Apps\\Ulvara", 0x7F, 16 * kMiB, true, std::nullopt},
        {"\\\\serveur\\partage\\Ulvara", 0x7F, 16 * kMiB, true, std::nullopt},
        {"Apps\\Ulvara", 0x7F, 16 * kMiB, true, "\"Apps\\Ulvara\" n'est pas un chemin absolu"},
        {"C:Ulvara", 0x7F, 16 * kMiB, true, "\"C:Ulvara\" n'est pas un chemin absolu"},
        // Exactly enough, then a byte short: 16 MiB for all seven components.
        {"C:\\U", 0x7F, 16 * kMiB - 1, true,
         "pas assez de place pour \"C:\\U\" (nécessaire : 16 Mo, disponible : 16 Mo)"},
        // The word processor counts whether its bit is set or not; the components left out do not.
        {"C:\\U", 0x00, 10 * kMiB, true, std::nullopt},
        {"C:\\U", 0x02, 10 * kMiB, true,
         "pas assez de place pour \"C:\\U\" (nécessaire : 11 Mo, disponible : 10 Mo)"},
        // A free space that cannot be read counts as none.
        {"C:\\U", 0x7F, std::nullopt, true,
         "pas assez de place pour \"C:\\U\" (nécessaire : 16 Mo, disponible : 0 Ko)"},
        // Room is asked before the folder: the person meets the components page first.
        {"C:\\U", 0x7F, 0, false,
         "pas assez de place pour \"C:\\U\" (nécessaire : 16 Mo, disponible : 0 Ko)"},
        {"C:\\U", 0x7F, 16 * kMiB, false, "impossible de créer le dossier \"C:\\U\""},
    };
    for (const auto& c : cases) {
        TDestinationFacts facts{sizes, c.Free, c.CanBeMade};
        EXPECT_EQ(DestinationRefusal(c.MainDir, c.Components, facts), c.Refusal)
            << c.MainDir << " " << c.Components;
    }
}

} // namespace
} // namespace ulv

namespace ulv::test {
namespace {

// The start and the finish on the object alone, from given choices: what is queued and written, what runs
// at the end, and what is stored; an ordinary target and a portable one.
TEST(Installation, StartAndFinishFollowTheChoicesAndTheTarget) {
    const struct {
        const char* MainDir;
        bool Stick;
        std::uint32_t Components;
        bool AllUsers, Desktop, Launch;
        const char* Extensions;
        std::vector<std::string> Commands;
        std::size_t Links;
        bool UpdateLog;
        std::uint32_t Stored;
    } cases[] = {
        {"C:\\Apps\\Ulvara",
         false,
         0x29,
         false,
         false,
         true,
         "CA",
         {"\"C:\\Apps\\Ulvara\\vlmr.exe\" -assoc adpr_rtf_doc", "\"C:\\Apps\\Ulvara\\vlmr.exe\""},
         1,
         true,
         0x28},
        {"R:\\Ulvara", true, 0xFFFFFFFF, true, true, false, "B", {}, 0, false, 0xFFFFFFFE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.MainDir);
        sim::SimMachine machine;
        for (const char* folder : {"C:\\ProgramData", "C:\\Program Files", "C:\\users\\test\\Temp"})
            ASSERT_TRUE(machine.Files.PutFolder(folder));
        if (c.Stick)
            machine.Volumes.SetDrive({.Letter = 'R',
                                      .Type = kDriveRemovable,
                                      .BusType = kBusTypeUsb,
                                      .RemovableMedia = true,
                                      .Label = "CLE USB"});
        TPlatform platform = machine.Platform();
        ASSERT_GE(platform.Shell.OleInitialize(), 0);
        TInstUtils utils(platform);
        std::unique_ptr<TAttachedFiles> files = LoadSamplePayload(platform, utils);
        ASSERT_TRUE(files);
        TSetupRun run;
        TInstallation installation(platform, utils, *files, run, {});
        installation.Choices = {{c.MainDir, c.Components, c.Extensions}, c.AllUsers, c.Desktop, c.Launch};
        installation.Start();
        EXPECT_EQ(installation.Target.Portable, c.Stick);
        for (int component = 0; component < kComponentCount; ++component)
            EXPECT_EQ(files->Queues[static_cast<std::size_t>(component)].empty(),
                      component != 0 && !(c.Components >> component & 1u))
                << component;
        run.InstallThread->Join();
        EXPECT_TRUE(machine.Files.FileContent(std::string(c.MainDir) + "\\vlmr.exe"));
        installation.FinishActions();
        installation.FinishingStep();
        EXPECT_TRUE(installation.Finished);
        std::vector<std::string> commands;
        for (const auto& call : machine.System.WinExecCalls())
            commands.push_back(call.CommandLine);
        EXPECT_EQ(commands, c.Commands);
        for (const auto& call : machine.System.WinExecCalls())
            if (call.CommandLine.find(" -assoc ") != std::string::npos) {
                EXPECT_EQ(call.CurrentDirectory, std::optional<std::string>(c.MainDir))
                    << "from the program folder";
            }
        EXPECT_EQ(machine.Shell.Saves().size(), c.Links);
        EXPECT_EQ(machine.Files.FileContent("C:\\ProgramData\\Ulvara\\Update.log").has_value(), c.UpdateLog);
        installation.SaveInstallSettings();
        std::optional<sim::TRegValue> stored =
            machine.Registry.Value(kHkeyCurrentUser, std::string(kInstallKey), "COMPS_FR (3.1.1)");
        ASSERT_TRUE(stored && stored->Data.size() == 4);
        std::uint32_t set = 0;
        std::memcpy(&set, stored->Data.data(), 4);
        EXPECT_EQ(set, c.Stored) << "the word processor's bit stored 0, as its locked item stores it";
        EXPECT_EQ(machine.Registry.KeyExists(kHkeyLocalMachine, std::string(kUninstallKey)), !c.Stick);
        platform.Shell.OleUninitialize();
    }
}

// The word processor started at the end as the person who started the setup: by the setup itself when it
// holds no elevated rights, through the person's desktop shell (unelevated, from the program folder) when it
// does, and not at all where no desktop shell can start it.
TEST(Installation, TheWordProcessorStartsAsThePersonWhoStartedTheSetup) {
    const std::string mainDir = "C:\\Program Files\\Ulvara", program = mainDir + "\\vlmr.exe";
    const struct {
        const char* Name;
        std::optional<std::uint32_t> Elevation;
        const char* Sid;
        HResult Desktop;
        bool Direct, ByDesktop;
        const char* Log;
    } cases[] = {
        {"a limited token", kTokenElevationTypeLimited, sim::kSimUserSid, kSOk, true, false,
         "Démarrage : par le programme d'installation, qui n'a pas de droits élevés"},
        {"before Windows Vista", std::nullopt, sim::kSimAdministratorSid, kSOk, true, false,
         "Démarrage : par le programme d'installation"},
        {"raised by User Account Control", kTokenElevationTypeFull, sim::kSimAdministratorSid, kSOk, false,
         true, "Démarrage : par le bureau de l'utilisateur, sans droits élevés"},
        {"raised, no desktop shell", kTokenElevationTypeFull, sim::kSimAdministratorSid, kSFalse, false,
         false, "Démarrage : non, aucun bureau d'utilisateur"},
        {"SYSTEM in session 0", kTokenElevationTypeDefault, kSidLocalSystem, kSFalse, false, false,
         "Démarrage : non, le programme d'installation s'exécute en tant que SYSTEM"},
        {"SYSTEM on the person's desktop", kTokenElevationTypeDefault, kSidLocalSystem, kSOk, false, true,
         "Démarrage : par le bureau de l'utilisateur"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        sim::SimMachine machine;
        for (const char* folder : {"C:\\ProgramData", "C:\\Program Files\\Ulvara"})
            ASSERT_TRUE(machine.Files.PutFolder(folder));
        ASSERT_TRUE(machine.Files.PutFile(program, "MZ"));
        machine.System.ElevationType = c.Elevation;
        machine.System.UserSid = c.Sid;
        machine.Shell.SetDesktopShellResult(c.Desktop);
        TPlatform platform = machine.Platform();
        ASSERT_GE(platform.Shell.OleInitialize(), 0);
        TInstUtils utils(platform);
        std::unique_ptr<TAttachedFiles> files = LoadSamplePayload(platform, utils);
        TSetupRun run;
        ASSERT_TRUE(run.Log.Open(platform.Files, "C:\\run.log"));
        TInstallation installation(platform, utils, *files, run, {});
        installation.Options.MainDir = mainDir;
        installation.FixInstallTarget();
        installation.FinishingStep();
        EXPECT_EQ(machine.System.WinExecCalls().size(), c.Direct ? 1u : 0u);
        const auto executes = machine.Shell.DesktopExecutes();
        ASSERT_EQ(executes.size(), c.ByDesktop ? 1u : 0u);
        if (c.ByDesktop) {
            EXPECT_EQ(executes[0].File, program);
            EXPECT_EQ(executes[0].Directory, mainDir);
        }
        const std::string log = machine.Files.FileContent("C:\\run.log").value_or("");
        EXPECT_NE(log.find(std::string("\r\n") + c.Log), std::string::npos) << log;
        platform.Shell.OleUninitialize();
    }
}

} // namespace
} // namespace ulv::test
