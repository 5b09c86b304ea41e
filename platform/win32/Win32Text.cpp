#include "Win32Platform.h"

#include <algorithm>

namespace ulv::win32 {
namespace {

// The lengths are ints: a longer text cannot be taken whole, so it is not taken at all.
constexpr size_t kMaxLength = 0x7FFFFFFF;

} // namespace

void Win32Text::CharUpperBuffA(std::string& text) {
    if (!text.empty()) ::CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
}

void Win32Text::CharLowerBuffA(std::string& text) {
    if (!text.empty()) ::CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
}

int Win32Text::CompareStringA(Lcid locale, std::uint32_t flags, const std::string& a, const std::string& b) {
    if (a.size() > kMaxLength || b.size() > kMaxLength) return 0;
    return ::CompareStringA(locale, flags, a.data(), static_cast<int>(a.size()), b.data(),
                            static_cast<int>(b.size()));
}

// A key is seldom more than three bytes a character: the first call mostly fits, and only a longer key asks
// its size first.
bool Win32Text::LCMapSortKeyA(Lcid locale, std::uint32_t flags, const std::string& text, std::string& key) {
    key.clear();
    if (text.size() > kMaxLength) return false;
    // A length of 0 is refused: the empty text goes as a NUL-terminated one, whose end is not mapped.
    const char* source = text.empty() ? "" : text.data();
    int length = text.empty() ? -1 : static_cast<int>(text.size());
    DWORD mapFlags = LCMAP_SORTKEY | flags;
    key.resize(text.size() <= kMaxLength / 4 ? 3 * text.size() + 16 : 0);
    int size = key.empty() ? 0
                           : ::LCMapStringA(locale, mapFlags, source, length, key.data(),
                                            static_cast<int>(key.size()));
    if (size <= 0 && (key.empty() || ::GetLastError() == ERROR_INSUFFICIENT_BUFFER)) {
        size = ::LCMapStringA(locale, mapFlags, source, length, nullptr, 0);
        key.resize(static_cast<size_t>(std::max(size, 0)));
        if (size > 0) size = ::LCMapStringA(locale, mapFlags, source, length, key.data(), size);
    }
    key.resize(static_cast<size_t>(std::max(size, 0)));
    return size > 0;
}

} // namespace ulv::win32
