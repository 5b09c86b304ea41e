// ulvara-pack --root DIR --list FILE --out STREAM
// The list holds one line per entry, in archive order: "YYYY-MM-DD HH:MM:SS<TAB>relative/path" (UTF-8, "/").
#include "Packer.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

bool ReadWhole(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool ParseLine(const std::string& root, const std::string& line, ulv::pack::TPackItem& item,
               std::string& error) {
    size_t tab = line.find('\t');
    if (tab == std::string::npos || !ulv::pack::ParseStamp(line.substr(0, tab), item.Stamp)) {
        error = "bad list line: " + line;
        return false;
    }
    std::string relative = line.substr(tab + 1);
    if (!ulv::pack::Utf8ToCp1252(relative, item.Name)) {
        error = relative + ": name not representable in Windows-1252";
        return false;
    }
    for (char& c : item.Name)
        if (c == '/') c = '\\';
    if (!ReadWhole(root + "/" + relative, item.Data)) {
        error = relative + ": cannot read";
        return false;
    }
    return true;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "ulvara-pack: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string root, list, out;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--root"))
            root = argv[i + 1];
        else if (!std::strcmp(argv[i], "--list"))
            list = argv[i + 1];
        else if (!std::strcmp(argv[i], "--out"))
            out = argv[i + 1];
    }
    if (root.empty() || list.empty() || out.empty())
        return Fail("usage: --root DIR --list FILE --out STREAM");
    std::ifstream in(list);
    if (!in) return Fail("cannot read " + list);
    std::vector<ulv::pack::TPackItem> items;
    std::string line, error;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        ulv::pack::TPackItem item;
        if (!ParseLine(root, line, item, error)) return Fail(error);
        items.push_back(std::move(item));
    }
    std::vector<std::uint8_t> records, stream;
    if (!ulv::pack::BuildRecords(items, records, error) ||
        !ulv::pack::CompressRecords(records, stream, error))
        return Fail(error);
    std::string temp = out + ".tmp";
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
        if (!file.flush()) return Fail("cannot write " + temp);
    }
    if (std::rename(temp.c_str(), out.c_str()) != 0) return Fail("cannot replace " + out);
    std::printf("packed %zu entries: %zu bytes inflated, %zu compressed\n", items.size(), records.size(),
                stream.size());
    return 0;
}
