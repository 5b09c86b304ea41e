#include "SimChanges.h"

namespace ulv::sim {

bool SimChanges::Begin(std::string_view what, const std::string& path) {
    std::lock_guard guard(Lock);
    if (InHook) return true;
    if (StopNumber != 0 && Made + 1 >= StopNumber) return false;
    ++Made;
    LastChange = std::string(what) + " " + path;
    if (BeforeChange) {
        InHook = true;
        BeforeChange(Made, what, path);
        InHook = false;
    }
    return true;
}

void SimChanges::StopAt(std::uint64_t number) {
    std::lock_guard guard(Lock);
    StopNumber = number;
}

void SimChanges::Restart() {
    std::lock_guard guard(Lock);
    Made = 0;
    StopNumber = 0;
    LastChange.clear();
}

std::uint64_t SimChanges::Count() const {
    std::lock_guard guard(Lock);
    return Made;
}

bool SimChanges::Stopped() const {
    std::lock_guard guard(Lock);
    return StopNumber != 0 && Made + 1 >= StopNumber;
}

std::string SimChanges::Last() const {
    std::lock_guard guard(Lock);
    return LastChange;
}

} // namespace ulv::sim
