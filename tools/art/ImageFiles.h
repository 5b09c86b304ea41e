#pragma once
// Byte-level pieces of the art tools' output files. Nothing here depends on the time or the machine, so
// the same image gives the same bytes on every run.
#include <compare>
#include <cstdint>
#include <string>
#include <vector>

namespace ulv::art {

struct Rgb8 {
    std::uint8_t R, G, B;
    auto operator<=>(const Rgb8&) const = default;
};

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes);

// 8-bit RGBA PNG of straight-alpha pixels, top row first. False when libpng fails.
[[nodiscard]] bool EncodeRgbaPng(int width, int height, const std::vector<std::uint8_t>& rgba,
                                 std::vector<std::uint8_t>& out);

// 8-bit palette PNG, one index a pixel, top row first; entry 0 is transparent when firstIsClear.
// False when libpng fails.
[[nodiscard]] bool EncodePalettePng(int width, int height, const std::vector<Rgb8>& palette,
                                    bool firstIsClear, const std::vector<std::uint8_t>& indices,
                                    std::vector<std::uint8_t>& out);

// False when the file cannot be written whole; what was written of it is then removed.
[[nodiscard]] bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace ulv::art
