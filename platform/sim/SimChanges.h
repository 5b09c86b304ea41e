#pragma once
// The changes a program makes to the simulated machine, numbered one by one as they are made: a folder
// made or removed, a file created, truncated, written, moved, deleted, its times or attributes set, a
// registry key made or deleted, a value written. A test stops the program at any change, as when its
// process is killed there: that change and every later one are not made, and each is told it succeeded,
// so that the program runs to its end without waiting for anything and the machine keeps what the kill
// left. Closing a handle is what the system does for a killed process, so it is never a change. The
// machine's own set-up helpers make no numbered changes. Thread-safe.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace ulv::sim {

class SimChanges {
public:
    // Numbers the change about to be made; false when the program is stopped: the caller then makes no
    // change and reports success.
    [[nodiscard]] bool Begin(std::string_view what, const std::string& path);
    // Change `number` (counted from 1) and every later one are not made; 0 lets every change through.
    void StopAt(std::uint64_t number);
    // Numbering starts again from 0 and nothing is stopped: the next program on the machine.
    void Restart();
    [[nodiscard]] std::uint64_t Count() const;
    [[nodiscard]] bool Stopped() const;
    // The change last numbered, for a failing test's message ("write C:\...").
    [[nodiscard]] std::string Last() const;
    // Called before change `number` is made, with what and where; it may act on the machine (a drive that
    // goes away, a folder that a user swaps) and its own changes are not numbered.
    std::function<void(std::uint64_t number, std::string_view what, const std::string& path)> BeforeChange;

private:
    mutable std::recursive_mutex Lock;
    std::uint64_t Made = 0;
    std::uint64_t StopNumber = 0;
    bool InHook = false;
    std::string LastChange;
};

} // namespace ulv::sim
