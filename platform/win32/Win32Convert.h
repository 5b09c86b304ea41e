#pragma once
// Conversions the Win32 adapters share.
#include "platform/Platform.h"

#include <string>

#include <windows.h>

namespace ulv::win32 {

// A FileTime and a FILETIME count the same 100-ns intervals.
inline FILETIME ToFiletime(FileTime t) {
    return FILETIME{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
}
inline FileTime FromFiletime(const FILETIME& ft) {
    return static_cast<FileTime>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
}

// Text in the system's ANSI code page as UTF-16.
inline std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

} // namespace ulv::win32
