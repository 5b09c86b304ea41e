// Holds a file open without sharing, as another program would, until a stop file appears or the process is
// killed; for the end-to-end tests that make the setup meet a file it cannot write.
//
//   HoldFile PATH STOPFILE
//
// Opens PATH (creating it when missing) for reading and writing with share mode 0, says "held" on one line,
// then waits for STOPFILE to exist, at most two minutes, and closes the file. Exit status: 0 after the
// stop file or the time limit, 1 when PATH cannot be opened, 2 on a usage error.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

constexpr DWORD kPollMs = 50;
// No test waits this long; a test that dies before making the stop file must not leave us behind.
constexpr ULONGLONG kLimitMs = 120000;

bool Exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc != 3) return std::fprintf(stderr, "usage: HoldFile PATH STOPFILE\n"), 2;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("cannot open (error %lu)\n", GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    ULONGLONG deadline = GetTickCount64() + kLimitMs;
    while (!Exists(argv[2]) && GetTickCount64() < deadline)
        Sleep(kPollMs);
    CloseHandle(file);
    return 0;
}
