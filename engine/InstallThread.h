#pragma once
// The install thread and the status record it shares with the wizard. State is the handshake: the side
// that hands something over writes its fields first and then stores the new State (release); the other
// side loads State (acquire) before reading the fields. Every change of State is a compare-and-swap from
// the state the changing side expects, so a transition of one side never silently undoes the other's.
#include "engine/AskUser.h"

#include <atomic>
#include <cstdint>
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

    // The wizard's side, one call per event.
    // Close request: holds a running worker; false when it was not running.
    bool PauseForClose() { return Move(isRunning, isPaused); }
    // After the close request's decision (`held`: what PauseForClose returned): a confirmed close stops the
    // worker, also while its question is on screen (the question then counts as abandoned); going on only
    // releases a hold the close request took itself, never the one of a question being shown, which would
    // leave the worker waiting for an answer that no one asks for.
    void EndCloseRequest(bool held, bool mayClose);
    // Takes the worker's question, if one is waiting: State becomes isPaused while it is shown.
    [[nodiscard]] bool TakeQuestion();
    void Answer(int result);
    // Window gone: whatever the worker waits for, it is told to stop. A question it is waiting on counts
    // as abandoned (AskUser returns Abort), so it ends without writing anything further.
    void Shutdown();
};

// The program-wide record the wizard polls; it exists for the whole run.
TInstallThreadStatus& InstallStatus();

// AskUser: on the GUI thread (the one that created the relay) the wizard's dialog itself; on any other
// thread the question goes through the status record and the caller waits for the wizard's answer.
class TAskUserRelay {
public:
    TAskUserRelay(TInstallThreadStatus& status, TAskUser showWizardMessage);
    int Ask(int kind, const std::string& text, std::uint16_t buttons);
    [[nodiscard]] TAskUser AsAskUser() {
        return [this](int kind, const std::string& text, std::uint16_t buttons) {
            return Ask(kind, text, buttons);
        };
    }

private:
    int Relay(int kind, const std::string& text, std::uint16_t buttons);
    TInstallThreadStatus& Status;
    TAskUser ShowWizardMessage;
    std::thread::id GuiThread;
};

// The worker: writes the seven queues in order on its own thread, started at construction (State is set
// to isRunning first, as the wizard does just before the start). Destruction, or Finish, tells it to stop
// and waits for it: it then ends after at most the file it is writing, so the index it reads stays alive
// as long as it is needed and nothing outlives the window.
class TInstallThread {
public:
    TInstallThread(TAttachedFiles& files, TInstUtils& utils, TInstallThreadStatus& status);
    TInstallThread(const TInstallThread&) = delete;
    TInstallThread& operator=(const TInstallThread&) = delete;
    ~TInstallThread() { Finish(); }

    // Waits for the worker's normal end.
    void Join();
    // Stops the worker (Shutdown) and waits for it.
    void Finish();

private:
    void Execute();
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

} // namespace ulv
