#pragma once
// The install thread and the status record it shares with the wizard. State is the handshake: the side
// that hands something over writes its fields first and then stores the new State (release); the other
// side loads State (acquire) before reading the fields. Every change of State is a compare-and-swap from
// the state the changing side expects, so a transition of one side never silently undoes the other's.
// A confirmed abort does not rely on State alone: the wizard may be answering the worker's question at
// that moment, so the abort is also a flag of its own that no later transition can undo.
#include "engine/AskUser.h"
#include "utils/RunLog.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace ulv {

class TAttachedFiles;
class TInstUtils;

enum TInstallState : std::uint8_t {
    isIdle = 0,     // no installation running
    isRunning = 1,  // the worker writes files
    isPaused = 2,   // the wizard holds the worker while it shows a dialog
    isStopped = 3,  // all queues done, or told to stop
    isFailed = 4,   // the user abandoned after a failure; the worker has ended
    isAskUser = 5,  // the worker waits for the answer to DlgMsg, DlgType, DlgButtons
    isAnswered = 6, // the wizard has put the answer into DlgResult
};

constexpr std::uint8_t kNoComponent = 255;

class TInstallThreadStatus {
public:
    std::atomic<std::uint8_t> State{isIdle};
    std::atomic<std::uint8_t> CurComp{kNoComponent};
    std::atomic<std::int32_t> Progress{0};
    // Set (release) before the State change that announces a stop; never cleared while that worker runs.
    std::atomic<bool> StopRequested{false};
    // Called on the worker's thread once it has posted a question or ended, so that the wizard acts at
    // once rather than at its next timer tick; set before the worker starts.
    std::function<void()> Notify;
    std::string DlgMsg;
    std::uint8_t DlgType = 0;
    std::uint16_t DlgButtons = 0;
    std::int32_t DlgResult = 0;

    [[nodiscard]] std::uint8_t Load() const { return State.load(std::memory_order_acquire); }
    // From `from` to `to`, publishing what was written before; false (nothing changed) when State was not
    // `from`.
    bool Move(std::uint8_t from, std::uint8_t to);
    // Blocks, without using a processor, while State is `state`; returns the state that ended the wait.
    [[nodiscard]] std::uint8_t WaitWhile(std::uint8_t state) const;

    // The worker's side: true once the wizard has asked it to stop. Checked between files and after every
    // wait, so no file begins after a confirmed abort, whatever State the worker saw.
    [[nodiscard]] bool StopWanted() const { return StopRequested.load(std::memory_order_acquire); }
    // The start of a run (isIdle to isRunning); a stop requested in an earlier run does not carry over.
    void Start();

    // The wizard's side, one call per event.
    // Close request: holds a running worker; false when it was not running (a question pending or on
    // screen, or no worker).
    bool PauseForClose() { return Move(isRunning, isPaused); }
    // After the close request's decision (`held`: what PauseForClose returned): a confirmed close is
    // RequestStop, from whatever State the record is in by then (the timer may have answered the worker's
    // question meanwhile); going on only releases a hold the close request took itself, never the one of a
    // question being shown, which would leave the worker waiting for an answer that no one asks for.
    void EndCloseRequest(bool held, bool mayClose);
    // Takes the worker's question, if one is waiting: State becomes isPaused while it is shown.
    [[nodiscard]] bool TakeQuestion();
    // Hands the answer over; after a stop it reaches no one.
    void Answer(int result);
    // The abort: the flag first, then State becomes isStopped from any state but isIdle and the two ends,
    // which wakes a waiting worker. A question it waits on counts as abandoned (AskUser returns Abort); it
    // completes at most the file it is writing and begins no other. Also what the window's end does.
    void RequestStop();
};

// AskUser: on the GUI thread (the one that created the relay) the wizard's dialog itself; on any other
// thread the question goes through the status record and the caller waits for the wizard's answer. Once
// a stop is requested the answer is Abort: the question is then not posted, and an answer that arrives
// with the stop is not passed on.
class TAskUserRelay {
public:
    TAskUserRelay(TInstallThreadStatus& status, TAskUser showWizardMessage);
    int Ask(const std::string& text, int kind, std::uint16_t buttons);
    [[nodiscard]] TAskUser AsAskUser() {
        return [this](const std::string& text, int kind, std::uint16_t buttons) {
            return Ask(text, kind, buttons);
        };
    }

private:
    int Relay(const std::string& text, int kind, std::uint16_t buttons);
    [[nodiscard]] bool Post();
    [[nodiscard]] int AwaitAnswer();
    TInstallThreadStatus& Status;
    TAskUser ShowWizardMessage;
    std::thread::id GuiThread;
};

// The worker: writes the seven queues in order on its own thread, started at construction (State is set
// to isRunning first, as the wizard does just before the start). It ends isStopped (all queues done, or a
// stop seen) or isFailed (the user abandoned a file that could not be written, or the worker met an
// exception, no stop requested).
// Destruction, or Finish, tells it to stop and waits for it: it then ends after at most the file it is
// writing, so the index it reads stays alive as long as it is needed and nothing outlives the window.
class TInstallThread {
public:
    TInstallThread(TAttachedFiles& files, TInstUtils& utils, TInstallThreadStatus& status);
    TInstallThread(const TInstallThread&) = delete;
    TInstallThread& operator=(const TInstallThread&) = delete;
    ~TInstallThread() { Finish(); }

    // Waits for the worker's normal end.
    void Join();
    // Stops the worker (RequestStop) and waits for it.
    void Finish();

private:
    // The thread body; nothing thrown below it leaves it.
    void Execute();
    void WriteQueues();
    // False when the worker must leave the queues.
    [[nodiscard]] bool GoOn();
    [[nodiscard]] bool WriteQueue(int component);
    // The worker's last word; a hold taken at that moment is waited out, a stop already seen is kept.
    void EndAs(std::uint8_t final);

    TAttachedFiles& Files;
    TInstUtils& Utils;
    TInstallThreadStatus& Status;
    std::thread Thread;
};

// What one run of the setup shares between the wizard, the worker and the program entry: made by the entry
// before the wizard and kept until the payload index is gone.
class TSetupRun {
public:
    TInstallThreadStatus InstallStatus;
    // The installing page was entered: the entry stores the settings and the install log after the wizard.
    bool InstallStarted = false;
    std::unique_ptr<TInstallThread> InstallThread;
    // The log of the run asked for with /LOG=; closed otherwise.
    TRunLog Log;

    // Starts the worker over the queues the plan filled (State becomes isRunning first).
    void StartInstallThread(TAttachedFiles& files, TInstUtils& utils);
    // After the wizard: a worker still running is told to stop (nobody is left to answer its questions) and
    // waited for; it ends after at most the file it is writing.
    void EndInstallThread();
};

} // namespace ulv
