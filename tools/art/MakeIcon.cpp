// Draws the application icon of the word processor (a sheet of paper with a folded corner, lines
// of text and a blue pen) and writes it as an ICO file: 256 px as PNG, 48, 32 and 16 px as
// 32-bit DIBs with alpha. Everything is drawn from geometry, so the output is the same bytes on
// every run and needs no art files in the tree.
//
//   ulvara-make-icon OUT.ico
#include "tools/art/ImageFiles.h"
#include "tools/art/Motif.h"

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <utility>
#include <vector>

namespace ulv::art {
namespace {

constexpr int kSizes[] = {256, 48, 32, 16};

// An icon DIB: BITMAPINFOHEADER with the height of colour and mask together, BGRA rows bottom
// up, then the 1-bit AND mask (rows padded to 32 bits) that marks the clear pixels for
// renderers that ignore alpha.
std::vector<uint8_t> EncodeDib(const std::vector<uint8_t>& rgba, int size) {
    const uint32_t maskStride = ((size + 31) / 32) * 4;
    const uint32_t imageBytes = size * size * 4 + maskStride * size;
    std::vector<uint8_t> out;
    PutLe(out, 40, 4);
    PutLe(out, size, 4);
    PutLe(out, size * 2, 4);
    PutLe(out, 1, 2);  // planes
    PutLe(out, 32, 2); // bits per pixel
    PutLe(out, 0, 4);  // BI_RGB
    PutLe(out, imageBytes, 4);
    for (int i = 0; i < 4; ++i)
        PutLe(out, 0, 4); // resolution, palette
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const uint8_t* p = &rgba[(static_cast<size_t>(y) * size + x) * 4];
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskStride, 0);
        for (int x = 0; x < size; ++x) {
            if (rgba[(static_cast<size_t>(y) * size + x) * 4 + 3] == 0) row[x / 8] |= 0x80 >> (x % 8);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

bool BuildIcon(std::vector<uint8_t>& file) {
    const int count = static_cast<int>(std::size(kSizes));
    std::vector<std::vector<uint8_t>> images;
    for (int size : kSizes) {
        Shapes shapes;
        AddMotif(size, {0, 0}, shapes);
        std::vector<uint8_t> rgba = Render(size, size, nullptr, shapes).Rgba;
        std::vector<uint8_t> image;
        // Only the large image as PNG: older readers of small icons expect DIBs.
        if (size >= 256) {
            if (!EncodeRgbaPng(size, size, rgba, image)) return false;
        } else {
            image = EncodeDib(rgba, size);
        }
        images.push_back(std::move(image));
    }
    PutLe(file, 0, 2);
    PutLe(file, 1, 2); // icon, not cursor
    PutLe(file, count, 2);
    uint32_t offset = 6 + 16 * count;
    for (int i = 0; i < count; ++i) {
        file.push_back(static_cast<uint8_t>(kSizes[i] >= 256 ? 0 : kSizes[i])); // 0 means 256
        file.push_back(static_cast<uint8_t>(kSizes[i] >= 256 ? 0 : kSizes[i]));
        file.push_back(0); // no palette
        file.push_back(0);
        PutLe(file, 1, 2);
        PutLe(file, 32, 2);
        PutLe(file, static_cast<uint32_t>(images[i].size()), 4);
        PutLe(file, offset, 4);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& image : images)
        file.insert(file.end(), image.begin(), image.end());
    return true;
}

} // namespace
} // namespace ulv::art

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ulvara-make-icon OUT.ico\n");
        return 2;
    }
    std::vector<uint8_t> file;
    if (!ulv::art::BuildIcon(file)) {
        std::fprintf(stderr, "ulvara-make-icon: PNG encoding failed\n");
        return 1;
    }
    if (!ulv::art::WriteFile(argv[1], file)) {
        std::fprintf(stderr, "ulvara-make-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
