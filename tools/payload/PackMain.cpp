// ulvara-pack --root DIR --list FILE --out STREAM
//   The list holds one line per entry, in archive order: "YYYY-MM-DD HH:MM:SS<TAB>relative/path" (UTF-8,
//   "/").
// ulvara-pack --folder DIR --out STREAM [--summary FILE] [--zone ZONE] [--accept-extra]
//   A publisher's folder checked against the catalogue and packed in the catalogue's order, each entry
//   stamped with its file's modification time as the wall clock of ZONE shows it (UTC unless given). Nothing
//   is written unless the whole folder passes. Files the catalogue does not name stop the packing, or with
//   --accept-extra are left out of it.
#include "Packer.h"
#include "PublisherFolder.h"
#include "resources/ResConst.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using namespace ulv::pack;
using ulv::TCivilTime;

struct TOptions {
    std::string Root, List, Folder, Out, Summary, Zone = "UTC";
    bool AcceptExtra = false;
};

bool ReadWhole(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "ulvara-pack: %s\n", message.c_str());
    return 1;
}

bool ParseLine(const std::string& root, const std::string& line, TPackItem& item, std::string& error) {
    size_t tab = line.find('\t');
    if (tab == std::string::npos || !ParseStamp(line.substr(0, tab), item.Stamp)) {
        error = "bad list line: " + line;
        return false;
    }
    std::string relative = line.substr(tab + 1);
    if (!Utf8ToCp1252(relative, item.Name)) {
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

bool ItemsFromList(const TOptions& options, std::vector<TPackItem>& items, std::string& error) {
    std::ifstream in(options.List);
    if (!in) {
        error = "cannot read " + options.List;
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        TPackItem item;
        if (!ParseLine(options.Root, line, item, error)) return false;
        items.push_back(std::move(item));
    }
    return true;
}

// The wall-clock time of ZONE at `seconds`, down to the even second the format stores.
bool StampOf(std::int64_t seconds, TCivilTime& stamp) {
    std::time_t t = static_cast<std::time_t>(seconds - (seconds % 2 + 2) % 2);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return false;
    stamp = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0};
    return stamp.Year >= 1980 && stamp.Year <= 2099;
}

bool UseZone(const std::string& zone) {
    if (zone != "UTC" && !std::filesystem::is_regular_file("/usr/share/zoneinfo/" + zone)) return false;
    setenv("TZ", zone.c_str(), 1);
    tzset();
    return true;
}

void Report(const char* heading, const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    std::fprintf(stderr, "ulvara-pack: %s (%zu):\n", heading, lines.size());
    for (const std::string& line : lines)
        std::fprintf(stderr, "  %s\n", line.c_str());
}

// Stamps every file; dates and a total the format cannot hold join the problems, before anything is read.
std::vector<TCivilTime> Stamps(const TFolderCheck& check, std::vector<std::string>& problems) {
    std::vector<TCivilTime> stamps(check.Files.size());
    std::uintmax_t total = 0;
    for (size_t i = 0; i < check.Files.size(); ++i) {
        const TFolderFile& file = check.Files[i];
        if (!StampOf(file.Modified, stamps[i]))
            problems.push_back(std::string(file.Row->Path) +
                               ": modified outside 1980-2099, which the setup cannot date");
        total += file.Size + std::strlen(file.Row->Path) + 13;
    }
    if (total > 0x7FFFFFFF)
        problems.push_back("the files add up to " + std::to_string(total) +
                           " bytes; the setup carries under 2 GiB");
    return stamps;
}

// The checked files as payload items, in catalogue order, and the summary's line for each component.
bool ReadItems(const TFolderCheck& check, const std::vector<TCivilTime>& stamps,
               std::vector<TPackItem>& items, std::string& summary, std::string& error) {
    std::uintmax_t files[ulv::kComponentCount] = {}, bytes[ulv::kComponentCount] = {};
    for (size_t i = 0; i < check.Files.size(); ++i) {
        const TFolderFile& file = check.Files[i];
        TPackItem item{{}, stamps[i], {}};
        (void)Utf8ToCp1252(file.Row->Path, item.Name);
        std::replace(item.Name.begin(), item.Name.end(), '/', '\\');
        if (!ReadWhole(file.Path.string(), item.Data) || item.Data.size() != file.Size) {
            error = std::string(file.Row->Path) + ": changed or unreadable while being packed";
            return false;
        }
        files[file.Row->Component] += 1;
        bytes[file.Row->Component] += item.Data.size();
        items.push_back(std::move(item));
    }
    for (int c = 0; c < ulv::kComponentCount; ++c)
        summary += "Component " + std::to_string(c) + " (" + std::string(ulv::kComponentNames[c]) +
                   "): " + std::to_string(files[c]) + (files[c] == 1 ? " file, " : " files, ") +
                   std::to_string(bytes[c]) + " bytes\n";
    for (const std::string& extra : check.Extra)
        summary += "Left out, nothing installs it: " + extra + "\n";
    return true;
}

bool ItemsFromFolder(const TOptions& options, std::vector<TPackItem>& items, std::string& summary,
                     std::string& error) {
    if (!UseZone(options.Zone)) {
        error = "unknown time zone " + options.Zone;
        return false;
    }
    TFolderCheck check = CheckFolder(options.Folder);
    std::vector<std::string> problems = check.Problems;
    std::vector<TCivilTime> stamps = Stamps(check, problems);
    Report("files the setup cannot carry", problems);
    Report("files of the catalogue missing from the folder", check.Missing);
    Report(options.AcceptExtra ? "files nothing installs, left out"
                               : "files nothing installs (--accept-extra leaves them out)",
           check.Extra);
    if (!problems.empty() || !check.Missing.empty() || (!check.Extra.empty() && !options.AcceptExtra)) {
        error = options.Folder + " does not match the catalogue: nothing packed";
        return false;
    }
    return ReadItems(check, stamps, items, summary, error);
}

bool WriteFile(const std::string& path, const void* data, size_t size, std::string& error) {
    std::string temp = path + ".tmp";
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!file.flush()) {
            error = "cannot write " + temp;
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path;
        return false;
    }
    return true;
}

bool ParseOptions(int argc, char** argv, TOptions& options) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--accept-extra") {
            options.AcceptExtra = true;
            continue;
        }
        if (i + 1 >= argc) return false;
        std::string value = argv[++i];
        if (arg == "--root")
            options.Root = value;
        else if (arg == "--list")
            options.List = value;
        else if (arg == "--folder")
            options.Folder = value;
        else if (arg == "--out")
            options.Out = value;
        else if (arg == "--summary")
            options.Summary = value;
        else if (arg == "--zone")
            options.Zone = value;
        else
            return false;
    }
    bool fromList = !options.Root.empty() && !options.List.empty() && options.Folder.empty();
    bool fromFolder = !options.Folder.empty() && options.Root.empty() && options.List.empty();
    return !options.Out.empty() && (fromList || fromFolder);
}

} // namespace

int main(int argc, char** argv) {
    TOptions options;
    if (!ParseOptions(argc, argv, options))
        return Fail("usage: --root DIR --list FILE --out STREAM | --folder DIR --out STREAM [--summary FILE] "
                    "[--zone ZONE] [--accept-extra]");
    std::vector<TPackItem> items;
    std::string summary, error;
    bool read = options.Folder.empty() ? ItemsFromList(options, items, error)
                                       : ItemsFromFolder(options, items, summary, error);
    if (!read) return Fail(error);
    std::vector<std::uint8_t> records, stream;
    if (!BuildRecords(items, records, error) || !CompressRecords(records, stream, error) ||
        !WithinLoaderLimits(records.size(), stream.size(), error))
        return Fail(error);
    summary = "Payload: " + std::to_string(items.size()) + " files, " + std::to_string(records.size()) +
              " bytes inflated, " + std::to_string(stream.size()) + " bytes packed\n" + summary;
    if (!WriteFile(options.Out, stream.data(), stream.size(), error)) return Fail(error);
    if (!options.Summary.empty() && !WriteFile(options.Summary, summary.data(), summary.size(), error))
        return Fail(error);
    std::printf("packed %zu entries: %zu bytes inflated, %zu compressed\n", items.size(), records.size(),
                stream.size());
    return 0;
}
