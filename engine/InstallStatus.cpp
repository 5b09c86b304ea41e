#include "InstallThread.h"

namespace ulv {

bool TInstallThreadStatus::Move(std::uint8_t from, std::uint8_t to) {
    if (!State.compare_exchange_strong(from, to, std::memory_order_acq_rel, std::memory_order_acquire))
        return false;
    State.notify_all();
    return true;
}

std::uint8_t TInstallThreadStatus::WaitWhile(std::uint8_t state) const {
    std::uint8_t now = Load();
    while (now == state) {
        State.wait(state, std::memory_order_acquire);
        now = Load();
    }
    return now;
}

void TInstallThreadStatus::Start() {
    // Relaxed is enough: the worker's thread is created after the release of isRunning.
    StopRequested.store(false, std::memory_order_relaxed);
    Move(isIdle, isRunning);
}

void TInstallThreadStatus::EndCloseRequest(bool held, bool mayClose) {
    if (mayClose)
        RequestStop();
    else if (held)
        Move(isPaused, isRunning);
}

bool TInstallThreadStatus::TakeQuestion() {
    return Move(isAskUser, isPaused);
}

void TInstallThreadStatus::Answer(int result) {
    DlgResult = result;
    Move(isPaused, isAnswered);
}

// The flag goes first: a worker that slips past the State change (it took an answer an instant before)
// still finds the flag at its next check.
void TInstallThreadStatus::RequestStop() {
    StopRequested.store(true, std::memory_order_release);
    for (;;) {
        std::uint8_t now = Load();
        if (now == isIdle || now == isStopped || now == isFailed) return;
        if (Move(now, isStopped)) return;
    }
}

TAskUserRelay::TAskUserRelay(TInstallThreadStatus& status, TAskUser showWizardMessage)
    : Status(status), ShowWizardMessage(std::move(showWizardMessage)), GuiThread(std::this_thread::get_id()) {
}

int TAskUserRelay::Ask(const std::string& text, int kind, std::uint16_t buttons) {
    if (std::this_thread::get_id() == GuiThread) return ShowWizardMessage(text, kind, buttons);
    return Relay(text, kind, buttons);
}

// Nothing is posted after a stop: nobody is left to answer, which counts as Abort.
int TAskUserRelay::Relay(const std::string& text, int kind, std::uint16_t buttons) {
    if (Status.StopWanted()) return kResultAbort;
    Status.DlgMsg = text;
    Status.DlgType = static_cast<std::uint8_t>(kind);
    Status.DlgButtons = buttons;
    if (!Post()) return kResultAbort;
    return AwaitAnswer();
}

// Only from isRunning: a close request that holds the worker at that moment is waited out first.
bool TAskUserRelay::Post() {
    for (;;) {
        std::uint8_t now = Status.WaitWhile(isPaused);
        if (now != isRunning || Status.StopWanted()) return false;
        if (!Status.Move(isRunning, isAskUser)) continue;
        if (Status.Notify) Status.Notify();
        return true;
    }
}

// An answer taken as the stop arrives is dropped: the abort was confirmed before the worker could act
// on it.
int TAskUserRelay::AwaitAnswer() {
    for (;;) {
        std::uint8_t now = Status.Load();
        if (now == isAnswered) {
            int result = Status.DlgResult;
            if (!Status.Move(isAnswered, isRunning) || Status.StopWanted()) return kResultAbort;
            return result;
        }
        if (now != isAskUser && now != isPaused) return kResultAbort;
        (void)Status.WaitWhile(now);
    }
}

} // namespace ulv
