#include "SimText.h"

namespace ulv::sim {

char UpperAnsi(char c) {
    auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 0x20);
    switch (b) {
    case 0x9A:
        return static_cast<char>(0x8A); // š
    case 0x9C:
        return static_cast<char>(0x8C); // œ
    case 0x9E:
        return static_cast<char>(0x8E); // ž
    case 0xFF:
        return static_cast<char>(0x9F); // ÿ
    default:
        return c;
    }
}

std::string UpperAnsi(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = UpperAnsi(c);
    return out;
}

bool SameTextNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperAnsi(a[i]) != UpperAnsi(b[i])) return false;
    return true;
}

} // namespace ulv::sim

namespace ulv::sim {

void SimText::CharUpperBuffA(std::string& text) {
    for (char& c : text)
        c = UpperAnsi(c);
}

int SimText::CompareStringNoCase(const std::string& a, const std::string& b) {
    std::string upperA = UpperAnsi(a), upperB = UpperAnsi(b);
    int order = std::string_view(upperA).compare(upperB); // char_traits<char> compares as unsigned bytes
    return order < 0 ? 1 : order == 0 ? 2 : 3;
}

} // namespace ulv::sim
