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

void TInstallThreadStatus::EndCloseRequest(bool held, bool mayClose) {
    if (mayClose)
        Move(isPaused, isStopped);
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

void TInstallThreadStatus::Shutdown() {
    for (;;) {
        std::uint8_t now = Load();
        if (now == isIdle || now == isStopped || now == isFailed) return;
        if (Move(now, isStopped)) return;
    }
}

TInstallThreadStatus& InstallStatus() {
    static TInstallThreadStatus status;
    return status;
}

TAskUserRelay::TAskUserRelay(TInstallThreadStatus& status, TAskUser showWizardMessage)
    : Status(status), ShowWizardMessage(std::move(showWizardMessage)), GuiThread(std::this_thread::get_id()) {
}

int TAskUserRelay::Ask(int kind, const std::string& text, std::uint16_t buttons) {
    if (std::this_thread::get_id() == GuiThread) return ShowWizardMessage(kind, text, buttons);
    return Relay(kind, text, buttons);
}

// The question is posted only from isRunning: a close request that holds the worker at that moment is
// waited out first, and a stop means nobody is left to answer, which counts as Abort.
int TAskUserRelay::Relay(int kind, const std::string& text, std::uint16_t buttons) {
    Status.DlgMsg = text;
    Status.DlgType = static_cast<std::uint8_t>(kind);
    Status.DlgButtons = buttons;
    for (;;) {
        std::uint8_t now = Status.WaitWhile(isPaused);
        if (now != isRunning) return kResultAbort;
        if (Status.Move(isRunning, isAskUser)) break;
    }
    for (;;) {
        std::uint8_t now = Status.Load();
        if (now == isAnswered) {
            int result = Status.DlgResult;
            Status.Move(isAnswered, isRunning);
            return result;
        }
        if (now != isAskUser && now != isPaused) return kResultAbort;
        (void)Status.WaitWhile(now);
    }
}

} // namespace ulv
