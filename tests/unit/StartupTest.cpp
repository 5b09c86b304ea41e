#include "app/Startup.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/ui/HeadlessUi.h"
#include "resources/ResConst.h"
#include "tests/support/TestFiles.h"
#include "wizard/MainDlg.h"

#include <gtest/gtest.h>

namespace ulv {
namespace {

class Startup : public ::testing::Test {
protected:
    void PutSamplePayload() {
        Machine.Module.PutResource("FILES", "FILES", test::ReadHostFile(ULVARA_SAMPLE_PAYLOAD));
    }
    int Run() {
        TPlatform platform = Machine.Platform();
        return RunSetup(platform, "");
    }
    sim::SimMachine Machine;
};

TEST_F(Startup, OldWindowsGetsOnlyTheRefusal) {
    struct Version {
        std::uint32_t Platform, Major, Minor;
    };
    for (Version v : {Version{kVerPlatformWin32Nt, 4, 0}, Version{kVerPlatformWin32Windows, 4, 10},
                      Version{kVerPlatformWin32Windows, 5, 0}, Version{kVerPlatformWin32s, 3, 1}}) {
        sim::SimMachine machine;
        machine.System.SetVersion(v.Platform, v.Major, v.Minor);
        machine.Module.PutResource("FILES", "FILES", {0x78, 0xDA});
        machine.Module.AddIcon(1);
        TPlatform platform = machine.Platform();
        EXPECT_EQ(RunSetup(platform, ""), kExitOldWindows);

        ASSERT_EQ(machine.System.MessageBoxes.size(), 1u);
        const sim::TMessageBoxCall& box = machine.System.MessageBoxes[0];
        EXPECT_EQ(box.Owner, 0u);
        EXPECT_EQ(box.Text, "Ce programme n\xE9"
                            "cessite Windows 2000 ou un syst\xE8me Windows plus r\xE9"
                            "cent.");
        EXPECT_FALSE(box.Caption.has_value()) << "the system's default title";
        EXPECT_EQ(box.Style, 0x30u);
        // Nothing else is touched.
        EXPECT_EQ(machine.Module.ResourceLookups, 0);
        EXPECT_EQ(machine.Module.IconLoads, 0);
        EXPECT_FALSE(machine.Module.ApplicationWindowCreated);
        EXPECT_TRUE(machine.System.SentMessages.empty());
        EXPECT_TRUE(machine.System.WindowTexts.empty());
        EXPECT_EQ(machine.Shell.OleInitializeCalls(), 0);
    }
}

TEST_F(Startup, Windows2000AndLaterLoadThePayload) {
    PutSamplePayload();
    for (std::uint32_t major : {5u, 6u, 10u}) {
        Machine.System.SetVersion(kVerPlatformWin32Nt, major, 0);
        EXPECT_EQ(Run(), kExitCancelled) << major;
    }
    EXPECT_TRUE(Machine.System.MessageBoxes.empty());
    EXPECT_EQ(Machine.Shell.OleInitializeCalls(), 3) << "once a run";
    EXPECT_EQ(Machine.Shell.OleUninitializeCalls(), 3);
}

TEST_F(Startup, ApplicationGetsItsIconAndTitle) {
    PutSamplePayload();
    Machine.Module.AddIcon(1);
    EXPECT_EQ(Run(), kExitCancelled);
    ASSERT_EQ(Machine.System.SentMessages.size(), 1u);
    const sim::TSentMessage& m = Machine.System.SentMessages[0];
    EXPECT_EQ(m.Window, sim::SimModule::kApplicationWindow);
    EXPECT_EQ(m.Message, 0x80u);
    EXPECT_EQ(m.WParam, 1u);
    EXPECT_EQ(m.LParam, static_cast<std::intptr_t>(sim::SimModule::kIconBase + 1));
    EXPECT_EQ(Machine.System.WindowTexts[sim::SimModule::kApplicationWindow],
              "Installation du traitement de texte Ulvara");
}

TEST_F(Startup, TheWizardRunsModallyOnceThePayloadIsLoaded) {
    PutSamplePayload();
    Machine.Module.AddIcon(1);
    std::string caption;
    std::uintptr_t owner = 0;
    int page = -1;
    headless::ScriptModalLoop({[&](TForm& form) {
        auto& wizard = static_cast<TMainDlgForm&>(form);
        caption = wizard.Caption();
        owner = wizard.Owner;
        page = wizard.PgCtrl.ActivePage()->Tag;
        wizard.CancelBtn.Click();
    }});
    EXPECT_EQ(Run(), kExitCancelled);
    EXPECT_EQ(caption, kAppTitle);
    EXPECT_EQ(owner, sim::SimModule::kApplicationWindow);
    EXPECT_EQ(page, 0);
}

// A deployment tool's bad command line: nothing shown, nothing read or written but the log it asked for.
TEST_F(Startup, AnUnattendedRunWithABadSwitchEndsAtOnce) {
    PutSamplePayload();
    TPlatform platform = Machine.Platform();
    EXPECT_EQ(RunSetup(platform, "setup.exe /VERYSILENT /NOPE /LOG=C:\\run.log"), kExitBadSwitch);
    EXPECT_TRUE(Machine.System.MessageBoxes.empty());
    EXPECT_TRUE(Machine.Registry.Writes().empty());
    EXPECT_EQ(Machine.Shell.OleInitializeCalls(), 0);
    const std::optional<std::string> log = Machine.Files.FileContent("C:\\run.log");
    ASSERT_TRUE(log.has_value());
    EXPECT_TRUE(log->ends_with("Paramètre refusé : /NOPE\r\nCode de sortie : 87\r\n")) << *log;
    EXPECT_EQ(RunSetup(platform, "setup.exe /NOPE"), kExitCancelled)
        << "the wizard ignores what it does not know";
}

// A log that cannot be made (its folder missing) ends the run before anything else is read or written, with
// the code Windows Installer gives for it; the reason shows in a box unless no box may show.
TEST_F(Startup, ALogThatCannotBeMadeEndsTheRunFirst) {
    PutSamplePayload();
    for (const char* switches : {"", "/VERYSILENT ", "/SUPPRESSMSGBOXES "}) {
        SCOPED_TRACE(switches);
        Machine.System.MessageBoxes.clear();
        TPlatform platform = Machine.Platform();
        EXPECT_EQ(RunSetup(platform, std::string("setup.exe ") + switches + "/LOG=C:\\Absent\\run.log"),
                  kExitLogFailure);
        EXPECT_TRUE(Machine.Registry.Writes().empty());
        EXPECT_EQ(Machine.Shell.OleInitializeCalls(), 0) << "no wizard";
        EXPECT_EQ(Machine.Files.GetFileAttributesA("C:\\Absent"), kInvalidFileAttributes);
        ASSERT_EQ(Machine.System.MessageBoxes.size(), *switches ? 0u : 1u);
        if (*switches) continue;
        EXPECT_EQ(Machine.System.MessageBoxes[0].Text,
                  "Impossible de créer le journal d'installation \"C:\\Absent\\run.log\".\r\rVérifiez que "
                  "son dossier existe et que vous pouvez y écrire. L'installation n'a pas commencé.");
    }
}

// /HELP or /? lists the switches instead of a run, also beside a switch it would refuse: in a box, unless no
// box may show, and in the run log when there is one.
TEST_F(Startup, HelpListsTheSwitchesInsteadOfARun) {
    PutSamplePayload();
    struct Case {
        const char* CommandLine;
        bool Shown;
    };
    for (const Case& c : {Case{"setup.exe /?", true}, Case{"setup.exe /SILENT /Help /LOG=C:\\run.log", true},
                          Case{"setup.exe /help /VERYSILENT /NOPE /LOG=C:\\run.log", false},
                          Case{"setup.exe /SUPPRESSMSGBOXES /? /LOG=C:\\run.log", false}}) {
        SCOPED_TRACE(c.CommandLine);
        Machine.System.MessageBoxes.clear();
        (void)Machine.Files.DeleteFileA("C:\\run.log");
        TPlatform platform = Machine.Platform();
        EXPECT_EQ(RunSetup(platform, c.CommandLine), kExitDone);
        EXPECT_EQ(Machine.Shell.OleInitializeCalls(), 0) << "no wizard";
        EXPECT_TRUE(Machine.Registry.Writes().empty());
        ASSERT_EQ(Machine.System.MessageBoxes.size(), c.Shown ? 1u : 0u);
        std::vector<std::string> lists;
        if (c.Shown) {
            lists.push_back(Machine.System.MessageBoxes[0].Text);
            EXPECT_EQ(Machine.System.MessageBoxes[0].Caption, std::string(kAppTitle));
            EXPECT_EQ(Machine.System.MessageBoxes[0].Style, kMbOk | kMbIconInformation);
        }
        if (std::optional<std::string> log = Machine.Files.FileContent("C:\\run.log")) {
            EXPECT_TRUE(log->ends_with("\r\nCode de sortie : 0\r\n")) << *log;
            lists.push_back(*log);
        }
        for (const std::string& list : lists)
            for (const char* text :
                 {"/VERYSILENT", "/NOCANCEL", "/DIR=", "frenchspelling", "assocdocx", "/SP-", "/?"})
                EXPECT_NE(list.find(text), std::string::npos) << text << " in " << list;
    }
}

TEST_F(Startup, MissingOrDamagedPayloadEndsWithAMessage) {
    auto stream = test::ReadHostFile(ULVARA_SAMPLE_PAYLOAD);
    ASSERT_GT(stream.size(), 1000u);
    std::vector<std::vector<std::uint8_t>> damaged = {
        {},                                                                            // missing
        std::vector<std::uint8_t>(stream.begin(), stream.begin() + stream.size() / 2), // cut short
        std::vector<std::uint8_t>(1000, 0x42),                                         // not a stream
    };
    for (size_t i = 0; i < damaged.size(); ++i) {
        sim::SimMachine machine;
        if (i > 0) machine.Module.PutResource("FILES", "FILES", damaged[i]);
        TPlatform platform = machine.Platform();
        EXPECT_EQ(RunSetup(platform, ""), kExitDamagedSetup) << i;
        ASSERT_EQ(machine.System.MessageBoxes.size(), 1u) << i;
        EXPECT_EQ(machine.System.MessageBoxes[0].Text, kDamagedSetupText);
        EXPECT_EQ(machine.System.MessageBoxes[0].Caption, std::string(kAppTitle));
        EXPECT_EQ(machine.System.MessageBoxes[0].Style, kMbOk | kMbIconHand);
    }
}

// What a second copy writes, or rather does not, is in PageFlowEntry: here what it shows and returns.
TEST_F(Startup, ASecondCopyShowsOnlyItsMessage) {
    const std::string name(kSetupInstanceName);
    PutSamplePayload();
    for (bool anotherUser : {false, true}) {
        Machine.System.HoldElsewhere(name, anotherUser);
        EXPECT_EQ(Run(), kExitAnotherSetupRunning) << anotherUser;
        Machine.System.ReleaseElsewhere(name);
        ASSERT_EQ(Machine.System.MessageBoxes.size(), 1u) << anotherUser;
        const sim::TMessageBoxCall& box = Machine.System.MessageBoxes[0];
        EXPECT_EQ(box.Owner, 0u);
        EXPECT_EQ(box.Text,
                  "Le programme d'installation du traitement de texte Ulvara est d\xE9j\xE0 en cours "
                  "d'ex\xE9"
                  "cution.\r\rTerminez-le avant de le relancer.");
        EXPECT_EQ(box.Caption, std::string(kAppTitle));
        EXPECT_EQ(box.Style, kMbOk | kMbIconExclamation);
        EXPECT_EQ(Machine.Module.ResourceLookups, 0) << "the payload is not even looked for";
        EXPECT_FALSE(Machine.Module.ApplicationWindowCreated);
        EXPECT_EQ(Machine.Shell.OleInitializeCalls(), 0);
        EXPECT_EQ(Machine.System.OpenKernelHandleCount(), 0u) << "the other copy's object is let go";
        Machine.System.MessageBoxes.clear();
    }
    // An unattended copy, or one told to show no message box, says it by its code alone.
    Machine.System.HoldElsewhere(name, false);
    TPlatform platform = Machine.Platform();
    EXPECT_EQ(RunSetup(platform, "setup.exe /VERYSILENT /LOG=C:\\run.log"), kExitAnotherSetupRunning);
    EXPECT_EQ(RunSetup(platform, "setup.exe /suppressmsgboxes"), kExitAnotherSetupRunning);
    Machine.System.ReleaseElsewhere(name);
    EXPECT_TRUE(Machine.System.MessageBoxes.empty());
    EXPECT_FALSE(Machine.Files.FileContent("C:\\run.log")) << "the other copy's log is not touched";

    // Two copies of this program: the second starts while the first shows its wizard, and once the first
    // has ended the name is free again.
    int secondExit = -1;
    headless::ScriptModalLoop({[&](TForm&) {
        TPlatform platform = Machine.Platform();
        secondExit = RunSetup(platform, "");
    }});
    EXPECT_EQ(Run(), kExitCancelled);
    EXPECT_EQ(secondExit, kExitAnotherSetupRunning);
    EXPECT_EQ(Machine.System.MessageBoxes.size(), 1u);
    EXPECT_EQ(Machine.System.OpenKernelHandleCount(), 0u);
    EXPECT_EQ(Run(), kExitCancelled);
}

} // namespace
} // namespace ulv
