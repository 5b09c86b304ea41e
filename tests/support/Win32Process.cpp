#include "Win32Process.h"

namespace ulv::test {

ChildProcess::~ChildProcess() {
    if (!info_.hProcess) return;
    if (!Ended(0)) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, endTimeoutMs_);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

bool ChildProcess::Start(const std::string& program, const std::string& arguments) {
    std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info_);
}

bool ChildProcess::Ended(DWORD waitMs) const {
    return WaitForSingleObject(info_.hProcess, waitMs) == WAIT_OBJECT_0;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

} // namespace ulv::test
