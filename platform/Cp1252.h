#pragma once
// Windows-1252, the program's text: the case of its letters, as the system's ANSI upper- and lower-casing
// map them, and the Unicode code points of its bytes.
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace ulv::cp1252 {

// The ASCII letters, the Latin-1 letters but the multiplication and division signs, and S, OE, Z with
// caron, Y with diaeresis.
[[nodiscard]] constexpr char Upper(char c) {
    auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7)) return static_cast<char>(b - 0x20);
    if (b == 0x9A || b == 0x9C || b == 0x9E) return static_cast<char>(b - 0x10);
    if (b == 0xFF) return static_cast<char>(0x9F);
    return c;
}

[[nodiscard]] constexpr char Lower(char c) {
    auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) return static_cast<char>(b + 0x20);
    if (b == 0x8A || b == 0x8C || b == 0x8E) return static_cast<char>(b + 0x10);
    if (b == 0x9F) return static_cast<char>(0xFF);
    return c;
}

[[nodiscard]] inline std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = Upper(c);
    return out;
}

[[nodiscard]] inline std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = Lower(c);
    return out;
}

// The code points of the bytes 0x80..0x9F; 0 marks the five unassigned ones. The other bytes are their own
// code points.
inline constexpr std::array<char32_t, 32> kHighCodePoints = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The byte of a code point; nullopt when Windows-1252 has none for it.
[[nodiscard]] constexpr std::optional<char> FromCodePoint(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (std::size_t i = 0; i < kHighCodePoints.size(); ++i)
        if (cp != 0 && kHighCodePoints[i] == cp) return static_cast<char>(0x80 + i);
    return std::nullopt;
}

} // namespace ulv::cp1252
