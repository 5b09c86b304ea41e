// The whole program run without its pages on the simulated machine: what it leaves beside a run of the
// wizard, and every way it ends early.
#include "app/Startup.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/ui/HeadlessUi.h"
#include "resources/ResConst.h"
#include "tests/support/TestFiles.h"
#include "utils/TextLines.h"
#include "wizard/MainDlg.h"
#include "wizard/PageFlow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <thread>

namespace ulv::test::unattended {
namespace {

using namespace std::chrono_literals;
const std::string kMainDir = "C:\\Program Files\\Ulvara";
const std::string kRunLog = "C:\\run.log";

std::unique_ptr<sim::SimMachine> NewMachine() {
    auto machine = std::make_unique<sim::SimMachine>();
    for (const char* folder : {"C:\\Program Files", "C:\\ProgramData", "C:\\users\\test\\Temp"})
        EXPECT_TRUE(machine->Files.PutFolder(folder));
    machine->Module.PutResource("FILES", "FILES", ReadHostFile(ULVARA_SAMPLE_PAYLOAD));
    return machine;
}

int RunOn(sim::SimMachine& machine, const std::string& commandLine) {
    headless::ClearMessages();
    TPlatform platform = machine.Platform();
    int code = RunSetup(platform, commandLine);
    headless::ScriptModalLoop({}); // a step a run did not take must not reach the next one
    return code;
}

// Every file below C:\ with its content (folders with none), the run's own log left out.
std::map<std::string, std::string> Disk(sim::SimMachine& machine, const std::string& folder = "C:\\") {
    std::map<std::string, std::string> disk;
    TFindData found;
    UniqueFind find(machine.Files, folder + "*", found);
    for (bool more = bool(find); more; more = find.Next(found)) {
        const std::string path = folder + found.Name;
        if (found.Name == "." || found.Name == ".." || path == kRunLog) continue;
        if (found.Attributes & kFileAttributeDirectory) {
            disk[path + "\\"];
            disk.merge(Disk(machine, path + "\\"));
        } else {
            disk[path] = machine.Files.FileContent(path).value_or("<unreadable>");
        }
    }
    return disk;
}

std::vector<std::string> RunLogLines(sim::SimMachine& machine) {
    return SplitTextLines(machine.Files.FileContent(kRunLog).value_or(""));
}

std::vector<std::string> Commands(sim::SimMachine& machine) {
    std::vector<std::string> commands;
    for (const auto& call : machine.System.WinExecCalls())
        commands.push_back(call.CommandLine);
    return commands;
}

void Next(TForm& form) {
    static_cast<TMainDlgForm&>(form).NextBtn.Click();
}

void Tick(TForm& form) {
    for (int i = 0; i < 30000 && form.ModalResult() == 0 &&
                    static_cast<TMainDlgForm&>(form).PgCtrl.ActivePage() ==
                        &static_cast<TMainDlgForm&>(form).InstallingTabSheet;
         ++i) {
        form.TimerTick(kProgressTimerId);
        std::this_thread::sleep_for(1ms);
    }
}

// /VERYSILENT shows nothing and /SILENT only the installing page, which ends by itself; both leave the
// files, the settings and the logs of the wizard clicked through with its defaults, but do not start the
// word processor unless asked to.
TEST(UnattendedRun, LeavesWhatTheWizardsDefaultsLeave) {
    auto wizard = NewMachine();
    headless::ScriptModalLoop({Next, Next, Next, Next, Next, Tick, Next, Next});
    ASSERT_EQ(RunOn(*wizard, "ulvara.exe"), kExitDone);
    const std::string assoc = "\"" + kMainDir + "\\vlmr.exe\" -assoc adpr_cod";
    ASSERT_EQ(Commands(*wizard).size(), 2u);

    for (const char* mode : {"/VERYSILENT", "/SILENT"}) {
        SCOPED_TRACE(mode);
        auto machine = NewMachine();
        bool silent = std::string(mode) == "/SILENT";
        int modalLoops = 0;
        headless::ScriptModalLoop({[&](TForm& form) {
            auto& shown = static_cast<TMainDlgForm&>(form);
            ++modalLoops;
            EXPECT_EQ(shown.PgCtrl.ActivePage(), &shown.InstallingTabSheet);
            Tick(form);
            EXPECT_NE(form.ModalResult(), 0) << "the window closes by itself";
        }});
        const std::uint64_t controlsBefore = TControl::MadeCount();
        ASSERT_EQ(RunOn(*machine, std::string("ulvara.exe /LOG=") + kRunLog + " " + mode), kExitDone);
        const std::uint64_t controlsMade = TControl::MadeCount() - controlsBefore;
        // /VERYSILENT makes no control, loads no image or icon (the payload is the one resource read), and
        // reads no drive list.
        EXPECT_EQ(controlsMade > 0, silent) << controlsMade;
        if (!silent) {
            EXPECT_EQ(machine->Module.ResourceLookups, 1);
            EXPECT_EQ(machine->Module.IconLoads, 0);
        }
        EXPECT_EQ(modalLoops, silent ? 1 : 0);
        EXPECT_EQ(machine->Module.ApplicationWindowCreated, silent);
        EXPECT_TRUE(headless::AskedMessages().empty());
        EXPECT_EQ(Disk(*machine), Disk(*wizard));
        std::vector<sim::TRegWrite> writes = machine->Registry.Writes(),
                                    wizardWrites = wizard->Registry.Writes();
        ASSERT_EQ(writes.size(), wizardWrites.size());
        for (std::size_t i = 0; i < writes.size(); ++i)
            EXPECT_TRUE(writes[i].KeyPath == wizardWrites[i].KeyPath &&
                        writes[i].Name == wizardWrites[i].Name && writes[i].Data == wizardWrites[i].Data)
                << writes[i].KeyPath << "\\" << writes[i].Name;
        EXPECT_TRUE(machine->Registry.KeyExists(kHkeyCurrentUser, std::string(kInternalKey).substr(1)));
        EXPECT_EQ(Commands(*machine), std::vector<std::string>{assoc});
        const std::vector<std::string> log = RunLogLines(*machine);
        ASSERT_GE(log.size(), 4u);
        EXPECT_EQ(log[2], "Destination : " + kMainDir + " (ordinaire, par défaut)");
        EXPECT_NE(std::find(log.begin(), log.end(), "Lancement : non (par défaut)"), log.end());
        EXPECT_EQ(log.back(), "Code de sortie : 0");
    }
}

// What each early end leaves: its code and a line of the run log; nothing written when it comes before the
// installation, the settings stored as after an abandon when a file could not be written.
TEST(UnattendedRun, EndsEarlyWithItsCodeAndWritesNothingBeforeTheInstallation) {
    const std::string held = kMainDir + "\\vlmr.exe";
    struct Case {
        std::string Switches;
        std::function<void(sim::SimMachine&)> Arrange;
        int Code;
        std::string LogLine; // the beginning of a line the run log must hold
        bool Installs = false;
    };
    const Case cases[] = {
        {"/VERYSILENT",
         [](sim::SimMachine& m) {
             (void)m.System.AddTopLevelWindow({{std::string(kRunningCopyProperty), 1}});
         },
         kExitWordProcessorRunning, "Question : " + SplitTextLines(std::string(kRunningCopyText)).front()},
        {"/VERYSILENT /DIR=Ulvara",
         {},
         kExitInstallFailed,
         "Destination refusée : \"Ulvara\" n'est pas un chemin absolu"},
        {"/SILENT /DIR=C:Ulvara", {}, kExitInstallFailed, "Destination refusée : \"C:Ulvara\" n'est pas"},
        {"/SILENT /DIR=Q:\\Ulvara", {}, kExitInstallFailed, "Destination refusée : pas assez de place"},
        {"/VERYSILENT",
         [](sim::SimMachine& m) { m.Volumes.SetDrive({.Letter = 'C', .FreeBytes = 1u << 20}); },
         kExitInstallFailed, "Destination refusée : pas assez de place pour \"" + kMainDir + "\""},
        {"/VERYSILENT /DIR=C:\\notes.txt\\Ulvara",
         [](sim::SimMachine& m) { EXPECT_TRUE(m.Files.PutFile("C:\\notes.txt", "x")); }, kExitInstallFailed,
         "Destination refusée : impossible de créer le dossier \"C:\\notes.txt\\Ulvara\""},
        {"/VERYSILENT",
         [&held](sim::SimMachine& m) { m.Files.InjectCreateFailure(held, 100, kErrorSharingViolation); },
         kExitInstallFailed, "Réponse : Abandonner", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Switches);
        auto machine = NewMachine();
        if (c.Arrange) c.Arrange(*machine);
        const auto before = Disk(*machine);
        const FileTime start = machine->Clock.UtcNowTime();
        EXPECT_EQ(RunOn(*machine, "ulvara.exe /LOG=" + kRunLog + " " + c.Switches), c.Code);
        const std::vector<std::string> log = RunLogLines(*machine);
        EXPECT_NE(std::find_if(log.begin(), log.end(), [&c](auto& l) { return l.starts_with(c.LogLine); }),
                  log.end())
            << machine->Files.FileContent(kRunLog).value_or("");
        EXPECT_EQ(log.back(), "Code de sortie : " + std::to_string(c.Code));
        EXPECT_TRUE(headless::AskedMessages().empty());
        if (!c.Installs) {
            EXPECT_EQ(Disk(*machine), before);
            EXPECT_TRUE(machine->Registry.Writes().empty());
            EXPECT_FALSE(machine->Registry.KeyExists(kHkeyCurrentUser, "Software\\Ulvara Word Processor"));
            continue;
        }
        // Retried a few times a second apart, then abandoned with nothing written after it.
        EXPECT_EQ(std::count(log.begin(), log.end(), "Réponse : Réessayer"), TUnattendedAnswers::kRetries);
        EXPECT_EQ(std::count(log.begin(), log.end(),
                             "Échec : " + held + " (erreur 32 : fichier ouvert par un autre programme)"),
                  TUnattendedAnswers::kRetries + 1);
        EXPECT_GE(machine->Clock.UtcNowTime() - start,
                  FileTime{TUnattendedAnswers::kRetries} * TUnattendedAnswers::kRetryDelayMs * 10'000);
        EXPECT_EQ(machine->Files.GetFileAttributesA(kMainDir + "\\Licence.txt"), kInvalidFileAttributes);
        EXPECT_TRUE(machine->Registry.Value(kHkeyCurrentUser, std::string(kInstallKey), "MAINDIR"));
        EXPECT_TRUE(machine->Files.FileContent(kMainDir + "\\Install.log"));
    }
}

// The administrator chose the folder: that other users may change it is logged, and the run goes on.
TEST(UnattendedRun, ADestinationOthersMayChangeIsLoggedAndUsed) {
    const std::string shared = "D:\\Partagé";
    auto machine = NewMachine();
    machine->Volumes.SetDrive({.Letter = 'D'});
    ASSERT_TRUE(machine->Files.PutFolder(shared));
    machine->Files.SetOwner(shared, sim::kSimUserSid);
    ASSERT_EQ(RunOn(*machine, "ulvara.exe /LOG=" + kRunLog + " /VERYSILENT /DIR=" + shared), kExitDone);
    const std::vector<std::string> log = RunLogLines(*machine);
    auto line = std::find(log.begin(), log.end(),
                          "Dossier du programme modifiable par d'autres utilisateurs : " + shared);
    ASSERT_NE(line, log.end()) << machine->Files.FileContent(kRunLog).value_or("");
    ASSERT_GE(log.end() - line, 3);
    EXPECT_EQ(line[1], "Question : " + SplitTextLines(ChangeableDestinationText(shared)).front());
    EXPECT_NE(std::find(line, log.end(), "Réponse : Oui"), log.end());
    EXPECT_TRUE(machine->Files.FileContent(shared + "\\vlmr.exe"));
    EXPECT_TRUE(headless::AskedMessages().empty());
}

// A copy run by another user, or in another session (a deployment tool runs the setup as SYSTEM), has no
// window on this desktop; the Restart Manager says that it holds the installed program. Where it cannot say,
// the window check stands alone and the held file is met as it comes.
TEST(UnattendedRun, ACopyHoldingTheInstalledProgramRunsWhateverItsSession) {
    const std::string program = kMainDir + "\\vlmr.exe";
    struct Case {
        const char* Name;
        std::function<void(sim::SimMachine&)> Arrange;
        int Code;
    };
    const Case cases[] = {
        {"held in another session", {}, kExitWordProcessorRunning},
        {"no Restart Manager", [](sim::SimMachine& m) { m.RestartManager.Present = false; },
         kExitInstallFailed},
        {"a list the system cannot give",
         [](sim::SimMachine& m) { m.RestartManager.GetListError = kErrorCallNotImplemented; },
         kExitInstallFailed},
        {"no longer held", [&](sim::SimMachine& m) { m.RestartManager.ReleaseFile(program); }, kExitDone},
    };
    auto heldMachine = [&] {
        auto machine = NewMachine();
        EXPECT_TRUE(machine->Files.PutFile(program, "MZ"));
        EXPECT_TRUE(machine->RestartManager.HoldFile(
            program, {0x1A2C, 0, "Traitement de texte Ulvara", "", kRmMainWindow, 1, 2, false}));
        return machine;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto machine = heldMachine();
        if (c.Arrange) c.Arrange(*machine);
        const auto before = Disk(*machine);
        headless::ScriptModalLoop({Tick});
        EXPECT_EQ(RunOn(*machine, "ulvara.exe /LOG=" + kRunLog + " /VERYSILENT"), c.Code);
        EXPECT_EQ(machine->RestartManager.OpenSessionCount(), 0u);
        if (c.Code != kExitWordProcessorRunning) continue;
        EXPECT_EQ(Disk(*machine), before);
        EXPECT_TRUE(machine->Registry.Writes().empty());
    }

    // The wizard says it on leaving the welcome page, and stays there.
    auto machine = heldMachine();
    headless::ScriptModalLoop({Next, [](TForm& form) {
                                   auto& shown = static_cast<TMainDlgForm&>(form);
                                   EXPECT_EQ(shown.PgCtrl.ActivePage(), &shown.WelcomeTabSheet);
                               }});
    (void)RunOn(*machine, "ulvara.exe");
    ASSERT_FALSE(headless::AskedMessages().empty());
    EXPECT_EQ(headless::AskedMessages().front().Text, kRunningCopyText);
}

// An unattended run starts the word processor only when /TASKS lists launch, whatever the finish page's
// stored choice, and leaves that choice as it found it.
TEST(UnattendedRun, LaunchesOnlyWhenAskedAndKeepsTheStoredChoice) {
    struct Case {
        std::string Switches;
        bool StoredLaunch;
        bool Launched;
    };
    const Case cases[] = {{"/VERYSILENT /TASKS=desktopicon", true, false},
                          {"/SILENT /TASKS=launch", false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Switches);
        auto machine = NewMachine();
        const std::string key(kInstallKey);
        machine->Registry.PutValue(kHkeyCurrentUser, key, "LAUNCH", kRegDword, {c.StoredLaunch, 0, 0, 0});
        headless::ScriptModalLoop({Tick});
        ASSERT_EQ(RunOn(*machine, "ulvara.exe " + c.Switches), kExitDone);
        const std::vector<std::string> commands = Commands(*machine);
        EXPECT_EQ(std::ranges::count(commands, LaunchCommandLine(kMainDir)), c.Launched ? 1 : 0);
        std::optional<sim::TRegValue> launch = machine->Registry.Value(kHkeyCurrentUser, key, "LAUNCH");
        ASSERT_TRUE(launch);
        EXPECT_EQ(launch->Data, (std::vector<std::uint8_t>{c.StoredLaunch, 0, 0, 0}));
    }
}

// The switches deployment tools pass: /SP- and the ones about other programs change nothing, /NOCANCEL
// leaves the person no way to abandon a /SILENT run, and a destination may be written with "/".
TEST(UnattendedRun, TakesADeploymentToolsSwitches) {
    auto machine = NewMachine();
    bool cancelEnabled = true;
    headless::ScriptModalLoop({[&](TForm& form) {
                                   cancelEnabled = static_cast<TMainDlgForm&>(form).CancelBtn.Enabled();
                                   form.Close(); // the window's close box
                               },
                               Tick});
    ASSERT_EQ(
        RunOn(*machine, "ulvara.exe /SP- /SILENT /NOCANCEL /NOICONS /CLOSEAPPLICATIONS /RESTARTAPPLICATIONS "
                        "/NORESTART /LOG=" +
                            kRunLog + " /DIR=C:/Apps/Ulvara"),
        kExitDone);
    EXPECT_FALSE(cancelEnabled);
    EXPECT_TRUE(headless::AskedMessages().empty());
    const std::vector<std::string> log = RunLogLines(*machine);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[2], "Destination : C:\\Apps\\Ulvara (ordinaire, ligne de commande)");
    EXPECT_TRUE(machine->Files.FileContent("C:\\Apps\\Ulvara\\vlmr.exe"));
    auto text = [&machine](RegKey root, std::string_view key, const std::string& name) {
        std::optional<sim::TRegValue> value = machine->Registry.Value(root, std::string(key), name);
        if (!value || value->Data.empty()) return std::string();
        return std::string(value->Data.begin(), value->Data.end() - 1); // without its terminating zero
    };
    EXPECT_EQ(text(kHkeyCurrentUser, kInstallKey, "MAINDIR"), "C:\\Apps\\Ulvara");
    EXPECT_EQ(text(kHkeyLocalMachine, kUninstallKey, "DisplayIcon"), "C:\\Apps\\Ulvara\\vlmr.exe");
}

// Told to show no message box, the wizard answers its own questions as an unattended run does: the licence
// left unaccepted ends it as declined, a held file is retried and then abandoned.
TEST(UnattendedRun, AWizardToldToShowNoMessageAnswersAlone) {
    auto accept = [](TForm& form) { static_cast<TMainDlgForm&>(form).LicenseChkBx.SetChecked(true); };
    struct Case {
        std::vector<std::function<void(TForm&)>> Steps;
        int Code;
    };
    const Case cases[] = {{{Next, Next}, kExitCancelled},
                          {{Next, accept, Next, Next, Next, Next, Tick}, kExitInstallFailed}};
    for (const Case& c : cases) {
        auto machine = NewMachine();
        machine->Files.InjectCreateFailure(kMainDir + "\\vlmr.exe", 100, kErrorSharingViolation);
        headless::ScriptModalLoop(c.Steps);
        EXPECT_EQ(RunOn(*machine, "ulvara.exe /SUPPRESSMSGBOXES"), c.Code);
        EXPECT_TRUE(headless::AskedMessages().empty());
    }
}

// A failure nobody foresaw: a run that shows no message ends with the log and the code saying it (3 before
// the installation, 1603 once it has begun, with what an abandon stores stored); a run that may show one
// shows the box.
TEST(UnattendedRun, AnUnforeseenFailureEndsTheRunWithoutABoxWhereNoneMayShow) {
    const std::string beforeInstalling = "C:\\Program Files",
                      whileStarting = "C:\\ProgramData\\Ulvara\\Hidden";
    const struct {
        const char* Switches;
        const std::string& Throwing;
        int Code;
        bool Boxed;
    } cases[] = {
        {"/VERYSILENT", beforeInstalling, kExitUnexpectedFailure, false},
        {"/VERYSILENT", whileStarting, kExitInstallFailed, false},
        {"/SILENT /SUPPRESSMSGBOXES", whileStarting, kExitInstallFailed, false},
        {"/SUPPRESSMSGBOXES", whileStarting, kExitInstallFailed, false},
        {"", whileStarting, kExitInstallFailed, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Switches) + " " + c.Throwing);
        auto machine = NewMachine();
        machine->Files.ThrowOnNextCreate(c.Throwing);
        headless::ClearMessages();
        if (std::string_view(c.Switches).find("SILENT") == std::string_view::npos)
            headless::ScriptModalLoop({Next, Next, Next, Next, Next});
        TPlatform platform = machine->Platform();
        EXPECT_EQ(RunSetup(platform, std::string("ulvara.exe /LOG=") + kRunLog + " " + c.Switches), c.Code);
        std::size_t boxes = machine->System.MessageBoxes.size() + headless::AskedMessages().size();
        headless::ScriptModalLoop({});
        EXPECT_EQ(boxes, c.Boxed ? 1u : 0u);
        const std::vector<std::string> log = RunLogLines(*machine);
        EXPECT_NE(
            std::find_if(log.begin(), log.end(),
                         [](const std::string& line) { return line.starts_with(kUnexpectedFailureLogLine); }),
            log.end());
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), "Code de sortie : " + std::to_string(c.Code));
        bool stored = false;
        for (const sim::TRegWrite& write : machine->Registry.Writes())
            stored = stored || write.Name == kMainDirValue;
        EXPECT_EQ(stored, c.Code == kExitInstallFailed);
    }
}

std::vector<std::string> LinesStartingWith(const std::vector<std::string>& log, std::string_view start) {
    std::vector<std::string> lines;
    for (const std::string& line : log)
        if (line.starts_with(start)) lines.push_back(line.substr(start.size()));
    return lines;
}

// /PLAN tells what the installation would do and writes nothing but its log: on a fresh machine, the files
// it says it writes are those a real run leaves, and over an installation it says what a rerun replaces;
// it ends with the code the real run would end with before writing.
TEST(UnattendedRun, PlanTellsWhatTheInstallationDoesAndWritesNothing) {
    auto installed = NewMachine();
    const auto empty = Disk(*installed);
    ASSERT_EQ(RunOn(*installed, "ulvara.exe /VERYSILENT"), kExitDone);
    std::set<std::string> leftByRun;
    for (const auto& [path, content] : Disk(*installed))
        if (!empty.contains(path)) leftByRun.insert(path);

    for (bool over : {false, true}) {
        SCOPED_TRACE(over ? "over an installation" : "a fresh machine");
        auto fresh = NewMachine();
        sim::SimMachine& machine = over ? *installed : *fresh;
        const auto before = Disk(machine);
        const std::size_t writes = machine.Registry.Writes().size();
        const std::size_t commands = machine.System.WinExecCalls().size();
        std::set<std::string> changed;
        machine.Changes.BeforeChange = [&](std::uint64_t, std::string_view, const std::string& path) {
            // The run log is made under a work name of its own beside it, then renamed.
            if (path.find('\\', 3) != std::string::npos && !path.ends_with(" -> " + kRunLog))
                changed.insert(path);
        };
        ASSERT_EQ(RunOn(machine, "ulvara.exe /PLAN /LOG=" + kRunLog), kExitDone);
        machine.Changes.BeforeChange = nullptr;
        EXPECT_EQ(changed, std::set<std::string>{});
        EXPECT_EQ(Disk(machine), before);
        EXPECT_EQ(machine.Registry.Writes().size(), writes);
        EXPECT_EQ(machine.System.WinExecCalls().size(), commands);

        const std::vector<std::string> log = RunLogLines(machine);
        std::set<std::string> told;
        for (const std::string& line : LinesStartingWith(log, "Fichier écrit : "))
            told.insert(line.substr(0, line.rfind(" (")));
        for (const std::string& line : LinesStartingWith(log, "Dossier créé : "))
            told.insert(line + "\\");
        for (const std::string& line : LinesStartingWith(log, "Raccourci : "))
            told.insert(line.substr(0, line.find(" vers ")));
        if (!over) {
            EXPECT_EQ(told, leftByRun);
        } else {
            EXPECT_TRUE(LinesStartingWith(log, "Dossier créé : ").empty());
            EXPECT_TRUE(LinesStartingWith(log, "Fichier laissé : ").empty())
                << "an ordinary rerun writes all";
            EXPECT_EQ(
                std::ranges::count(log, "Fichier écrit : " + kMainDir +
                                            "\\vlmr.exe (présent, remplacé ; écrit à chaque installation)"),
                1);
        }
        for (const char* line :
             {"Registre : HKEY_CURRENT_USER\\Software\\Ulvara Word Processor\\Install\\MAINDIR = "
              "\"C:\\Program "
              "Files\\Ulvara\" (REG_SZ)",
              "Commande : \"C:\\Program Files\\Ulvara\\vlmr.exe\" -assoc adpr_cod (dans C:\\Program "
              "Files\\Ulvara)",
              "Désinstallation : "
              "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
              "Ulvara Word Processor\\DisplayVersion = \"3.3.3.1\" (REG_SZ)",
              "Lancement : non", "Code de sortie : 0"})
            EXPECT_EQ(std::ranges::count(log, std::string(line)), 1) << line;
    }

    struct Case {
        std::string Switches;
        int Code;
    };
    const Case ends[] = {{"/PLAN", kExitBadSwitch},
                         {"/PLAN /VERIFY /LOG=" + kRunLog, kExitBadSwitch},
                         {"/PLAN /DIR=Ulvara /LOG=" + kRunLog, kExitInstallFailed},
                         {"/PLAN /LOG=" + kRunLog, kExitWordProcessorRunning}};
    for (const Case& c : ends) {
        SCOPED_TRACE(c.Switches);
        auto machine = NewMachine();
        if (c.Code == kExitWordProcessorRunning)
            (void)machine->System.AddTopLevelWindow({{std::string(kRunningCopyProperty), 1}});
        const auto before = Disk(*machine);
        EXPECT_EQ(RunOn(*machine, "ulvara.exe " + c.Switches), c.Code);
        EXPECT_EQ(Disk(*machine), before);
        EXPECT_TRUE(machine->Registry.Writes().empty());
    }
}

// /VERIFY: no installation recorded, a whole one, one with a file changed or missing (the user's own copy
// of a word list may change), and the same repaired by a run; it writes nothing but its log.
TEST(UnattendedRun, VerifySaysWhetherTheRecordedInstallationIsWhole) {
    auto machine = NewMachine();
    const std::string verify = "ulvara.exe /VERIFY /LOG=" + kRunLog;
    EXPECT_EQ(RunOn(*machine, verify), kExitNotInstalled);
    ASSERT_EQ(RunOn(*machine, "ulvara.exe /VERYSILENT"), kExitDone);
    std::string userCopy;
    for (const auto& [path, content] : Disk(*machine))
        if (path.ends_with("\\persodicfr.tlx")) userCopy = path;
    ASSERT_FALSE(userCopy.empty());
    const std::string program = kMainDir + "\\vlmr.exe", licence = kMainDir + "\\Licence.txt";
    std::string changedProgram = machine->Files.FileContent(program).value_or("");
    ASSERT_FALSE(changedProgram.empty());
    changedProgram[0] ^= 1;

    struct Step {
        const char* What;
        std::function<void(sim::SimMachine&)> Change;
        int Code;
        std::vector<std::string> Differences;
    };
    const Step steps[] = {
        {"whole", {}, kExitDone, {}},
        {"the user's word list changed",
         [&](sim::SimMachine& m) { EXPECT_TRUE(m.Files.PutFile(userCopy, "mots")); },
         kExitDone,
         {}},
        {"a file changed and one missing",
         [&](sim::SimMachine& m) {
             EXPECT_TRUE(m.Files.PutFile(program, changedProgram));
             EXPECT_TRUE(m.Files.DeleteFileA(licence));
         },
         kExitNotWhole,
         {program + " (d'un autre contenu)", licence + " (absent)"}},
        {"repaired",
         [](sim::SimMachine& m) { EXPECT_EQ(RunOn(m, "ulvara.exe /VERYSILENT"), kExitDone); },
         kExitDone,
         {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.What);
        if (step.Change) step.Change(*machine);
        const auto before = Disk(*machine);
        const std::size_t writes = machine->Registry.Writes().size();
        EXPECT_EQ(RunOn(*machine, verify), step.Code);
        EXPECT_EQ(Disk(*machine), before);
        EXPECT_EQ(machine->Registry.Writes().size(), writes);
        const std::vector<std::string> log = RunLogLines(*machine);
        EXPECT_EQ(LinesStartingWith(log, "Fichier différent : "), step.Differences);
        EXPECT_EQ(
            std::ranges::count(log, std::string(step.Code == kExitDone ? "Installation complète"
                                                                       : "Installation incomplète : une "
                                                                         "nouvelle installation la répare")),
            1);
    }
}

} // namespace
} // namespace ulv::test::unattended
