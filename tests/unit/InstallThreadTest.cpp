// The install thread against a scripted wizard that drives the status record as its 100 ms timer and its
// close request would, over small synthetic payloads.
#include "engine/InstallThread.h"
#include "engine/AttachFiles.h"
#include "platform/sim/SimMachine.h"
#include "tests/unit/RecordingFiles.h"
#include "tools/payload/Packer.h"
#include "utils/InstUtils.h"

#include <gtest/gtest.h>

#include <chrono>
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
            ASSERT_TRUE(Files->QueueForInstall(Files->Entries[i].Name, "C:\\Dest", files[i].Component,
                                               TInstallMode::Always));
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
    TPlatform Platform{Recording,      Machine.Clock, Machine.System, Machine.Module,
                       Machine.Drives, Machine.Shell, Machine.Text,   Machine.Registry};
    TInstUtils Utils{Platform};
    TInstallThreadStatus Status;
    std::vector<int> GuiDialogs;
    TAskUserRelay Relay{Status, [this](int kind, const std::string&, std::uint16_t) {
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

// The hook runs on the worker just before a file's single write.
class HeldWrite {
public:
    void Arrive() {
        Arrived.store(true);
        Arrived.notify_all();
        Release.wait(false);
    }
    void AwaitArrival() { Arrived.wait(false); }
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
    Recording.BeforeWrite = [&](const std::string& path) {
        if (path == Target(0)) held.Arrive();
    };
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
    Recording.BeforeWrite = [&](const std::string& path) {
        if (path == Target(0)) held.Arrive();
    };
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

TEST_F(InstallThread, AskUserOnTheGuiThreadShowsTheDialogDirectly) {
    Status.State.store(isRunning);
    EXPECT_EQ(Relay.Ask(kDialogError, "x", kButtonsAbortRetryIgnore), kResultIgnore);
    EXPECT_EQ(GuiDialogs, std::vector<int>{kDialogError});
    EXPECT_EQ(Status.Load(), isRunning);
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
    bool Abandoned = false;
    bool StopConfirmed = false;
};

// One randomized run: failures on random files, random close requests (mostly answered "go on"), random
// answers to the questions, random pauses between ticks.
void RandomRun(unsigned seed) {
    std::mt19937 rng(seed);
    auto chance = [&](int percent) { return static_cast<int>(rng() % 100) < percent; };
    sim::SimMachine machine;
    test::RecordingFiles recording(machine.Files);
    TPlatform platform{recording,      machine.Clock, machine.System, machine.Module,
                       machine.Drives, machine.Shell, machine.Text,   machine.Registry};
    TInstUtils utils(platform);
    TInstallThreadStatus status;
    TAskUserRelay relay(status, [](int, const std::string&, std::uint16_t) { return kResultAbort; });
    std::vector<TPlanned> planned;
    for (int i = 0, n = 2 + static_cast<int>(rng() % 6); i < n; ++i)
        planned.push_back({static_cast<int>(rng() % 7), static_cast<int>(rng() % 3000)});
    TPayloadFault fault;
    auto files = TAttachedFiles::FromStream(PackFiles(planned), fault);
    ASSERT_NE(files, nullptr);
    files->Connect(platform, utils, relay.AsAskUser());
    std::vector<const TFileToInstall*> order;
    for (size_t i = 0; i < planned.size(); ++i) {
        files->QueueForInstall(files->Entries[i].Name, "C:\\D", planned[i].Component, TInstallMode::Always);
        if (chance(30))
            machine.Files.InjectCreateFailure("C:\\D\\" + files->Entries[i].Name,
                                              1 + static_cast<int>(rng() % 2), kErrorSharingViolation);
    }
    for (auto& queue : files->Queues)
        for (auto& item : queue)
            order.push_back(&item);

    TRunLog log;
    TInstallThread worker(*files, utils, status);
    for (;;) {
        std::uint8_t state = status.Load();
        if (state == isStopped || state == isFailed) break;
        if (state == isAskUser && status.TakeQuestion()) {
            int pick = static_cast<int>(rng() % 100);
            int answer = pick < 5 ? kResultAbort : pick < 60 ? kResultRetry : kResultIgnore;
            if (answer == kResultIgnore) log.Ignored.insert(status.DlgMsg);
            log.Abandoned = log.Abandoned || answer == kResultAbort;
            status.Answer(answer);
        } else if (state == isRunning && chance(20)) {
            bool held = status.PauseForClose();
            if (chance(50)) std::this_thread::yield();
            bool mayClose = chance(8);
            log.StopConfirmed = log.StopConfirmed || (held && mayClose);
            status.EndCloseRequest(held, mayClose);
        }
        if (chance(50)) std::this_thread::yield();
    }
    worker.Join();

    std::int32_t handled = 0;
    bool gap = false;
    for (const TFileToInstall* item : order) {
        int writes = recording.WritesOf(item->TargetPath);
        EXPECT_LE(writes, 1) << seed;
        bool ignored = log.Ignored.count(CannotCreateFileText(item->TargetPath)) > 0;
        if (writes > 0 || ignored) {
            EXPECT_FALSE(gap) << "a file after an unhandled one, seed " << seed;
            handled += item->Entry.Size;
        } else {
            gap = true;
        }
    }
    EXPECT_EQ(status.Progress.load(), handled) << seed;
    if (!log.StopConfirmed && !log.Abandoned) {
        EXPECT_FALSE(gap) << seed;
    }
    if (log.Abandoned && log.StopConfirmed) {
        // An abandon answered just before a confirmed close: whichever the worker saw first ends the run.
        EXPECT_TRUE(status.Load() == isFailed || status.Load() == isStopped) << seed;
    } else {
        EXPECT_EQ(status.Load(), log.Abandoned ? isFailed : isStopped) << seed;
    }
    EXPECT_EQ(utils.LogSuspendCount(), 0);
}

TEST(InstallThreadRandom, ThousandInterleavingsKeepTheProtocol) {
    for (unsigned seed = 1; seed <= 1000; ++seed) {
        RandomRun(seed);
        if (::testing::Test::HasFailure()) break;
    }
}

} // namespace
} // namespace ulv
