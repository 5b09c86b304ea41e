#include "Win32Platform.h"

namespace ulv::win32 {
namespace {

// The kernel32 calls that fill a caller's buffer: they return the length written, or the size needed
// (terminator included) when the buffer was too small, or 0 on failure. The needed size can grow between
// two calls (another thread changing the current directory), hence the few attempts.
template <typename Call> std::optional<std::string> FillGrowing(Call call) {
    std::string buffer(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::nullopt;
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.assign(length, '\0');
    }
    return std::nullopt;
}

} // namespace

std::string Win32Files::GetCurrentDirectoryA() {
    return FillGrowing([](char* buffer, DWORD size) { return ::GetCurrentDirectoryA(size, buffer); })
        .value_or("");
}

bool Win32Files::SetCurrentDirectoryA(const std::string& path) {
    return ::SetCurrentDirectoryA(path.c_str()) != FALSE;
}

std::optional<std::string> Win32Files::GetFullPathNameA(const std::string& path) {
    return FillGrowing([&path](char* buffer, DWORD size) {
        return ::GetFullPathNameA(path.c_str(), size, buffer, nullptr);
    });
}

std::string Win32Files::GetTempPathA() {
    if (GetTempPath2Entry) {
        return FillGrowing(
                   [call = GetTempPath2Entry](char* buffer, DWORD size) { return call(size, buffer); })
            .value_or("");
    }
    return FillGrowing([](char* buffer, DWORD size) { return ::GetTempPathA(size, buffer); }).value_or("");
}

} // namespace ulv::win32
