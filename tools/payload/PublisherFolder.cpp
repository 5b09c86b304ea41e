#include "tools/payload/PublisherFolder.h"

#include "engine/PayloadFormat.h"
#include "platform/Cp1252.h"
#include "tools/payload/Packer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace ulv::pack {
namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kMaxFileBytes = 0x7FFFFFFF;
constexpr std::size_t kMaxNameBytes = 255;

// Length of the UTF-8 sequence at `i`, or 0 when the byte there does not start a well-formed one.
std::size_t Utf8Length(const std::string& s, std::size_t i) {
    auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}

// A name from the disk as a terminal can show it: control bytes and broken UTF-8 as \xNN.
std::string Shown(const std::string& raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size();) {
        std::size_t n = Utf8Length(raw, i);
        if (n == 0 || static_cast<unsigned char>(raw[i]) < 0x20 || raw[i] == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(raw[i]));
            out += hex;
            n = 1;
        } else {
            out.append(raw, i, n);
        }
        i += n;
    }
    return out;
}

bool IsInside(const fs::path& root, const fs::path& target) {
    auto [r, t] = std::mismatch(root.begin(), root.end(), target.begin(), target.end());
    return r == root.end();
}

struct TFound {
    std::string Relative; // as on disk
    std::string Name;     // Windows-1252, backslashes
    fs::path Path;
    std::uintmax_t Size = 0;
    std::int64_t Modified = 0;
    bool Faulty = false;
};

class TWalker {
public:
    explicit TWalker(fs::path root) : Root(std::move(root)) { Seen.insert(Root); }

    void Walk(const fs::path& dir, const std::string& relative) {
        std::error_code ec;
        std::vector<fs::path> children;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
            children.push_back(it->path());
        if (ec)
            return Problem(relative.empty() ? "." : relative,
                           "cannot list the folder (" + ec.message() + ")");
        std::sort(children.begin(), children.end());
        for (const fs::path& child : children)
            Visit(child,
                  relative.empty() ? child.filename().string() : relative + "/" + child.filename().string());
    }

    std::vector<TFound> Found;
    std::vector<std::string> Problems;

private:
    void Problem(const std::string& relative, const std::string& why) {
        Problems.push_back(Shown(relative) + ": " + why);
    }

    void Visit(const fs::path& path, const std::string& relative) {
        std::error_code ec;
        fs::path target = path;
        if (fs::is_symlink(fs::symlink_status(path, ec))) {
            target = fs::canonical(path, ec);
            if (ec) return Problem(relative, "a link to nothing (" + ec.message() + ")");
            if (!IsInside(Root, target))
                return Problem(relative, "a link that leads out of the folder, to " + Shown(target.string()));
        }
        fs::file_status status = fs::status(target, ec);
        if (fs::is_directory(status)) {
            if (!Seen.insert(fs::canonical(target, ec)).second)
                return Problem(relative, "a folder reached a second time, through a link");
            return Walk(target, relative);
        }
        if (!fs::is_regular_file(status)) return Problem(relative, "not an ordinary file");
        AddFile(target, relative);
    }

    void AddFile(const fs::path& path, const std::string& relative) {
        TFound found{relative, {}, path};
        if (relative.find('\\') != std::string::npos)
            return Problem(relative, "a backslash in a name, which Windows reads as a folder");
        if (!Utf8ToCp1252(relative, found.Name))
            return Problem(relative, "a name that cannot be written in Windows-1252");
        std::replace(found.Name.begin(), found.Name.end(), '/', '\\');
        // A file found but refused still counts as present: it is reported once, for what is wrong with it.
        std::string why = Refusal(found);
        found.Faulty = !why.empty();
        if (found.Faulty) Problem(relative, why);
        Found.push_back(std::move(found));
    }

    static std::string Refusal(TFound& found) {
        if (found.Name.size() > kMaxNameBytes)
            return "a name of " + std::to_string(found.Name.size()) + " bytes; the setup carries 255 at most";
        if (!IsSafeEntryName(found.Name))
            return "a name Windows cannot give a file (a device name, a final dot or blank, or one of "
                   ": * ? \" < > |)";
        struct stat st {};
        if (::stat(found.Path.c_str(), &st) != 0) return std::string("unreadable: ") + std::strerror(errno);
        // Root reads a file whatever its permissions; the release must not depend on who makes it.
        if ((st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH)) == 0)
            return "unreadable: its permissions let nobody read it";
        int fd = ::open(found.Path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return std::string("unreadable: ") + std::strerror(errno);
        ::close(fd);
        found.Size = static_cast<std::uintmax_t>(st.st_size);
        found.Modified = st.st_mtim.tv_sec;
        if (found.Size > kMaxFileBytes)
            return std::to_string(found.Size) + " bytes; the setup carries files under 2 GiB";
        return {};
    }

    fs::path Root;
    std::set<fs::path> Seen;
};

std::string CatalogueName(const TCatalogueRow& row) {
    std::string name;
    if (!Utf8ToCp1252(row.Path, name)) name = row.Path; // the catalogue's own names all convert
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

} // namespace

TFolderCheck CheckFolder(const std::filesystem::path& root) {
    TFolderCheck check;
    std::error_code ec;
    fs::path canonical = fs::canonical(root, ec);
    if (ec || !fs::is_directory(canonical)) {
        check.Problems.push_back(Shown(root.string()) + ": not a folder");
        return check;
    }
    TWalker walker(canonical);
    walker.Walk(canonical, "");
    check.Problems = std::move(walker.Problems);

    std::map<std::string, std::size_t> byName;
    for (std::size_t i = 0; i < walker.Found.size(); ++i) {
        auto [it, fresh] = byName.emplace(cp1252::Upper(walker.Found[i].Name), i);
        if (!fresh) {
            walker.Found[i].Faulty = walker.Found[it->second].Faulty = true;
            check.Problems.push_back(Shown(walker.Found[i].Relative) + ": the same name as " +
                                     Shown(walker.Found[it->second].Relative) +
                                     " to Windows, which would hold one file for both");
        }
    }
    std::vector<bool> used(walker.Found.size());
    for (const TCatalogueRow& row : Catalogue()) {
        auto it = byName.find(cp1252::Upper(CatalogueName(row)));
        if (it == byName.end()) {
            check.Missing.push_back(row.Path);
            continue;
        }
        const TFound& found = walker.Found[it->second];
        used[it->second] = true;
        if (!found.Faulty) check.Files.push_back({&row, found.Path, found.Size, found.Modified});
    }
    for (std::size_t i = 0; i < walker.Found.size(); ++i)
        if (!used[i] && !walker.Found[i].Faulty) check.Extra.push_back(Shown(walker.Found[i].Relative));
    return check;
}

} // namespace ulv::pack
