// The wizard's page flow, click by click on the headless toolkit, against a simulated machine and the sample
// payload, with the real install thread behind the installing page. Writes go through a recording file port
// whose hook can hold the worker inside the write of a chosen file, so the tests know where it stands.
#include "wizard/PageFlow.h"
#include "app/Startup.h"
#include "engine/AttachFiles.h"
#include "engine/InstallThread.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/ui/HeadlessUi.h"
#include "platform/ui/MessageDialog.h"
#include "resources/ResConst.h"
#include "tests/support/TestFiles.h"
#include "tests/unit/RecordingFiles.h"
#include "tests/unit/SampleRun.h"
#include "tests/unit/WizardFixture.h"
#include "utils/InstUtils.h"
#include "utils/TextLines.h"
#include "wizard/InstallSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

namespace ulv::test {
namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

const std::string kMainDir = "C:\\Program Files\\Ulvara";
const std::string kProgram = "\"C:\\Program Files\\Ulvara\\vlmr.exe\"";
const std::string kHyphenation = "\\Coupe de mots.dat";

// Holds the writer of a file whose path ends with the suffix inside its write, until opened.
class TWriteGate {
public:
    void Arm(std::string suffix) {
        std::lock_guard lock(Lock);
        Suffix = std::move(suffix);
    }
    void Pass(const std::string& path) {
        std::unique_lock lock(Lock);
        if (Suffix.empty() || !path.ends_with(Suffix)) return;
        Arrived = true;
        Changed.notify_all();
        Changed.wait(lock, [this] { return Opened || Deadline; });
        if (!Opened) Changed.wait_until(lock, *Deadline, [this] { return Opened; });
    }
    // Lets the writer go that long from now, whatever the thread that holds it is doing by then.
    void OpenAfter(std::chrono::milliseconds delay) {
        std::lock_guard lock(Lock);
        Deadline = std::chrono::steady_clock::now() + delay;
        Changed.notify_all();
    }
    [[nodiscard]] bool WaitArrived() {
        std::unique_lock lock(Lock);
        return Changed.wait_for(lock, 20s, [this] { return Arrived; });
    }
    void Open() {
        std::lock_guard lock(Lock);
        Opened = true;
        Changed.notify_all();
    }

private:
    std::mutex Lock;
    std::condition_variable Changed;
    std::string Suffix;
    bool Arrived = false;
    bool Opened = false;
    std::optional<std::chrono::steady_clock::time_point> Deadline;
};

// Everything the program entry makes for one run: the machine, the index asking through the relay (the
// wizard's dialog on this thread, the status record from the worker), the run's records and the window.
struct TWorld {
    TWorld() {
        for (const char* folder : {"C:\\Program Files", "C:\\ProgramData", "C:\\users\\test\\Temp"})
            (void)Machine.Files.PutFolder(folder);
        // As the program entry does for the shell links.
        (void)Machine.Shell.OleInitialize();
        Recording.BeforeWrite = [this](const std::string& path) {
            {
                std::lock_guard lock(BegunLock);
                Begun.push_back(path);
            }
            for (TWriteGate& gate : Gates)
                gate.Pass(path);
        };
    }
    TWorld(const TWorld&) = delete;
    TWorld& operator=(const TWorld&) = delete;
    ~TWorld() {
        for (TWriteGate& gate : Gates)
            gate.Open();
        Run.EndInstallThread();
        Wizard = nullptr;
    }
    void Open(const Strings& params) {
        Form =
            std::make_unique<TWizardWindow>(Platform, Utils, *AttachedFiles, Run, ParseSetupSwitches(params));
        Wizard = Form.get();
        // As ShowModal does: the window's keys reach its buttons only once they exist.
        Form->CreateHandles();
    }
    [[nodiscard]] Strings BegunPaths() {
        std::lock_guard lock(BegunLock);
        return Begun;
    }

    sim::SimMachine Machine;
    RecordingFiles Recording{Machine.Files};
    TPlatform Platform{Recording,     Machine.Clock, Machine.System,   Machine.Module,        Machine.Drives,
                       Machine.Shell, Machine.Text,  Machine.Registry, Machine.RestartManager};
    TInstUtils Utils{Platform};
    TSetupRun Run;
    TMainDlgForm* Wizard = nullptr;
    TAskUserRelay Relay{Run.InstallStatus, [this](const std::string& text, int kind, std::uint16_t buttons) {
                            return Wizard ? Wizard->Ask(text, kind, buttons) : kResultAbort;
                        }};
    std::unique_ptr<TAttachedFiles> AttachedFiles = LoadSamplePayload(Platform, Utils, Relay.AsAskUser());
    std::unique_ptr<TWizardWindow> Form;
    std::array<TWriteGate, 2> Gates;
    std::mutex BegunLock;
    Strings Begun;
};

class PageFlow : public ::testing::Test {
protected:
    void SetUp() override { Fresh(); }
    void Fresh(const Strings& params = {}) {
        W.reset();
        headless::ClearMessages();
        W = std::make_unique<TWorld>();
        ASSERT_TRUE(W->AttachedFiles);
        W->Open(params);
    }
    TMainDlgForm& Form() { return *W->Form; }
    TInstallThreadStatus& Status() { return W->Run.InstallStatus; }
    int Page() { return Form().PgCtrl.ActivePage()->Tag; }
    void Next() { Form().NextBtn.Click(); }
    void Back() { Form().BackBtn.Click(); }
    // A close request as the modal loop confirms it: true when the window may close.
    bool CloseBy(TButton& button) {
        button.Click();
        return Form().ConfirmModalResult();
    }
    // The window's timer, as often as the worker needs to leave the installing page or end the window.
    void TickUntilPageLeft() {
        for (int turn = 0; turn < 1000 && Page() == kInstallingPage && !Form().ModalResult(); ++turn) {
            (void)WaitForWorker();
            Form().TimerTick(kProgressTimerId);
        }
    }
    void WalkTo(int page) {
        while (Page() < page) {
            int before = Page();
            if (before == kInstallingPage)
                TickUntilPageLeft();
            else
                Next();
            if (Page() == before) {
                ADD_FAILURE() << "stuck on page " << before;
                return;
            }
        }
    }
    // Waits until the worker asks something or has ended its run; returns the state it left.
    std::uint8_t WaitForWorker() {
        for (;;) {
            std::uint8_t state = Status().Load();
            if (state != isRunning && state != isAnswered) return state;
            (void)Status().WaitWhile(state);
        }
    }
    // The worker's files in the order it writes them.
    Strings WorkerTargets() {
        Strings targets;
        for (const auto& queue : W->AttachedFiles->Queues)
            for (const TFileToInstall& item : queue)
                targets.push_back(item.TargetPath);
        return targets;
    }
    Strings WorkerBegun() {
        Strings targets = WorkerTargets(), begun;
        for (const std::string& path : W->BegunPaths())
            if (std::find(targets.begin(), targets.end(), path) != targets.end()) begun.push_back(path);
        return begun;
    }
    // The worker's files up to (and with `including`, also) the first ending with the suffix.
    Strings TargetsBefore(const std::string& suffix, bool including) {
        Strings targets = WorkerTargets();
        auto at =
            std::find_if(targets.begin(), targets.end(), [&](const auto& t) { return t.ends_with(suffix); });
        EXPECT_NE(at, targets.end()) << suffix;
        if (at != targets.end() && including) ++at;
        return Strings(targets.begin(), at);
    }
    Strings LicenceLines() {
        for (const TAttachedFile& entry : W->AttachedFiles->Entries)
            if (entry.Name == kLicenceEntryName)
                return SplitTextLines(std::string_view(
                    reinterpret_cast<const char*>(W->AttachedFiles->Payload()) + entry.DataOffset,
                    static_cast<size_t>(entry.Size)));
        return {};
    }
    static const headless::TAskedMessage& Asked(size_t index) { return headless::AskedMessages().at(index); }
    static size_t AskedCount() { return headless::AskedMessages().size(); }

    std::unique_ptr<TWorld> W;
};

void ExpectAbortQuestion(const headless::TAskedMessage& asked) {
    const Strings captions = {"&Non", "A&bandonner"};
    EXPECT_EQ(asked.Title, "Confirmation");
    EXPECT_EQ(asked.Kind, kMessageConfirmation);
    EXPECT_EQ(asked.Captions, captions);
    EXPECT_EQ(asked.Text, kAbortQuestionText);
}

void ExpectFileQuestion(const headless::TAskedMessage& asked, const std::string& path) {
    const Strings captions = {"A&bandonner", "&Réessayer", "I&gnorer"};
    EXPECT_EQ(asked.Title, "Erreur");
    EXPECT_EQ(asked.Kind, kMessageError);
    EXPECT_EQ(asked.Captions, captions);
    EXPECT_EQ(asked.Text, CannotCreateFileText(path));
}

struct TExpectedFrame {
    bool BackVisible, BackEnabled, NextEnabled, CancelEnabled;
    std::string NextCaption, Title;
};

void ExpectFrame(TMainDlgForm& form, int page) {
    static const std::array<TExpectedFrame, kPageCount> kFrames = {{
        {false, true, true, true, "&Suite >", "Merci de faire confiance à Ulvara"},
        {true, true, true, true, "&Suite >", "Accord de Licence"},
        {true, true, true, true, "&Suite >", "Choix du dossier d'installation"},
        {true, true, true, true, "&Suite >", "Choix des composants à installer"},
        {true, true, true, true, "&Suite >", "L'installation peut commencer"},
        {true, false, false, true, "&Suite >", "Installation"},
        {true, false, true, true, "&Suite >", "Types de document à associer à Ulvara"},
        {true, false, true, false, "&Terminer", "Installation terminée"},
    }};
    SCOPED_TRACE("page " + std::to_string(page));
    const TExpectedFrame& e = kFrames[static_cast<size_t>(page)];
    ASSERT_EQ(form.PgCtrl.ActivePage(), &form.Sheet(page));
    EXPECT_EQ(form.BackBtn.Visible(), e.BackVisible);
    EXPECT_EQ(form.BackBtn.Enabled(), e.BackEnabled);
    EXPECT_EQ(form.NextBtn.Enabled(), e.NextEnabled);
    EXPECT_EQ(form.CancelBtn.Enabled(), e.CancelEnabled);
    EXPECT_EQ(form.BackBtn.Caption(), "< &Retour");
    EXPECT_EQ(form.NextBtn.Caption(), e.NextCaption);
    EXPECT_EQ(form.CancelBtn.Caption(), "Annuler");
    EXPECT_EQ(form.TopLbl.Caption(), e.Title);
}

TEST_F(PageFlow, ButtonsTitleAndFocusOnEveryPageOfAnInstallation) {
    TMainDlgForm& form = Form();
    ExpectFrame(form, 0);
    const std::array<TControl*, 5> focus = {nullptr, &form.LicenseMemo, &form.DestDirEdt, &form.SelCompLstBx,
                                            &form.NextBtn};
    for (int page = 1; page <= kStartPage; ++page) {
        Next();
        ExpectFrame(form, page);
        EXPECT_EQ(form.Focused(), focus[static_cast<size_t>(page)]) << page;
    }
    EXPECT_TRUE(form.InstallToAllChkBx.Visible());
    EXPECT_TRUE(form.DesktopChkBx.Visible());
    for (int page = kStartPage - 1; page >= 0; --page) {
        Back();
        ExpectFrame(form, page);
    }
    WalkTo(kStartPage);
    EXPECT_FALSE(W->Run.InstallStarted);
    Next();
    ExpectFrame(form, kInstallingPage);
    EXPECT_TRUE(W->Run.InstallStarted);
    TickUntilPageLeft();
    ExpectFrame(form, kAssocPage);
    EXPECT_EQ(form.Focused(), &form.AssocChkBx1);
    Next();
    ExpectFrame(form, kFinishPage);

    // "Terminer": the window ends with 1 and leaves its buttons, title and page as they were.
    Next();
    EXPECT_EQ(form.ModalResult(), kModalResultOk);
    ExpectFrame(form, kFinishPage);
    EXPECT_TRUE(form.ConfirmModalResult());
    EXPECT_EQ(AskedCount(), 0u);
}

TEST_F(PageFlow, LicenceLoadedOnTheFirstVisitOnly) {
    const std::string temp = W->Utils.NewTempFileName();
    Next();
    ASSERT_EQ(Page(), kLicensePage);
    EXPECT_EQ(Form().LicenseMemo.Lines(), LicenceLines());
    EXPECT_FALSE(Form().LicenseMemo.Lines().empty());
    EXPECT_EQ(W->Recording.WritesOf(temp), 1);
    EXPECT_EQ(W->Machine.Files.GetFileAttributesA(temp), kInvalidFileAttributes) << "no temporary file left";
    EXPECT_EQ(Status().Load(), isIdle);

    Next();
    Back();
    EXPECT_EQ(Page(), kLicensePage);
    Back();
    Next();
    EXPECT_EQ(Page(), kLicensePage);
    EXPECT_EQ(W->Recording.WritesOf(temp), 1) << "neither Back from page 2 nor Next from page 0 reloads";
    EXPECT_EQ(AskedCount(), 0u);
}

TEST_F(PageFlow, LicenceThatCannotBeExtracted) {
    const std::string temp = W->Utils.NewTempFileName();
    // Ignored: the licence page shows what could be loaded, nothing; the next visit from page 0 tries again.
    W->Machine.Files.InjectCreateFailure(temp, 1, kErrorSharingViolation);
    headless::ScriptAnswers({kResultIgnore});
    Next();
    ASSERT_EQ(AskedCount(), 1u);
    ExpectFileQuestion(Asked(0), temp);
    EXPECT_EQ(Page(), kLicensePage);
    EXPECT_TRUE(Form().LicenseMemo.Lines().empty());
    EXPECT_EQ(Status().Load(), isIdle) << "asked on the GUI thread, not through the status record";
    Back();
    Next();
    EXPECT_EQ(Form().LicenseMemo.Lines(), LicenceLines());
    EXPECT_EQ(AskedCount(), 1u);

    // Retried until the file can be made.
    Fresh();
    W->Machine.Files.InjectCreateFailure(temp, 2, kErrorSharingViolation);
    headless::ScriptAnswers({kResultRetry, kResultRetry});
    Next();
    EXPECT_EQ(AskedCount(), 2u);
    EXPECT_EQ(Page(), kLicensePage);
    EXPECT_EQ(Form().LicenseMemo.Lines(), LicenceLines());

    // Abandoned: the window ends with 2 without the close question, and no installation began.
    Fresh();
    W->Machine.Files.InjectCreateFailure(temp, 1, kErrorSharingViolation);
    headless::ScriptAnswers({kResultAbort});
    Next();
    EXPECT_EQ(Form().ModalResult(), kModalResultCancel);
    EXPECT_TRUE(Form().ConfirmModalResult());
    EXPECT_EQ(AskedCount(), 1u);
    EXPECT_FALSE(W->Run.InstallStarted);
    EXPECT_EQ(W->Machine.Files.GetFileAttributesA(temp), kInvalidFileAttributes);
}

TEST_F(PageFlow, RunningCopyToldOnLeavingTheWelcomeAndReadyPagesOnly) {
    sim::SimSystem& system = W->Machine.System;
    // A window whose property is zero is no running copy.
    (void)system.AddTopLevelWindow({{"Autre", 7}, {std::string(kRunningCopyProperty), 0}});
    WindowHandle copy = system.AddTopLevelWindow({{std::string(kRunningCopyProperty), 1}});
    Next();
    ASSERT_EQ(AskedCount(), 1u);
    const Strings ok = {"OK"};
    EXPECT_EQ(Asked(0).Title, "Information");
    EXPECT_EQ(Asked(0).Captions, ok);
    EXPECT_EQ(Asked(0).Text, kRunningCopyText);
    EXPECT_EQ(Page(), kWelcomePage);
    EXPECT_TRUE(Form().LicenseMemo.Lines().empty()) << "nothing extracted";
    EXPECT_EQ(Form().ModalResult(), 0);

    system.RemoveWindow(copy);
    Next();
    ASSERT_EQ(Page(), kLicensePage);
    copy = system.AddTopLevelWindow({{std::string(kRunningCopyProperty), 1}});
    Back();
    Next(); // a second visit of the licence page does not look
    for (int page = kDestDirPage; page <= kStartPage; ++page) {
        Next();
        EXPECT_EQ(Page(), page);
    }
    EXPECT_EQ(AskedCount(), 1u);

    Next();
    ASSERT_EQ(AskedCount(), 2u);
    EXPECT_EQ(Asked(1).Text, kRunningCopyText);
    EXPECT_EQ(Page(), kStartPage);
    EXPECT_FALSE(W->Run.InstallStarted);
    EXPECT_EQ(Status().Load(), isIdle);
    system.RemoveWindow(copy);
    Next();
    EXPECT_EQ(Page(), kInstallingPage);
}

// The Next of the destination page asks before it goes on into an existing folder other users may change;
// one the setup can trust is not asked about.
TEST_F(PageFlow, ADestinationOthersMayChangeIsToldAndTakenOnlyOnOui) {
    const std::string shared = "C:\\Partagé";
    ASSERT_TRUE(W->Machine.Files.PutFolder(shared));
    ASSERT_TRUE(W->Machine.Files.SetDacl(shared, "D:AI(A;OICIID;FA;;;BA)(A;OICIID;0x1301bf;;;AU)"));
    ASSERT_TRUE(W->Machine.Files.PutFolder(kMainDir));
    WalkTo(kDestDirPage);
    Form().DestDirEdt.SetText(shared);
    headless::ScriptAnswers({kResultNo});
    Next();
    ASSERT_EQ(AskedCount(), 1u);
    const Strings yesNo = {"&Oui", "&Non"};
    EXPECT_EQ(Asked(0).Title, "Avertissement");
    EXPECT_EQ(Asked(0).Captions, yesNo);
    EXPECT_EQ(Asked(0).Text, ChangeableDestinationText(shared));
    EXPECT_EQ(Page(), kDestDirPage);

    headless::ScriptAnswers({kResultYes});
    Next();
    EXPECT_EQ(AskedCount(), 2u);
    EXPECT_EQ(Page(), kSelCompPage);
    EXPECT_EQ(Form().Installation.Options.MainDir, shared);

    Back();
    Form().DestDirEdt.SetText(kMainDir);
    Next();
    EXPECT_EQ(Page(), kSelCompPage);
    EXPECT_EQ(AskedCount(), 2u);
}

TEST_F(PageFlow, DeclinedLicenceAsksBeforeEnding) {
    Next();
    Form().LicenseChkBx.UserToggle();
    ASSERT_FALSE(Form().LicenseChkBx.Checked());
    headless::ScriptAnswers({kResultNo});
    Next();
    ASSERT_EQ(AskedCount(), 1u);
    const Strings yesNo = {"&Oui", "&Non"};
    EXPECT_EQ(Asked(0).Title, "Information");
    EXPECT_EQ(Asked(0).Captions, yesNo);
    EXPECT_EQ(Asked(0).Text, kLicenceDeclinedText);
    EXPECT_EQ(Page(), kLicensePage);
    EXPECT_EQ(Form().ModalResult(), 0);

    headless::ScriptAnswers({kResultYes});
    Next();
    EXPECT_EQ(Page(), kLicensePage);
    EXPECT_EQ(Form().ModalResult(), kModalResultCancel);
    EXPECT_TRUE(Form().ConfirmModalResult());
    EXPECT_EQ(AskedCount(), 2u) << "no close question after";
    EXPECT_FALSE(W->Run.InstallStarted);
}

TEST_F(PageFlow, CloseQuestionOnEveryPage) {
    // "Non" keeps the window on its page, whichever way the close was asked for.
    for (int page = 0; page < kPageCount; ++page) {
        WalkTo(page);
        ASSERT_EQ(Page(), page);
        headless::ClearMessages();
        headless::ScriptAnswers({kResultNo});
        if (page == kFinishPage) {
            Form().CancelBtn.Click(); // disabled: nothing
            EXPECT_EQ(AskedCount(), 0u);
            Form().Close(); // the close box
        } else if (page == kSelCompPage) {
            Form().KeyDown(kVkEscape, false);
        } else {
            Form().CancelBtn.Click();
        }
        EXPECT_FALSE(Form().ConfirmModalResult()) << page;
        ASSERT_EQ(AskedCount(), 1u) << page;
        ExpectAbortQuestion(Asked(0));
        EXPECT_EQ(Page(), page);
        EXPECT_EQ(Form().ModalResult(), 0);
    }
    // "Abandonner" ends the window with 2 on every page.
    for (int page = 0; page < kPageCount; ++page) {
        if (page == kInstallingPage) continue; // with the worker: below
        Fresh();
        WalkTo(page);
        headless::ScriptAnswers({kResultAbort});
        Form().Close();
        EXPECT_TRUE(Form().ConfirmModalResult()) << page;
        EXPECT_EQ(Form().ModalResult(), kModalResultCancel) << page;
        EXPECT_EQ(AskedCount(), 1u) << page;
        EXPECT_EQ(W->Run.InstallStarted, page > kInstallingPage) << page;
    }
}

TEST_F(PageFlow, CloseQuestionHoldsTheRunningWorkerWhichGoesOnAfterNo) {
    WalkTo(kStartPage);
    W->Gates[0].Arm(kHyphenation);
    Next();
    ASSERT_TRUE(W->Gates[0].WaitArrived());
    const std::int32_t before = Status().Progress.load();
    headless::ScriptAnswers({kResultNo});
    headless::DuringNextQuestion([&] {
        EXPECT_EQ(Status().Load(), isPaused);
        // The file being written is completed, and no other begins while the question shows.
        W->Gates[0].Open();
        for (int i = 0; i < 20000 && Status().Progress.load() == before; ++i)
            std::this_thread::sleep_for(1ms);
        ASSERT_GT(Status().Progress.load(), before);
        const Strings begun = WorkerBegun();
        std::this_thread::sleep_for(30ms);
        EXPECT_EQ(WorkerBegun(), begun);
        EXPECT_EQ(begun, TargetsBefore(kHyphenation, true));
        EXPECT_EQ(Status().Load(), isPaused);
    });
    EXPECT_FALSE(CloseBy(Form().CancelBtn));
    ExpectAbortQuestion(Asked(0));

    TickUntilPageLeft();
    EXPECT_EQ(Page(), kAssocPage);
    EXPECT_EQ(Status().Load(), isIdle);
    EXPECT_EQ(Status().Progress.load(), W->AttachedFiles->QueuedTotal());
    EXPECT_EQ(WorkerBegun(), WorkerTargets()) << "no file skipped or begun twice";
    for (const std::string& target : WorkerTargets())
        EXPECT_EQ(W->Recording.WritesOf(target), 1) << target;
}

// The worker's end, told to the window at once, moves no page while the close question is open; once it is
// answered "Non", the next wake moves the page, without a tick of the timer.
TEST_F(PageFlow, TheWorkersEndToldAtOnceWaitsForTheCloseQuestion) {
    WalkTo(kStartPage);
    Next();
    W->Run.InstallThread->Join();
    ASSERT_EQ(Status().Load(), isStopped);
    headless::ScriptAnswers({kResultNo});
    headless::DuringNextQuestion([&] {
        Form().OnWake(Form());
        EXPECT_EQ(Page(), kInstallingPage);
    });
    EXPECT_FALSE(CloseBy(Form().CancelBtn));
    EXPECT_EQ(Page(), kInstallingPage);
    Form().OnWake(Form());
    EXPECT_EQ(Page(), kAssocPage);
}

TEST_F(PageFlow, AbandonWhileTheWorkerWritesCompletesTheFileAndBeginsNoOther) {
    WalkTo(kStartPage);
    W->Gates[0].Arm(kHyphenation);
    Next();
    ASSERT_TRUE(W->Gates[0].WaitArrived());
    headless::ScriptAnswers({kResultAbort});
    headless::DuringNextQuestion([&] { EXPECT_EQ(Status().Load(), isPaused); });
    EXPECT_TRUE(CloseBy(Form().CancelBtn));
    EXPECT_EQ(Form().ModalResult(), kModalResultCancel);
    EXPECT_EQ(Status().Load(), isStopped);

    W->Gates[0].Open();
    W->Run.InstallThread->Join();
    EXPECT_EQ(Status().Load(), isStopped);
    EXPECT_EQ(WorkerBegun(), TargetsBefore(kHyphenation, true));
    EXPECT_EQ(W->Recording.WritesOf(TargetsBefore(kHyphenation, true).back()), 1);
}

TEST_F(PageFlow, ProgressTimerFollowsTheWorkerAndAsksItsQuestions) {
    WalkTo(kStartPage);
    W->Gates[0].Arm("\\French.asc");
    W->Gates[1].Arm(kHyphenation);
    Next();
    ASSERT_TRUE(W->Gates[0].WaitArrived());
    TProgressBar& bar = Form().InstallingProgressBar;
    TLabel& label = Form().InstallingLbl2;
    EXPECT_EQ(bar.Max(), W->AttachedFiles->QueuedTotal());
    const std::string french = "Vérificateur d'orthographe française";
    Form().CreateHandles();
    Form().TimerTick(kProgressTimerId);
    EXPECT_EQ(Status().CurComp.load(), 1);
    EXPECT_GT(Status().Progress.load(), 0);
    EXPECT_EQ(bar.Position(), Status().Progress.load());
    EXPECT_EQ(label.Caption(), french);
    const int labelWrites = headless::SyncCount(label, TChange::Caption);
    Form().TimerTick(kProgressTimerId);
    EXPECT_EQ(headless::SyncCount(label, TChange::Caption), labelWrites) << "same component: label untouched";

    // Two files that cannot be created yet, later in the queues: one ignored, one retried.
    const std::string ignored = W->AttachedFiles->Queues[5].front().TargetPath;
    const std::string retried = TargetsBefore("\\Basic.asn", true).back();
    W->Machine.Files.InjectCreateFailure(ignored, 1, kErrorAccessDenied);
    W->Machine.Files.InjectCreateFailure(retried, 1, kErrorAccessDenied);
    W->Gates[0].Open();
    ASSERT_TRUE(W->Gates[1].WaitArrived());
    Form().TimerTick(kProgressTimerId);
    EXPECT_EQ(label.Caption(), "Module de coupe de mots");
    EXPECT_EQ(bar.Position(), Status().Progress.load());
    W->Gates[1].Open();

    for (auto [path, answer] : {std::pair{ignored, kResultIgnore}, std::pair{retried, kResultRetry}}) {
        ASSERT_EQ(WaitForWorker(), isAskUser) << path;
        const std::int32_t progress = Status().Progress.load();
        headless::ScriptAnswers({answer});
        headless::DuringNextQuestion([&] {
            EXPECT_EQ(Status().Load(), isPaused);
            EXPECT_EQ(Status().Progress.load(), progress);
        });
        const size_t asked = AskedCount();
        Form().TimerTick(kProgressTimerId);
        ASSERT_EQ(AskedCount(), asked + 1);
        ExpectFileQuestion(Asked(asked), path);
    }

    EXPECT_EQ(WaitForWorker(), isStopped);
    EXPECT_EQ(Page(), kInstallingPage) << "the page moves on the timer's tick only";
    Form().TimerTick(kProgressTimerId);
    EXPECT_EQ(Page(), kAssocPage);
    EXPECT_EQ(Status().Load(), isIdle);
    EXPECT_EQ(bar.Position(), bar.Max());
    EXPECT_EQ(Status().Progress.load(), W->AttachedFiles->QueuedTotal()) << "the ignored file counts";
    EXPECT_EQ(W->Recording.WritesOf(ignored), 0);
    EXPECT_EQ(W->Recording.WritesOf(retried), 1);
}

TEST_F(PageFlow, WorkerThatFailsEndsTheWindow) {
    const std::string failing = kMainDir + kHyphenation;
    W->Machine.Files.InjectCreateFailure(failing, 1, kErrorAccessDenied);
    WalkTo(kStartPage);
    Next();
    ASSERT_EQ(WaitForWorker(), isAskUser);
    headless::ScriptAnswers({kResultAbort});
    Form().TimerTick(kProgressTimerId);
    EXPECT_EQ(WaitForWorker(), isFailed);
    EXPECT_EQ(Form().ModalResult(), 0);
    Form().TimerTick(kProgressTimerId);
    EXPECT_EQ(Form().ModalResult(), kModalResultCancel);
    EXPECT_TRUE(Form().ConfirmModalResult());
    EXPECT_EQ(AskedCount(), 1u) << "no close question";
    EXPECT_EQ(WorkerBegun(), TargetsBefore(kHyphenation, false));
}

TEST_F(PageFlow, PortableInstallationSkipsTheAssociationsAndWritesOnlyTheCommonData) {
    W->Machine.Volumes.SetDrive({.Letter = 'R',
                                 .Type = kDriveRemovable,
                                 .BusType = kBusTypeUsb,
                                 .RemovableMedia = true,
                                 .Label = "CLE USB"});
    WalkTo(kDestDirPage);
    Form().DestDirEdt.UserSetText("R:\\Ulvara");
    WalkTo(kStartPage);
    EXPECT_EQ(Form().Installation.Options.MainDir, "R:\\Ulvara");
    EXPECT_FALSE(Form().InstallToAllChkBx.Visible());
    EXPECT_FALSE(Form().DesktopChkBx.Visible());
    Next();
    ASSERT_EQ(WaitForWorker(), isStopped);
    const size_t writtenBefore = W->Recording.WriteOrder().size();
    Form().TimerTick(kProgressTimerId);
    ExpectFrame(Form(), kFinishPage);
    EXPECT_EQ(Status().Load(), isIdle);

    const std::string common = "R:\\Ulvara\\vlmr_common.dat";
    Strings written = W->Recording.WriteOrder();
    written.erase(written.begin(), written.begin() + static_cast<std::ptrdiff_t>(writtenBefore));
    ASSERT_FALSE(written.empty());
    for (const std::string& path : written)
        EXPECT_TRUE(path.starts_with(common)) << path; // the file, or the copy it replaces it through
    std::string expected(16, '\0');
    const std::int32_t head[2] = {1, 8};
    const TDateTime now = EncodeDateTime(TCivilTime{2026, 12, 8, 10, 30, 0, 0}); // the sim's clock, UTC+1
    std::memcpy(expected.data(), head, sizeof head);
    std::memcpy(expected.data() + 8, &now, sizeof now);
    EXPECT_EQ(W->Machine.Files.FileContent(common), expected);
    EXPECT_TRUE(W->Machine.System.WinExecCalls().empty());
    EXPECT_TRUE(W->Machine.Shell.Saves().empty());

    // "Terminer" still starts the program when asked to, and writes no update log.
    ASSERT_TRUE(Form().FinishChkBx.Checked());
    Next();
    EXPECT_EQ(Form().ModalResult(), kModalResultOk);
    const auto calls = W->Machine.System.WinExecCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].CommandLine, "\"R:\\Ulvara\\vlmr.exe\"");
    EXPECT_EQ(W->Machine.Files.GetFileAttributesA("C:\\ProgramData\\Ulvara\\Update.log"),
              kInvalidFileAttributes);
    EXPECT_EQ(W->Machine.Files.GetFileAttributesA("R:\\Ulvara\\Update.log"), kInvalidFileAttributes);
}

// The stick is pulled out once the files are written: the installation stays the portable one it began as,
// and nothing system-wide is made for a drive that is gone.
TEST_F(PageFlow, APortableInstallationStaysPortableWhenTheStickIsPulled) {
    W->Machine.Volumes.SetDrive({.Letter = 'R', .Type = kDriveRemovable, .BusType = kBusTypeUsb});
    WalkTo(kDestDirPage);
    Form().DestDirEdt.UserSetText("R:\\Ulvara");
    WalkTo(kInstallingPage);
    ASSERT_EQ(WaitForWorker(), isStopped);
    W->Machine.Volumes.SetPresent('R', false);
    Form().TimerTick(kProgressTimerId);
    ExpectFrame(Form(), kFinishPage);
    Next();
    EXPECT_EQ(Form().ModalResult(), kModalResultOk);
    const auto calls = W->Machine.System.WinExecCalls();
    ASSERT_EQ(calls.size(), 1u) << "no association command";
    EXPECT_EQ(calls[0].CommandLine, "\"R:\\Ulvara\\vlmr.exe\"");
    EXPECT_TRUE(W->Machine.Shell.Saves().empty());
    Form().SaveInstallSettings();
    EXPECT_FALSE(W->Machine.Registry.KeyExists(kHkeyLocalMachine, std::string(kUninstallKey)));
}

std::string StoredString(sim::SimRegistry& registry, std::string_view name) {
    std::optional<sim::TRegValue> value =
        registry.Value(kHkeyCurrentUser, std::string(kInstallKey), std::string(name));
    if (!value) return "<absent>";
    std::string text(value->Data.begin(), value->Data.end());
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

TEST_F(PageFlow, AssociationCommandFollowsTheBoxesAndTerminerLaunchesWhenAsked) {
    struct Case {
        const char* Stored; // EXTENSIONS before the run; nullptr: absent
        std::array<bool, 4> Boxes;
        bool Launch;
        const char* Suffixes;
        const char* Extensions;
    };
    for (const Case& c : {Case{nullptr, {false, false, false, false}, false, "", ""},
                          Case{nullptr, {false, true, false, false}, true, "_cod", "B"},
                          Case{"AD", {true, true, true, true}, true, "_rtf_cod_doc_docx", "ABCD"}}) {
        SCOPED_TRACE(c.Suffixes);
        W.reset();
        W = std::make_unique<TWorld>();
        if (c.Stored) {
            std::string value = std::string(c.Stored) + '\0';
            W->Machine.Registry.PutValue(kHkeyCurrentUser, std::string(kInstallKey),
                                         std::string(kExtensionsValue), kRegSz,
                                         std::vector<std::uint8_t>(value.begin(), value.end()));
        }
        W->Open({});
        WalkTo(kAssocPage);
        TMainDlgForm& form = Form();
        std::array<TCheckBox*, 4> boxes = {&form.AssocChkBx1, &form.AssocChkBx2, &form.AssocChkBx3,
                                           &form.AssocChkBx4};
        const std::array<bool, 4> initial = {c.Stored != nullptr, c.Stored == nullptr, false,
                                             c.Stored != nullptr};
        for (size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_EQ(boxes[i]->Checked(), initial[i]) << i;
            if (boxes[i]->Checked() != c.Boxes[i]) boxes[i]->UserToggle();
        }
        Next();
        auto calls = W->Machine.System.WinExecCalls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].CommandLine, kProgram + " -assoc adpr" + c.Suffixes);
        EXPECT_EQ(calls[0].ShowCommand, 5u);
        EXPECT_EQ(form.Installation.Options.Extensions, c.Extensions);
        EXPECT_FALSE(W->Machine.Shell.Saves().empty()) << "the programs-menu shortcut";

        if (form.FinishChkBx.Checked() != c.Launch) form.FinishChkBx.UserToggle();
        Next();
        EXPECT_EQ(form.ModalResult(), kModalResultOk);
        calls = W->Machine.System.WinExecCalls();
        ASSERT_EQ(calls.size(), c.Launch ? 2u : 1u);
        if (c.Launch) {
            EXPECT_EQ(calls[1].CommandLine, kProgram);
        }
        form.SaveInstallSettings();
        EXPECT_EQ(StoredString(W->Machine.Registry, kExtensionsValue), c.Extensions);
    }
}

TEST_F(PageFlow, ConstructionTakesTheSwitchStartsBothTimersAndShowsTheWelcomePage) {
    Fresh({"-dC:\\Ailleurs\\Ulvara", "-dC:\\Pas lu"});
    EXPECT_EQ(Form().Installation.Options.MainDir, "C:\\Ailleurs\\Ulvara");
    EXPECT_EQ(Form().DestDirEdt.Text(), "C:\\Ailleurs\\Ulvara");
    EXPECT_TRUE(Form().FormReady);
    EXPECT_FALSE(Form().CloseAllowed);
    ExpectFrame(Form(), kWelcomePage);
    EXPECT_TRUE(Form().TimerRunning(kProgressTimerId));
    EXPECT_TRUE(Form().TimerRunning(kDriveTimerId));
    Form().CreateHandles();
    EXPECT_TRUE(headless::TimerActive(Form(), kProgressTimerId));
    EXPECT_TRUE(headless::TimerActive(Form(), kDriveTimerId));
    EXPECT_EQ(Status().Load(), isIdle);

    for (const Strings& params : {Strings{"-Dc:\\x"}, Strings{"/dC:\\x"}, Strings{"x", "-dC:\\x"}}) {
        Fresh(params);
        EXPECT_EQ(Form().Installation.Options.MainDir, kMainDir) << params[0];
    }
}

TEST(ProgramParams, QuotesGroupBlanksSeparateAndTheNameIsSkipped) {
    struct Case {
        const char* Line;
        Strings Params;
    };
    for (const Case& c : {
             Case{"", {}},
             Case{"ulvara.exe", {}},
             Case{"\"C:\\Mes programmes\\ulvara.exe\" -dC:\\Dest", {"-dC:\\Dest"}},
             Case{"ulvara.exe \"-dC:\\Program Files\\Ulvara\"", {"-dC:\\Program Files\\Ulvara"}},
             Case{"ulvara.exe -d\"C:\\Mes documents\"\\Ulvara x", {"-dC:\\Mes documents\\Ulvara", "x"}},
             Case{"  ulvara.exe \t a   b\t ", {"a", "b"}},
             Case{"ulvara.exe -d", {"-d"}},
         })
        EXPECT_EQ(ProgramParams(c.Line), c.Params) << c.Line;
}

// The worker's question and the close request meeting: in no order may a file begin after the confirmed
// abort (this also runs under ThreadSanitizer).
TEST_F(PageFlow, CloseWhileTheWorkerWaitsForAnAnswer) {
    const std::string failing = kMainDir + kHyphenation;
    auto startAsking = [&] {
        Fresh();
        W->Machine.Files.InjectCreateFailure(failing, 1, kErrorSharingViolation);
        WalkTo(kStartPage);
        Next();
        return WaitForWorker();
    };
    auto expectStoppedBefore = [&](size_t filesAfterFailing) {
        W->Gates[0].Open();
        W->Run.InstallThread->Join();
        EXPECT_EQ(Status().Load(), isStopped);
        const Strings targets = WorkerTargets();
        const Strings begun = WorkerBegun();
        const size_t failingAt = TargetsBefore(kHyphenation, false).size();
        EXPECT_LE(begun.size(), failingAt + filesAfterFailing);
        EXPECT_GE(begun.size(), failingAt);
        EXPECT_TRUE(std::equal(begun.begin(), begun.end(), targets.begin()))
            << "in queue order, none skipped";
    };

    // Posted, not yet shown: the timer under the close question leaves it waiting; the abort ends it.
    ASSERT_EQ(startAsking(), isAskUser);
    headless::ScriptAnswers({kResultAbort});
    headless::DuringNextQuestion([&] { Form().TimerTick(kProgressTimerId); });
    EXPECT_TRUE(CloseBy(Form().CancelBtn));
    ASSERT_EQ(AskedCount(), 1u);
    ExpectAbortQuestion(Asked(0));
    expectStoppedBefore(0);

    // On screen when the close is asked for from under it: the answer given after the abort reaches no one.
    ASSERT_EQ(startAsking(), isAskUser);
    headless::ScriptAnswers({kResultAbort, kResultRetry});
    bool closed = false;
    headless::DuringNextQuestion([&] { closed = CloseBy(Form().CancelBtn); });
    Form().TimerTick(kProgressTimerId);
    ASSERT_EQ(AskedCount(), 2u);
    ExpectFileQuestion(Asked(0), failing);
    ExpectAbortQuestion(Asked(1));
    EXPECT_TRUE(closed);
    EXPECT_EQ(Form().ModalResult(), kModalResultCancel);
    expectStoppedBefore(0);
    EXPECT_EQ(W->Recording.WritesOf(failing), 0);

    // Answered, and the abort confirmed at once: whether the worker took the answer before the stop or not,
    // it may complete the retried file and the one it may have begun (held here) but begins no other.
    for (int round = 0; round < 6; ++round) {
        ASSERT_EQ(startAsking(), isAskUser);
        const Strings targets = WorkerTargets();
        W->Gates[0].Arm(targets.at(TargetsBefore(kHyphenation, true).size()));
        headless::ScriptAnswers({kResultRetry, kResultAbort});
        Form().TimerTick(kProgressTimerId);
        EXPECT_TRUE(CloseBy(Form().CancelBtn));
        expectStoppedBefore(2);
        EXPECT_LE(W->Recording.WritesOf(failing), 1);
    }
}

// The program entry around the wizard: what is stored once the window has gone.
class PageFlowEntry : public ::testing::Test {
protected:
    void SetUp() override {
        headless::ClearMessages();
        for (const char* folder : {"C:\\Program Files", "C:\\ProgramData", "C:\\users\\test\\Temp"})
            ASSERT_TRUE(Machine.Files.PutFolder(folder));
        Machine.Module.PutResource("FILES", "FILES", ReadHostFile(ULVARA_SAMPLE_PAYLOAD));
    }
    static TMainDlgForm& Wizard(TForm& form) { return static_cast<TMainDlgForm&>(form); }
    static void Next(TForm& form) { Wizard(form).NextBtn.Click(); }
    static void UntilAssociations(TForm& form) {
        TMainDlgForm& wizard = Wizard(form);
        for (int i = 0; i < 30000 && wizard.PgCtrl.ActivePage() != &wizard.AssocTabSheet; ++i) {
            wizard.TimerTick(kProgressTimerId);
            std::this_thread::sleep_for(1ms);
        }
    }
    int RunSetupNow() {
        TPlatform platform = Machine.Platform();
        return RunSetup(platform, "ulvara.exe");
    }
    sim::SimMachine Machine;
};

TEST_F(PageFlowEntry, LicenceAbandonedStoresNothing) {
    TPlatform platform = Machine.Platform();
    TInstUtils utils(platform);
    Machine.Files.InjectCreateFailure(utils.NewTempFileName(), 1, kErrorAccessDenied);
    headless::ScriptAnswers({kResultAbort});
    headless::ScriptModalLoop({[](TForm& form) { Wizard(form).NextBtn.Click(); }});
    EXPECT_EQ(RunSetupNow(), kExitInstallFailed);
    EXPECT_EQ(headless::AskedMessages().size(), 1u)
        << "the window ended by itself, without the close question";
    EXPECT_TRUE(Machine.Registry.Writes().empty());
    EXPECT_EQ(Machine.Files.GetFileAttributesA(kMainDir), kInvalidFileAttributes);
}

// Every file and folder below `folder` (ending in a backslash), by full path.
std::vector<std::string> FileTree(IFiles& files, const std::string& folder) {
    std::vector<std::string> paths;
    TFindData found;
    UniqueFind find(files, folder + "*", found);
    for (bool more = bool(find); more; more = find.Next(found)) {
        if (found.Name == "." || found.Name == "..") continue;
        paths.push_back(folder + found.Name);
        if (found.Attributes & kFileAttributeDirectory)
            for (std::string& inner : FileTree(files, paths.back() + "\\"))
                paths.push_back(std::move(inner));
    }
    return paths;
}

// While another copy runs, a whole installation scripted click by click writes nothing: the other copy is
// writing the same files and keys.
TEST_F(PageFlowEntry, ASecondCopyEndsBeforeWritingAnything) {
    const std::string name(kSetupInstanceName);
    const std::vector<std::string> filesBefore = FileTree(Machine.Files, "C:\\");
    for (bool anotherUser : {false, true}) {
        headless::ScriptModalLoop({Next, Next, Next, Next, Next, UntilAssociations, Next, Next});
        Machine.System.HoldElsewhere(name, anotherUser);
        EXPECT_EQ(RunSetupNow(), kExitAnotherSetupRunning) << anotherUser;
        Machine.System.ReleaseElsewhere(name);
        EXPECT_TRUE(Machine.Registry.Writes().empty()) << anotherUser;
        EXPECT_FALSE(Machine.Registry.KeyExists(kHkeyCurrentUser, "Software\\Ulvara Word Processor"));
        EXPECT_EQ(FileTree(Machine.Files, "C:\\"), filesBefore) << anotherUser;
    }
    EXPECT_EQ(RunSetupNow(), kExitDone);
    EXPECT_NE(Machine.Files.GetFileAttributesA(kMainDir + "\\vlmr.exe"), kInvalidFileAttributes)
        << "the same script installs once the other copy has ended";
}

TEST_F(PageFlowEntry, AFinishedRunStoresTheChoicesAndTheInstallLog) {
    auto allBoxes = [](TForm& form) {
        TMainDlgForm& wizard = Wizard(form);
        for (TCheckBox* box :
             {&wizard.AssocChkBx1, &wizard.AssocChkBx2, &wizard.AssocChkBx3, &wizard.AssocChkBx4})
            if (!box->Checked()) box->UserToggle();
    };
    headless::ScriptModalLoop({Next, Next, Next, Next, Next, UntilAssociations, allBoxes, Next, Next});
    EXPECT_EQ(RunSetupNow(), kExitDone);
    EXPECT_TRUE(headless::AskedMessages().empty());
    const auto calls = Machine.System.WinExecCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].CommandLine, kProgram + " -assoc adpr_rtf_cod_doc_docx");
    EXPECT_EQ(calls[1].CommandLine, kProgram);
    EXPECT_EQ(StoredString(Machine.Registry, kExtensionsValue), "ABCD");
    EXPECT_EQ(StoredString(Machine.Registry, kMainDirValue), kMainDir);
    std::optional<std::string> log = Machine.Files.FileContent(kMainDir + "\\Install.log");
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(log->find("File Copy: " + kMainDir + "\\vlmr.exe\r\n"), std::string::npos);
}

// The program wires the worker's end to the window: the page moves on the end alone, no timer tick needed.
TEST_F(PageFlowEntry, TheWorkersEndMovesThePageWithoutATick) {
    auto untilWoken = [](TForm&) {
        for (int i = 0; i < 30000 && headless::PendingWakes() == 0; ++i)
            std::this_thread::sleep_for(1ms);
    };
    auto onAssociations = [](TForm& form) {
        EXPECT_EQ(Wizard(form).PgCtrl.ActivePage(), &Wizard(form).AssocTabSheet);
    };
    headless::ScriptModalLoop({Next, Next, Next, Next, Next, untilWoken, onAssociations, Next, Next});
    EXPECT_EQ(RunSetupNow(), kExitDone);
}

// Asked for with /LOG=, the run's log holds what ran, where it went, what each component queued, each
// question with its answer (the file that failed and why are in the question) and the exit code.
TEST_F(PageFlowEntry, TheRunLogTellsWhatRanWhatWasAskedAndHowItEnded) {
    const std::string held = kMainDir + "\\vlmr.exe";
    Machine.Files.InjectCreateFailure(held, 1, kErrorSharingViolation);
    headless::ScriptAnswers({kResultAbort});
    auto next = [](TForm& form) { Wizard(form).NextBtn.Click(); };
    auto untilEnded = [](TForm& form) {
        for (int i = 0; i < 30000 && form.ModalResult() == 0; ++i) {
            form.TimerTick(kProgressTimerId);
            std::this_thread::sleep_for(1ms);
        }
    };
    headless::ScriptModalLoop({next, next, next, next, next, untilEnded});
    TPlatform platform = Machine.Platform();
    const std::string command = "ulvara.exe /log=\"C:\\run.log\"";
    EXPECT_EQ(RunSetup(platform, command), kExitInstallFailed);

    std::optional<std::string> log = Machine.Files.FileContent("C:\\run.log");
    ASSERT_TRUE(log.has_value());
    const std::vector<std::string> lines = SplitTextLines(*log);
    ASSERT_GE(lines.size(), 6u) << *log;
    EXPECT_EQ(lines[0], std::string(kAppTitle) + " " + std::string(kProductVersion));
    EXPECT_EQ(lines[1], "Ligne de commande : " + command);
    EXPECT_EQ(lines[2], "Destination : " + kMainDir + " (ordinaire, par défaut)");
    EXPECT_EQ(lines[3], "Choix : composants 1111111 (par défaut), raccourcis pour tous les utilisateurs (par "
                        "défaut), raccourci sur le bureau oui (par défaut)");
    EXPECT_TRUE(lines[4].starts_with("Composant 0 (Traitement de texte Ulvara) : ")) << lines[4];
    auto question =
        std::find_if(lines.begin(), lines.end(), [](auto& l) { return l.starts_with("Question : "); });
    ASSERT_NE(question, lines.end()) << *log;
    EXPECT_NE(log->find(held), std::string::npos) << "the question names the file";
    EXPECT_NE(std::find(question, lines.end(), "Réponse : Abandonner"), lines.end()) << *log;
    EXPECT_EQ(lines.back(), "Code de sortie : 1603");
    EXPECT_EQ(log->back(), '\n');
}

// The run log says each choice as it was acted on, and where it came from: a destination completed by the
// page's rule is still the command line's, and the associations and the launch, chosen after the files, are
// logged when they are done.
TEST_F(PageFlowEntry, TheRunLogSaysTheChoicesAsTheyWereDone) {
    auto lines = [this](const std::string& switches, int expectedCode,
                        std::vector<std::function<void(TForm&)>> script) {
        headless::ScriptModalLoop(std::move(script));
        TPlatform platform = Machine.Platform();
        EXPECT_EQ(RunSetup(platform, "ulvara.exe /LOG=C:\\run.log " + switches), expectedCode) << switches;
        std::vector<std::string> logged =
            SplitTextLines(Machine.Files.FileContent("C:\\run.log").value_or(""));
        std::erase_if(logged, [](const std::string& l) {
            return !l.starts_with("Destination") && !l.starts_with("Associations") && !l.starts_with("Lanc");
        });
        return logged;
    };
    auto aInsteadOfB = [](TForm& form) {
        Wizard(form).AssocChkBx1.UserToggle();
        Wizard(form).AssocChkBx2.UserToggle();
    };
    auto noLaunch = [](TForm& form) { Wizard(form).FinishChkBx.UserToggle(); };
    EXPECT_EQ(
        lines("/DIR=C:\\Apps\\Ulvara\\", kExitDone,
              {Next, Next, Next, Next, Next, UntilAssociations, aInsteadOfB, Next, noLaunch, Next}),
        (std::vector<std::string>{
            "Destination : C:\\Apps\\Ulvara (ordinaire, ligne de commande \"C:\\Apps\\Ulvara\\\")",
            "Associations : \"A\" (choisi dans l'assistant)", "Lancement : non (choisi dans l'assistant)"}));
    EXPECT_EQ(StoredString(Machine.Registry, kExtensionsValue), "A");
    EXPECT_EQ(lines("/VERYSILENT \"/DIR=C:\\Program Files\"", kExitDone, {}),
              (std::vector<std::string>{
                  "Destination : C:\\Program Files\\Ulvara (ordinaire, ligne de commande "
                  "\"C:\\Program Files\", dossier du produit ajouté)",
                  "Associations : \"A\" (réglage enregistré)", "Lancement : non (par défaut)"}));
    EXPECT_EQ(lines("/VERYSILENT /DIR=C:\\Suite /TASKS=assocdoc,launch", kExitDone, {}),
              (std::vector<std::string>{"Destination : C:\\Suite (ordinaire, ligne de commande)",
                                        "Associations : \"C\" (ligne de commande)",
                                        "Lancement : oui (ligne de commande)"}));
}

// Anyone may make the product's folder below the common data folder before an administrator installs; made
// a junction to a protected folder, it must lead none of the setup's writes there.
TEST_F(PageFlow, ADataFolderThatIsALinkIsRefusedAndTheRestInstalled) {
    const std::string link = "C:\\ProgramData\\Ulvara", elsewhere = "C:\\Windows\\System32\\Protected";
    ASSERT_TRUE(W->Machine.Files.PutFolder(elsewhere));
    ASSERT_TRUE(W->Machine.Files.PutFolderLink(link, elsewhere));
    WalkTo(kInstallingPage);
    ASSERT_EQ(AskedCount(), 1u);
    EXPECT_EQ(Asked(0).Title, "Avertissement");
    EXPECT_EQ(Asked(0).Text, RefusedDataFoldersText({link}));
    EXPECT_NE(Asked(0).Text.find("\r" + link + "\r"), std::string::npos);
    WalkTo(kFinishPage);
    Next();
    EXPECT_EQ(Form().ModalResult(), kModalResultOk);
    EXPECT_EQ(AskedCount(), 1u) << "told once";

    for (const std::string& path : W->Recording.WriteOrder())
        EXPECT_FALSE(path.starts_with(elsewhere) || path.starts_with(link)) << path;
    EXPECT_EQ(W->Machine.Files.FileContent(elsewhere + "\\Hidden\\install_stamp"), std::nullopt);
    for (const char* program : {"vlmr.exe", "Licence.txt", "Coupe de mots.dat"})
        EXPECT_TRUE(W->Machine.Files.FileContent("C:\\Program Files\\Ulvara\\" + std::string(program)))
            << program;
    EXPECT_EQ(W->Machine.System.WinExecCalls().size(), 2u) << "the associations, then the launch";
    EXPECT_FALSE(W->Machine.Shell.Saves().empty()) << "the shortcuts";
}

// The close question failing while the worker is held inside a file: reported, the window ends as after a
// failing click, the worker is stopped before the index it reads goes, and the choices and the install log
// are stored.
TEST_F(PageFlowEntry, AFailingCloseQuestionEndsTheRunAsAFailingClickDoes) {
    RecordingFiles recording{Machine.Files};
    TWriteGate gate;
    gate.Arm(kHyphenation);
    recording.BeforeWrite = [&gate](const std::string& path) { gate.Pass(path); };
    auto next = [](TForm& form) { Wizard(form).NextBtn.Click(); };
    auto failingClose = [&gate](TForm& form) {
        ASSERT_TRUE(gate.WaitArrived());
        headless::DuringNextQuestion([&gate] {
            gate.OpenAfter(200ms);
            throw std::runtime_error("the close question fails");
        });
        Wizard(form).CancelBtn.Click();
    };
    headless::ScriptModalLoop({next, next, next, next, next, failingClose});
    TPlatform platform{recording,     Machine.Clock, Machine.System,   Machine.Module,        Machine.Drives,
                       Machine.Shell, Machine.Text,  Machine.Registry, Machine.RestartManager};
    EXPECT_EQ(RunSetup(platform, "ulvara.exe"), kExitInstallFailed);
    const auto& asked = headless::AskedMessages();
    ASSERT_EQ(asked.size(), 2u);
    ExpectAbortQuestion(asked[0]);
    EXPECT_EQ(asked[1].Text, kUnexpectedFailureText);
    EXPECT_EQ(asked[1].Title, kAppTitle);
    EXPECT_EQ(StoredString(Machine.Registry, kMainDirValue), kMainDir);
    std::optional<std::string> log = Machine.Files.FileContent(kMainDir + "\\Install.log");
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(log->find("File Copy: " + kMainDir + "\\vlmr.exe\r\n"), std::string::npos);
    EXPECT_NE(log->find("File Copy: " + kMainDir + kHyphenation + "\r\n"), std::string::npos)
        << "the file being written when the window ended is completed";
}

} // namespace
} // namespace ulv::test
