// fuzz_seeds RECORDS_DIR STREAMS_DIR [UPDATE_LOG_DIR]: writes small well-formed archives, raw and compressed,
// and update logs as the setup writes them and as they may be found, as starting points for the fuzzers.
#include "tools/payload/Packer.h"

#include <cstdio>
#include <iterator>
#include <string>
#include <string_view>

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

// Windows-1252 bytes spelled out: the fuzz build keeps its literals in UTF-8.
const char* const kUpdateLogs[] = {
    ("*0000C0A8D0F9E540\r\nC:\\ProgramData\\Ulvara\\Public\\Basic.asn\r\n"
     "C:\\ProgramData\\Ulvara\\Public\\Mod\xE8les de document\\M\xE9mos\\M\xE9mo 1.rtf\t!\r\n"
     "*55555555D326E640\r\nC:\\ProgramData\\Ulvara\\Public\\Orthographe\\fran\xE7"
     "ais.zlx\r\n"),
    "*A\r*B\n\r\nC:\\X\\a.dat\t!\n*C\r\nc:\\x\\A.DAT\t!\r*D\r\n*E",
    ("C:\\ProgramData\\Ulvara\\Public\\Collections d'inserts\\Images\\Puces\\Puce 01.png\t!\r\n"
     "\r\n\xAD\x9Cuvre-\xE6\r\n*\r\n"),
};

bool WriteUpdateLogSeeds(const std::string& folder) {
    for (size_t i = 0; i < std::size(kUpdateLogs); ++i) {
        std::string_view text = kUpdateLogs[i];
        if (!WriteFile(folder + "/seed" + std::to_string(i), {text.begin(), text.end()})) return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) return 2;
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
    if (argc == 4 && !WriteUpdateLogSeeds(argv[3])) return 1;
    return 0;
}
