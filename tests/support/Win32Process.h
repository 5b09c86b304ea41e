#pragma once
// The program a timing tool starts and watches from outside.
#include <windows.h>

#include <string>

namespace ulv::test {

// A started program, ended (and waited for, up to endTimeoutMs) if it is still running when the owner goes.
class ChildProcess {
public:
    explicit ChildProcess(DWORD endTimeoutMs) : endTimeoutMs_(endTimeoutMs) {}
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // Runs "program" followed by arguments (if any); false with GetLastError set when it cannot.
    [[nodiscard]] bool Start(const std::string& program, const std::string& arguments = {});
    [[nodiscard]] DWORD Id() const { return info_.dwProcessId; }
    // Whether it has ended, waiting for that up to waitMs.
    [[nodiscard]] bool Ended(DWORD waitMs) const;

private:
    DWORD endTimeoutMs_;
    PROCESS_INFORMATION info_{};
};

// The time between two readings of QueryPerformanceCounter.
double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to);

} // namespace ulv::test
