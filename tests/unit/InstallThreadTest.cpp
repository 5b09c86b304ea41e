// The install thread against a scripted wizard that drives the status record as its 100 ms timer and its
// close request would, over small synthetic payloads.
#include "engine/InstallThread.h"
#include "engine/AttachFiles.h"
#include "platform/sim/SimMachine.h"
#include "tests/support/PayloadFiles.h"
#include "tests/unit/RecordingFiles.h"
#include "tools/payload/Packer.h"
#include "utils/InstUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <new>
#include <random>
#include <set>

namespace ulv {
namespace {

struct TPlanned {
    int Component;
    int Size;
};

std::vector<std::uint8_t> PackFiles(const std::vector<TPlanned>& files) {
    std::vector<pack::TPackItem> items;
    for (size_t i = 0; i < files.size(); ++i) {
        pack::TPackItem item{"f" + std::to_string(i) + ".bin", TCivilTime{2004, 5, 6, 7, 8, 10, 0}, {}};
        // Incompressible bytes: the reader refuses payloads that inflate far beyond their size.
        std::minstd_rand bytes(static_cast<unsigned>(i + 1));
        for (int b = 0; b < files[i].Size; ++b)
            item.Data.push_back(static_cast<std::uint8_t>(bytes()));
        items.push_back(std::move(item));
    }
    std::vector<std::uint8_t> records, stream;
    std::string error;
    if (!pack::BuildRecords(items, records, error) || !pack::CompressRecords(records, stream, error))
        return {};
    return stream;
}

class InstallThread : public ::testing::Test {
protected:
    // Queues file i for its component in the order given.
    void Load(const std::vector<TPlanned>& files) {
        TPayloadFault fault;
        // A payload holds at least one record; with nothing to queue, one stays unqueued.
        Files = TAttachedFiles::FromStream(PackFiles(files.empty() ? std::vector<TPlanned>{{0, 1}} : files),
                                           fault);
        ASSERT_NE(Files, nullptr) << PayloadFaultName(fault);
        Files->Connect(Platform, Utils, Relay.AsAskUser());
        for (size_t i = 0; i < files.size(); ++i)
            ASSERT_TRUE(Files->QueueForInstall(
                test::Request(Files->Entries[i].Name, "C:\\Dest", files[i].Component, TInstallMode::Always)));
    }
    std::string Target(size_t i) { return "C:\\Dest\\" + Files->Entries[i].Name; }

    // One timer tick of the wizard: the question is answered with `answer`; true once the worker has ended.
    bool Tick(const std::function<int()>& answer) {
        std::uint8_t state = Status.Load();
        if (state == isAskUser && Status.TakeQuestion()) {
            Asked.push_back({Status.CurComp.load(), Status.Progress.load()});
            Status.Answer(answer());
        }
        return state == isStopped || state == isFailed;
    }
    void RunToEnd(const std::function<int()>& answer) {
        while (!Tick(answer))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        Worker->Join();
    }
    void Start() { Worker = std::make_unique<TInstallThread>(*Files, Utils, Status); }

    struct TAsked {
        int Component;
        std::int32_t Progress;
    };

    sim::SimMachine Machine;
    test::RecordingFiles Recording{Machine.Files};
    TPlatform Platform{Recording,     Machine.Clock, Machine.System,   Machine.Module,        Machine.Drives,
                       Machine.Shell, Machine.Text,  Machine.Registry, Machine.RestartManager};
    TInstUtils Utils{Platform};
    TInstallThreadStatus Status;
    std::vector<int> GuiDialogs;
    TAskUserRelay Relay{Status, [this](const std::string&, int kind, std::uint16_t) {
                            GuiDialogs.push_back(kind);
                            return kResultIgnore;
                        }};
    std::unique_ptr<TAttachedFiles> Files;
    std::unique_ptr<TInstallThread> Worker;
    std::vector<TAsked> Asked;
};

TEST_F(InstallThread, EmptyQueuesStopAtOnce) {
    Load({});
    Start();
    RunToEnd([] { return kResultAbort; });
    EXPECT_EQ(Status.Load(), isStopped);
    EXPECT_EQ(Status.CurComp.load(), kNoComponent);
    EXPECT_EQ(Status.Progress.load(), 0);
}

TEST_F(InstallThread, ReportsComponentsInOrderAndEndsAtTheQueuedTotal) {
    Load({{3, 10}, {0, 20}, {6, 30}, {0, 40}, {2, 0}});
    for (size_t i = 0; i < Files->Entries.size(); ++i)
        Machine.Files.InjectCreateFailure(Target(i), 1, kErrorSharingViolation);
    Start();
    RunToEnd([] { return kResultRetry; });
    ASSERT_EQ(Asked.size(), 5u);
    const int order[] = {0, 0, 2, 3, 6};
    const std::int32_t before[] = {0, 20, 60, 60, 70};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Asked[i].Component, order[i]) << i;
        EXPECT_EQ(Asked[i].Progress, before[i]) << i;
    }
    EXPECT_EQ(Status.Load(), isStopped);
    EXPECT_EQ(Status.Progress.load(), Files->QueuedTotal());
    for (size_t i = 0; i < Files->Entries.size(); ++i)
        EXPECT_EQ(Recording.WritesOf(Target(i)), 1) << i;
}

TEST_F(InstallThread, IgnoredFileCountsInProgress) {
    Load({{0, 100}, {1, 200}, {1, 300}});
    Machine.Files.InjectCreateFailure(Target(1), 1, kErrorAccessDenied);
    Start();
    RunToEnd([] { return kResultIgnore; });
    EXPECT_EQ(Status.Load(), isStopped);
    EXPECT_EQ(Status.Progress.load(), 600);
    EXPECT_EQ(Recording.WritesOf(Target(1)), 0);
    EXPECT_EQ(Recording.WritesOf(Target(2)), 1);
}

TEST_F(InstallThread, AbandonEndsFailedWithNoLaterFile) {
    Load({{0, 100}, {0, 200}, {1, 300}, {5, 1}});
    Machine.Files.InjectCreateFailure(Target(1), 1, kErrorAccessDenied);
    Start();
    RunToEnd([] { return kResultAbort; });
    EXPECT_EQ(Status.Load(), isFailed);
    EXPECT_EQ(Status.Progress.load(), 100);
    EXPECT_EQ(Recording.WriteOrder(), std::vector<std::string>{Target(0)});
    EXPECT_EQ(Utils.LogSuspendCount(), 0);
}

// The three files go to folders A, B and C of C:\\Dest, all for component 0; the one in B is queued while
// the log is suspended, as the plan queues files it does not record.
class UnloggedFile : public InstallThread {
protected:
    void SetUp() override {
        Load({{0, 10}, {0, 20}, {0, 30}});
        Utils.CreateInstallLog("C:\\Dest", true);
        Files->ClearQueue(0);
        for (size_t i = 0; i < 3; ++i) {
            TInstallRequest request =
                test::Request(Files->Entries[i].Name, Folder(i), 0, TInstallMode::Always);
            request.Logged = i != 1;
            ASSERT_TRUE(Files->QueueForInstall(request));
        }
        ASSERT_FALSE(Files->Queues[0][1].LogFlag);
        ASSERT_EQ(Utils.LogSuspendCount(), 0);
    }
    std::string Folder(size_t i) { return std::string("C:\\Dest\\") + static_cast<char>('A' + i); }
    std::string Path(size_t i) { return Folder(i) + "\\" + Files->Entries[i].Name; }
    std::vector<std::string> LinesOf(size_t i) {
        return {"Made Dir: " + Folder(i) + "\\", "File Copy: " + Path(i)};
    }
    void ExpectLoggingAgain() {
        EXPECT_EQ(Utils.LogSuspendCount(), 0);
        Utils.AddLogLine("File Copy: C:\\later.lnk");
        EXPECT_EQ(Utils.InstallLog().back(), "File Copy: C:\\later.lnk");
    }
};

TEST_F(UnloggedFile, LeavesNoLineAndTheNextFileIsLogged) {
    Start();
    RunToEnd([] { return kResultAbort; });
    ASSERT_EQ(Status.Load(), isStopped);
    EXPECT_EQ(Recording.WritesOf(Path(1)), 1);
    std::vector<std::string> expected{"Made Dir: C:\\Dest\\"};
    for (size_t i : {0, 2})
        for (const std::string& line : LinesOf(i))
            expected.push_back(line);
    EXPECT_EQ(Utils.InstallLog(), expected);
    ExpectLoggingAgain();
}

TEST_F(UnloggedFile, AbandonedLeavesTheLogRecording) {
    Machine.Files.InjectCreateFailure(Path(1), 1, kErrorAccessDenied);
    Start();
    RunToEnd([] { return kResultAbort; });
    ASSERT_EQ(Status.Load(), isFailed);
    std::vector<std::string> expected{"Made Dir: C:\\Dest\\"};
    for (const std::string& line : LinesOf(0))
        expected.push_back(line);
    EXPECT_EQ(Utils.InstallLog(), expected);
    ExpectLoggingAgain();
}

// Whatever throws on the worker (here a write that cannot allocate) ends the run as an abandon would:
// failed, no later file begun, every file closed and the log recording again; nothing escapes the thread.
TEST_F(UnloggedFile, AnExceptionOnTheWorkerEndsTheRunFailed) {
    Recording.BeforeWrite = [&](const std::string& path) {
        if (path == Path(1)) throw std::bad_alloc();
    };
    Start();
    RunToEnd([] { return kResultRetry; });
    EXPECT_EQ(Status.Load(), isFailed);
    EXPECT_TRUE(Asked.empty());
    EXPECT_EQ(Recording.WriteOrder(), std::vector<std::string>{Path(0)});
    EXPECT_EQ(Status.Progress.load(), 10);
    EXPECT_EQ(Machine.Files.OpenHandleCount(), 0u);
    ExpectLoggingAgain();
}

// The hook runs on the worker just before a file's single write.
class HeldWrite {
public:
    void Arrive() {
        Arrived.store(true);
        Arrived.notify_all();
        Release.wait(false);
    }
    void AwaitArrival() { Arrived.wait(false); }
    // Holds the worker in the write of the file at `path`.
    void At(test::RecordingFiles& recording, std::string path) {
        recording.BeforeWrite = [this, path = std::move(path)](const std::string& written) {
            if (written == path) Arrive();
        };
    }
    void Go() {
        Release.store(true);
        Release.notify_all();
    }

private:
    std::atomic<bool> Arrived{false}, Release{false};
};

TEST_F(InstallThread, CloseAnsweredNoNeitherSkipsNorRepeats) {
    Load({{0, 5000}, {0, 10}, {1, 10}});
    HeldWrite held;
    held.At(Recording, Target(0));
    Start();
    held.AwaitArrival();
    bool paused = Status.PauseForClose();
    EXPECT_TRUE(paused);
    held.Go();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(Recording.WriteOrder().size(), 1u); // held after the file it was writing
    Status.EndCloseRequest(paused, false);
    RunToEnd([] { return kResultAbort; });
    EXPECT_EQ(Status.Load(), isStopped);
    EXPECT_EQ(Recording.WriteOrder(), (std::vector<std::string>{Target(0), Target(1), Target(2)}));
}

TEST_F(InstallThread, AbortDuringALargeFileCompletesItAndStartsNoOther) {
    Load({{0, 4'000'000}, {0, 10}, {3, 10}});
    HeldWrite held;
    held.At(Recording, Target(0));
    Start();
    held.AwaitArrival();
    bool paused = Status.PauseForClose();
    Status.EndCloseRequest(paused, true);
    held.Go();
    Worker->Join();
    EXPECT_EQ(Status.Load(), isStopped);
    EXPECT_EQ(Recording.WriteOrder(), std::vector<std::string>{Target(0)});
    EXPECT_EQ(Machine.Files.FileContent(Target(0))->size(), 4'000'000u);
}

// The close question is up while the worker waits on its own question; the timer shows that one above it
// and it is answered, so the worker runs on; then the user confirms the abort. The write under way at that
// moment (the retried file, or the one after the ignored file) is held there.
class AnsweredDuringClose : public InstallThread, public ::testing::WithParamInterface<int> {};

TEST_P(AnsweredDuringClose, ThenAbortedBeginsNoFurtherFile) {
    Load({{0, 10}, {0, 10}, {0, 10}, {2, 10}});
    Machine.Files.InjectCreateFailure(Target(1), 1, kErrorSharingViolation);
    const int answer = GetParam();
    const size_t underWay = answer == kResultRetry ? 1 : 2;
    HeldWrite held;
    held.At(Recording, Target(underWay));
    Start();
    ASSERT_EQ(Status.WaitWhile(isRunning), isAskUser);
    bool paused = Status.PauseForClose();
    EXPECT_FALSE(paused);
    ASSERT_TRUE(Status.TakeQuestion());
    Status.Answer(answer);
    held.AwaitArrival();
    Status.EndCloseRequest(paused, true);
    held.Go();
    Worker->Join();
    EXPECT_EQ(Status.Load(), isStopped);
    EXPECT_EQ(Recording.WriteOrder(), (std::vector<std::string>{Target(0), Target(underWay)}));
    EXPECT_EQ(Status.Progress.load(), static_cast<std::int32_t>(10 * (underWay + 1)));
}

INSTANTIATE_TEST_SUITE_P(RetryOrIgnore, AnsweredDuringClose, ::testing::Values(kResultRetry, kResultIgnore));

// The abort is confirmed before the worker's question is answered: while it still waits to be shown, or
// from a close request made over its dialog. An answer given after that reaches no one.
class AbortBeforeTheAnswer : public InstallThread, public ::testing::WithParamInterface<bool> {};

TEST_P(AbortBeforeTheAnswer, WritesNothingMore) {
    Load({{0, 10}, {0, 10}, {1, 10}});
    Machine.Files.InjectCreateFailure(Target(1), 1, kErrorSharingViolation);
    const bool questionOnScreen = GetParam();
    Start();
    ASSERT_EQ(Status.WaitWhile(isRunning), isAskUser);
    if (questionOnScreen) {
        ASSERT_TRUE(Status.TakeQuestion());
    }
    bool paused = Status.PauseForClose();
    Status.EndCloseRequest(paused, true);
    if (questionOnScreen) Status.Answer(kResultRetry);
    RunToEnd([] { return kResultRetry; });
    EXPECT_EQ(Status.Load(), isStopped);
    EXPECT_TRUE(Asked.empty()) << "no question left for the timer";
    EXPECT_EQ(Recording.WriteOrder(), std::vector<std::string>{Target(0)});
    EXPECT_EQ(Status.Progress.load(), 10);
}

INSTANTIATE_TEST_SUITE_P(PendingOrOnScreen, AbortBeforeTheAnswer, ::testing::Bool());

// The stop flag is set before the State change that announces it; in that instant the worker, which may
// have just seen isRunning or taken an answer, must already hold back. The flag is set alone here.
TEST_F(InstallThread, StopFlagAloneEndsTheRunAfterTheFileUnderWay) {
    Load({{0, 10}, {0, 10}, {1, 10}});
    HeldWrite held;
    held.At(Recording, Target(0));
    Start();
    held.AwaitArrival();
    Status.StopRequested.store(true, std::memory_order_release);
    held.Go();
    Worker->Join();
    EXPECT_EQ(Status.Load(), isStopped);
    EXPECT_EQ(Recording.WriteOrder(), std::vector<std::string>{Target(0)});
}

TEST_F(InstallThread, StopFlagAloneDropsAnAnswerTakenWithIt) {
    Load({{0, 10}, {0, 10}, {1, 10}});
    Machine.Files.InjectCreateFailure(Target(1), 1, kErrorSharingViolation);
    Start();
    ASSERT_EQ(Status.WaitWhile(isRunning), isAskUser);
    ASSERT_TRUE(Status.TakeQuestion());
    Status.StopRequested.store(true, std::memory_order_release);
    Status.Answer(kResultRetry);
    Worker->Join();
    EXPECT_EQ(Status.Load(), isStopped) << "stopped, not failed: the user abandoned nothing";
    EXPECT_EQ(Recording.WriteOrder(), std::vector<std::string>{Target(0)});
}

TEST(InstallThreadStatus, ConfirmedCloseStopsFromEveryState) {
    struct Case {
        std::uint8_t From, To;
    };
    const Case cases[] = {{isRunning, isStopped},  {isPaused, isStopped},  {isAskUser, isStopped},
                          {isAnswered, isStopped}, {isStopped, isStopped}, {isFailed, isFailed},
                          {isIdle, isIdle}};
    for (Case c : cases) {
        for (bool held : {false, true}) {
            TInstallThreadStatus status;
            status.State.store(c.From);
            status.EndCloseRequest(held, true);
            EXPECT_EQ(status.Load(), c.To) << int(c.From) << held;
            EXPECT_TRUE(status.StopWanted()) << int(c.From) << held;
        }
    }
    TInstallThreadStatus status;
    status.RequestStop();
    status.Start();
    EXPECT_EQ(status.Load(), isRunning);
    EXPECT_FALSE(status.StopWanted()) << "a stop of an earlier run does not carry over";
}

TEST_F(InstallThread, AskUserOnTheGuiThreadShowsTheDialogDirectly) {
    Status.State.store(isRunning);
    EXPECT_EQ(Relay.Ask("x", kDialogError, kButtonsAbortRetryIgnore), kResultIgnore);
    EXPECT_EQ(GuiDialogs, std::vector<int>{kDialogError});
    EXPECT_EQ(Status.Load(), isRunning);
}

TEST_F(InstallThread, AskUserOnAnotherThreadGoesThroughTheRecord) {
    Status.State.store(isRunning);
    int result = 0;
    std::thread asking([&] { result = Relay.Ask("q", kDialogError, kButtonsAbortRetryIgnore); });
    ASSERT_EQ(Status.WaitWhile(isRunning), isAskUser);
    ASSERT_TRUE(Status.TakeQuestion());
    EXPECT_EQ(Status.DlgMsg, "q");
    EXPECT_EQ(Status.DlgType, kDialogError);
    EXPECT_EQ(Status.DlgButtons, kButtonsAbortRetryIgnore);
    Status.Answer(kResultRetry);
    asking.join();
    EXPECT_EQ(result, kResultRetry);
    EXPECT_EQ(Status.Load(), isRunning);
    EXPECT_TRUE(GuiDialogs.empty());

    // After a stop the question is not even posted.
    Status.RequestStop();
    std::thread late([&] { result = Relay.Ask("late", kDialogError, kButtonsAbortRetryIgnore); });
    late.join();
    EXPECT_EQ(result, kResultAbort);
    EXPECT_EQ(Status.DlgMsg, "q");
    EXPECT_EQ(Status.Load(), isStopped);
    EXPECT_TRUE(GuiDialogs.empty());
}

TEST_F(InstallThread, WindowGoneWhileTheWorkerWaitsEndsItPromptly) {
    Load({{0, 10}, {0, 10}, {2, 10}});
    Machine.Files.InjectCreateFailure(Target(1), 1, kErrorAccessDenied);
    Start();
    (void)Status.WaitWhile(isRunning);
    ASSERT_EQ(Status.Load(), isAskUser);
    ASSERT_TRUE(Status.TakeQuestion()); // the dialog is up when the window goes
    Worker->Finish();
    EXPECT_EQ(Status.Load(), isStopped);
    EXPECT_EQ(Recording.WriteOrder(), std::vector<std::string>{Target(0)});
}

struct TRunLog {
    std::set<std::string> Ignored;
    std::string LastIgnored;
    bool Abandoned = false;
    bool StopConfirmed = false;
    // At the confirmed abort: the writes begun so far, how many may still begin (the one under way when the
    // worker was not held in a question), and an Ignore the worker may not have taken yet.
    int WritesAtStop = 0;
    int WritesAllowedAfterStop = 0;
    std::string IgnoreAtStop;
};

// One randomized run: failures on random files; close requests while the worker runs, while its question
// waits (the timer may answer it meanwhile) and over the question's dialog, mostly answered "go on"; random
// answers to the questions, random pauses between ticks.
class TRandomRun {
public:
    explicit TRandomRun(unsigned seed) : Seed(seed), Rng(seed) {}
    void Run();

private:
    bool Chance(int percent) { return static_cast<int>(Rng() % 100) < percent; }
    [[nodiscard]] bool Plan();
    void Drive();
    void OnQuestion();
    void AnswerQuestion();
    void CloseRequest(bool questionOnScreen, const std::function<void()>& meanwhile);
    void Check();

    unsigned Seed;
    std::mt19937 Rng;
    sim::SimMachine Machine;
    test::RecordingFiles Recording{Machine.Files};
    TPlatform Platform{Recording,     Machine.Clock, Machine.System,   Machine.Module,        Machine.Drives,
                       Machine.Shell, Machine.Text,  Machine.Registry, Machine.RestartManager};
    TInstUtils Utils{Platform};
    TInstallThreadStatus Status;
    TAskUserRelay Relay{Status, [](const std::string&, int, std::uint16_t) { return kResultAbort; }};
    std::unique_ptr<TAttachedFiles> Files;
    std::vector<const TFileToInstall*> Order;
    std::atomic<int> Writes{0};
    TRunLog Log;
};

void TRandomRun::Run() {
    ASSERT_TRUE(Plan()) << Seed;
    Recording.BeforeWrite = [this](const std::string&) { Writes.fetch_add(1); };
    {
        TInstallThread worker(*Files, Utils, Status);
        Drive();
        worker.Join();
    }
    Check();
}

bool TRandomRun::Plan() {
    std::vector<TPlanned> planned;
    for (int i = 0, n = 2 + static_cast<int>(Rng() % 6); i < n; ++i)
        planned.push_back({static_cast<int>(Rng() % 7), static_cast<int>(Rng() % 3000)});
    TPayloadFault fault;
    Files = TAttachedFiles::FromStream(PackFiles(planned), fault);
    if (!Files) return false;
    Files->Connect(Platform, Utils, Relay.AsAskUser());
    for (size_t i = 0; i < planned.size(); ++i) {
        Files->QueueForInstall(
            test::Request(Files->Entries[i].Name, "C:\\D", planned[i].Component, TInstallMode::Always));
        if (Chance(30))
            Machine.Files.InjectCreateFailure("C:\\D\\" + Files->Entries[i].Name,
                                              1 + static_cast<int>(Rng() % 2), kErrorSharingViolation);
    }
    for (auto& queue : Files->Queues)
        for (auto& item : queue)
            Order.push_back(&item);
    return true;
}

void TRandomRun::Drive() {
    for (;;) {
        std::uint8_t state = Status.Load();
        if (state == isStopped || state == isFailed) break;
        if (state == isAskUser)
            OnQuestion();
        else if (state == isRunning && Chance(20))
            CloseRequest(false, [] {});
        if (Chance(50)) std::this_thread::yield();
    }
}

void TRandomRun::OnQuestion() {
    if (Chance(15)) {
        CloseRequest(false, [this] {
            if (Chance(50) && Status.TakeQuestion()) AnswerQuestion();
        });
        return;
    }
    if (!Status.TakeQuestion()) return;
    if (Chance(15)) CloseRequest(true, [] {});
    AnswerQuestion();
}

// An answer given after the abort is not noted: it must reach no one.
void TRandomRun::AnswerQuestion() {
    int pick = static_cast<int>(Rng() % 100);
    int answer = pick < 5 ? kResultAbort : pick < 60 ? kResultRetry : kResultIgnore;
    if (!Log.StopConfirmed && answer == kResultIgnore) {
        Log.Ignored.insert(Status.DlgMsg);
        Log.LastIgnored = Status.DlgMsg;
    }
    Log.Abandoned = Log.Abandoned || (!Log.StopConfirmed && answer == kResultAbort);
    Status.Answer(answer);
}

void TRandomRun::CloseRequest(bool questionOnScreen, const std::function<void()>& meanwhile) {
    bool held = Status.PauseForClose();
    meanwhile();
    if (Chance(50)) std::this_thread::yield();
    bool mayClose = Chance(8);
    if (mayClose && !Log.StopConfirmed) {
        Log.StopConfirmed = true;
        Log.WritesAtStop = Writes.load();
        // Only the wizard moves the record out of isAskUser: until then the worker cannot write.
        bool workerWaits = questionOnScreen || Status.Load() == isAskUser;
        Log.WritesAllowedAfterStop = workerWaits ? 0 : 1;
        Log.IgnoreAtStop = Log.LastIgnored;
    }
    Status.EndCloseRequest(held, mayClose);
}

void TRandomRun::Check() {
    std::int32_t handled = 0, untaken = 0;
    bool gap = false;
    for (const TFileToInstall* item : Order) {
        int writes = Recording.WritesOf(item->TargetPath);
        EXPECT_LE(writes, 1) << Seed;
        std::string question = CannotCreateFileText(item->TargetPath);
        bool ignored = Log.Ignored.count(question) > 0;
        if (writes > 0 || ignored) {
            EXPECT_FALSE(gap) << "a file after an unhandled one, seed " << Seed;
            handled += item->Entry.Size;
            if (writes == 0 && question == Log.IgnoreAtStop) untaken = item->Entry.Size;
        } else {
            gap = true;
        }
    }
    std::int32_t progress = Status.Progress.load();
    EXPECT_TRUE(progress == handled || progress == handled - untaken)
        << progress << " " << handled << " " << Seed;
    if (!Log.StopConfirmed && !Log.Abandoned) {
        EXPECT_FALSE(gap) << Seed;
    }
    if (Log.StopConfirmed) {
        EXPECT_LE(Writes.load() - Log.WritesAtStop, Log.WritesAllowedAfterStop)
            << "a file begun after the confirmed abort, seed " << Seed;
    }
    if (Log.Abandoned && Log.StopConfirmed) {
        // An abandon answered just before a confirmed close: whichever the worker saw first ends the run.
        EXPECT_TRUE(Status.Load() == isFailed || Status.Load() == isStopped) << Seed;
    } else {
        EXPECT_EQ(Status.Load(), Log.Abandoned ? isFailed : isStopped) << Seed;
    }
    EXPECT_EQ(Utils.LogSuspendCount(), 0);
}

TEST(InstallThreadRandom, ThousandInterleavingsKeepTheProtocol) {
    for (unsigned seed = 1; seed <= 1000; ++seed) {
        TRandomRun(seed).Run();
        if (::testing::Test::HasFailure()) break;
    }
}

} // namespace
} // namespace ulv
