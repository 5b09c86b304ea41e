#include "Win32Platform.h"

namespace ulv::win32 {

void Win32Text::CharUpperBuffA(std::string& text) {
    if (!text.empty()) ::CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
}

void Win32Text::CharLowerBuffA(std::string& text) {
    if (!text.empty()) ::CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
}

int Win32Text::CompareStringA(std::uint32_t flags, const std::string& a, const std::string& b) {
    // The lengths are ints: a longer text cannot be compared whole, so it is not compared at all.
    constexpr size_t kMaxLength = 0x7FFFFFFF;
    if (a.size() > kMaxLength || b.size() > kMaxLength) return 0;
    return ::CompareStringA(LOCALE_USER_DEFAULT, flags, a.data(), static_cast<int>(a.size()), b.data(),
                            static_cast<int>(b.size()));
}

} // namespace ulv::win32
