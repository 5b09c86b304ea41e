#include "Win32Platform.h"

namespace ulv::win32 {

void Win32Text::CharUpperBuffA(std::string& text) {
    if (!text.empty()) ::CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
}

int Win32Text::CompareStringNoCase(const std::string& a, const std::string& b) {
    return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                            b.data(), static_cast<int>(b.size()));
}

} // namespace ulv::win32
