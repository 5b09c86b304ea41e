// Checks what the setup left on disk against its payload, for the end-to-end tests run under Wine.
//
//   InstallCheck files PAYLOAD PROGDIR PUBLICDIR
//       one line per file an installation of every component writes, in the order the worker writes
//       them: a status, a tab and the full path. The status is "ok" (the payload's bytes and, at DOS
//       precision in local time, its time stamp), "missing", "bytes" or "time". Program files go to
//       PROGDIR, the shared data to PUBLICDIR and the dictionaries to PUBLICDIR\Orthographe. A payload
//       entry that no line covers is reported as "unplanned", a tab and its name.
//   InstallCheck sorted FILE FIRST
//       "sorted" when lines FIRST (counted from 1) to the end of FILE ascend as the user's locale
//       compares them ignoring case; else "unsorted" and the first pair out of order.
//   InstallCheck summary DEST DATA KEY UNINSTALL_KEY
//       what an installation left, as scripts/run tells a person: the files and bytes under the folders
//       DEST and DATA, the lines of the Install.log in DEST and of the Update.log in DATA, the values of
//       KEY, and the name, version and command of the uninstall entry UNINSTALL_KEY. Keys are written
//       "HKCU\..." or "HKLM\..." and read in this program's registry view, which is the setup's.
//
// The expected places and order are written out here, from the product's documented plan, rather than
// taken from the setup's own tables, so that a fault in those tables shows. Paths are printed in UTF-8.
// Exit status: 0 when every line is "ok" (or the file is sorted), 1 otherwise, 2 on a usage error.
#include "engine/AttachFiles.h"
#include "platform/win32/DllLoading.h"
#include "tests/support/PayloadFiles.h"
#include "tests/support/TestFiles.h"
#include "tests/support/Win32Text.h"
#include "utils/DateTime.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using ulv::test::ToUtf8;

enum class Place { Program, Spelling, Public };

struct Target {
    const ulv::TAttachedFile* Entry;
    std::string Path;
};

struct Request {
    const char* Name; // a name ending in a backslash stands for every entry under that folder
    Place Where;
    const char* Rename = nullptr;
};

// Components 0 to 6 in their order, each as its requests were made.
const Request kPlan[] = {
    {"vlmr.exe", Place::Program},
    {"Licence.txt", Place::Program},
    {"French.asc", Place::Spelling},
    {"français.zlx", Place::Spelling},
    {"persodicfr.tlx", Place::Spelling},
    {"English (American).asc", Place::Spelling},
    {"English (American).cache", Place::Spelling},
    {"English (British).asc", Place::Spelling},
    {"English (American).cache", Place::Spelling, "English (British).cache"},
    {"english.zlx", Place::Spelling},
    {"us.zlx", Place::Spelling},
    {"uk.zlx", Place::Spelling},
    {"userdicen.tlx", Place::Spelling},
    {"Coupe de mots.dat", Place::Program},
    {"Modèles de document\\", Place::Public},
    {"Collections d'inserts\\", Place::Public},
    {"Basic.asn", Place::Public},
};

std::string Folder(std::string path) {
    if (path.empty() || path.back() != '\\') path += '\\';
    return path;
}

bool SameName(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

bool UnderFolder(const std::string& name, const std::string& prefix) {
    return name.size() >= prefix.size() && SameName(name.substr(0, prefix.size()), prefix);
}

std::vector<Target> PlannedTargets(const ulv::TAttachedFiles& files, const std::string& progDir,
                                   const std::string& publicDir) {
    const std::string folders[] = {Folder(progDir), Folder(publicDir) + "Orthographe\\", Folder(publicDir)};
    std::vector<Target> targets;
    for (const Request& request : kPlan) {
        std::string name = request.Name, folder = folders[static_cast<int>(request.Where)];
        bool prefix = name.back() == '\\';
        for (const ulv::TAttachedFile& e : files.Entries) {
            if (prefix ? !UnderFolder(e.Name, name) : !SameName(e.Name, name)) continue;
            targets.push_back({&e, folder + (request.Rename ? request.Rename : e.Name)});
            if (!prefix) break;
        }
    }
    return targets;
}

// The file's last-write time as the setup compares it: local time, DOS precision (2 s).
bool SameStamp(const WIN32_FIND_DATAA& found, ulv::TDateTime stamp) {
    FILETIME local;
    WORD date = 0, time = 0;
    ulv::TCivilTime want;
    if (!FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) ||
        !FileTimeToDosDateTime(&local, &date, &time) || !ulv::DecodeDateTime(stamp, want))
        return false;
    return (date >> 9) + 1980 == want.Year && ((date >> 5) & 15) == want.Month && (date & 31) == want.Day &&
           (time >> 11) == want.Hour && ((time >> 5) & 63) == want.Minute && (time & 31) * 2 == want.Second;
}

const char* StatusOf(const ulv::TAttachedFiles& files, const Target& target) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(target.Path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return "missing";
    FindClose(search);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return "missing";
    if (!ulv::test::HoldsEntryBytes(target.Path, files, *target.Entry)) return "bytes";
    return SameStamp(found, target.Entry->Time) ? "ok" : "time";
}

int CheckFiles(const char* payload, const char* progDir, const char* publicDir) {
    std::unique_ptr<ulv::TAttachedFiles> files = ulv::test::LoadPayloadFile(payload);
    if (!files) return std::printf("cannot load %s\n", payload), 1;
    std::vector<Target> targets = PlannedTargets(*files, progDir, publicDir);
    std::set<const ulv::TAttachedFile*> covered;
    int bad = 0;
    for (const Target& target : targets) {
        const char* status = StatusOf(*files, target);
        bad += std::strcmp(status, "ok") != 0;
        covered.insert(target.Entry);
        std::printf("%s\t%s\n", status, ToUtf8(target.Path).c_str());
    }
    for (const ulv::TAttachedFile& e : files->Entries) {
        if (covered.count(&e)) continue;
        std::printf("unplanned\t%s\n", ToUtf8(e.Name).c_str());
        ++bad;
    }
    return bad == 0 ? 0 : 1;
}

std::vector<std::string> ReadLines(const char* path) {
    std::vector<std::uint8_t> bytes = ulv::test::ReadHostFile(path);
    std::vector<std::string> lines(1);
    for (std::uint8_t b : bytes) {
        if (b == '\n') lines.emplace_back();
        if (b != '\r' && b != '\n') lines.back() += static_cast<char>(b);
    }
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

int CheckSorted(const char* path, int first) {
    std::vector<std::string> lines = ReadLines(path);
    for (size_t i = static_cast<size_t>(first); i < lines.size(); ++i) {
        const std::string &a = lines[i - 1], &b = lines[i];
        if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_STRINGSORT, a.data(),
                           static_cast<int>(a.size()), b.data(),
                           static_cast<int>(b.size())) == CSTR_GREATER_THAN)
            return std::printf("unsorted\n%s\n%s\n", ToUtf8(a).c_str(), ToUtf8(b).c_str()), 1;
    }
    std::printf("sorted\n");
    return 0;
}

// Files and bytes under a folder, every level down.
void CountFiles(const std::string& folder, unsigned long long& files, unsigned long long& bytes) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!std::strcmp(found.cFileName, ".") || !std::strcmp(found.cFileName, "..")) continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            CountFiles(folder + "\\" + found.cFileName, files, bytes);
        } else {
            ++files;
            bytes += (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::string FolderSummary(const std::string& folder) {
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return folder + ": none";
    unsigned long long files = 0, bytes = 0;
    CountFiles(folder, files, bytes);
    return folder + ": " + std::to_string(files) + " files, " + std::to_string(bytes) + " bytes";
}

// The values of a key, by name, as NAME=VALUE (a DWORD in hexadecimal, as reg shows it); only those named
// when some are.
std::string KeyValues(const std::string& key, const std::set<std::string>& only = {}) {
    HKEY root = key.starts_with("HKCU\\")   ? HKEY_CURRENT_USER
                : key.starts_with("HKLM\\") ? HKEY_LOCAL_MACHINE
                                            : nullptr;
    HKEY opened;
    if (!root || RegOpenKeyExA(root, key.substr(5).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return "none";
    std::map<std::string, std::string> values;
    char name[256];
    BYTE data[2048];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name, type = 0, size = sizeof data - 1;
        if (RegEnumValueA(opened, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        if (!only.empty() && !only.count(name)) continue;
        char number[16];
        if (type == REG_DWORD && size == 4) {
            DWORD value;
            std::memcpy(&value, data, 4);
            std::snprintf(number, sizeof number, "0x%lx", static_cast<unsigned long>(value));
            values[name] = number;
        } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
            data[size] = 0;
            values[name] = reinterpret_cast<const char*>(data);
        } else {
            values[name] = "(" + std::to_string(size) + " bytes)";
        }
    }
    RegCloseKey(opened);
    std::string out;
    for (const auto& [n, v] : values)
        out += (out.empty() ? "" : " ") + n + "=" + v;
    return out.empty() ? "none" : out;
}

int Summary(const std::string& dest, const std::string& data, const std::string& key,
            const std::string& uninstall) {
    std::printf("  destination:        %s\n", ToUtf8(FolderSummary(dest)).c_str());
    std::printf("  shared data:        %s\n", ToUtf8(FolderSummary(data)).c_str());
    std::printf("  stored settings:    %s\n", ToUtf8(KeyValues(key)).c_str());
    std::printf("  uninstall entry:    %s\n",
                ToUtf8(KeyValues(uninstall, {"DisplayName", "DisplayVersion", "UninstallString"})).c_str());
    for (const std::string& log : {dest + "\\Install.log", data + "\\Update.log"}) {
        if (GetFileAttributesA(log.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        std::vector<std::string> lines = ReadLines(log.c_str());
        std::string label = log.substr(log.rfind('\\') + 1) + ":";
        std::printf("  %-20s%zu lines\n", label.c_str(), lines.size());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    ulv::win32::RestrictDllSearchPath();
    // The readers are shell scripts on the Linux side: no CR before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc == 5 && !std::strcmp(argv[1], "files")) return CheckFiles(argv[2], argv[3], argv[4]);
    if (argc == 4 && !std::strcmp(argv[1], "sorted") && std::atoi(argv[3]) >= 1)
        return CheckSorted(argv[2], std::atoi(argv[3]));
    if (argc == 6 && !std::strcmp(argv[1], "summary")) return Summary(argv[2], argv[3], argv[4], argv[5]);
    std::fprintf(stderr, "usage: InstallCheck files PAYLOAD PROGDIR PUBLICDIR | sorted FILE FIRST |"
                         " summary DEST DATA KEY UNINSTALL_KEY\n");
    return 2;
}
