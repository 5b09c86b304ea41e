// fuzz_seeds RECORDS_DIR STREAMS_DIR: writes small well-formed archives, raw and compressed, as starting
// points for the fuzzers.
#include "tools/payload/Packer.h"

#include <cstdio>
#include <string>

namespace {

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::vector<std::uint8_t> Bytes(std::string_view s) {
    return {s.begin(), s.end()};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    using ulv::pack::TPackItem;
    const std::vector<std::vector<TPackItem>> archives = {
        {{"vlmr.exe", {2020, 2, 17, 11, 31, 32}, Bytes("MZ stand-in")}},
        {{"Licence.txt", {2020, 1, 6, 10, 0, 0}, Bytes("Licence d'utilisation\r\n")},
         {"persodicfr.tlx", {2019, 3, 4, 5, 6, 8}, {}},
         {"Modèles de document\\Mémos\\Mémo 1.rtf",
          {1995, 8, 15, 22, 46, 10},
          Bytes("{\\rtf1\\ansi M\\'e9mo}")}},
    };
    for (size_t i = 0; i < archives.size(); ++i) {
        std::vector<std::uint8_t> raw, stream;
        std::string error;
        if (!ulv::pack::BuildRecords(archives[i], raw, error) ||
            !ulv::pack::CompressRecords(raw, stream, error)) {
            std::fprintf(stderr, "fuzz_seeds: %s\n", error.c_str());
            return 1;
        }
        std::string name = "/seed" + std::to_string(i);
        if (!WriteFile(argv[1] + name, raw) || !WriteFile(argv[2] + name, stream)) return 1;
    }
    return 0;
}
