#include "SimPaths.h"

#include <algorithm>
#include <cctype>

namespace ulv::sim {
namespace {

// Calls onPart(part, last) for each part of `text` between backslashes, empty ones included. Paths are split
// on every call of the machine: nothing is allocated for it.
template <typename OnPart> void ForEachPart(std::string_view text, OnPart&& onPart) {
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\\', start);
        if (end == std::string_view::npos) return onPart(text.substr(start), true);
        onPart(text.substr(start, end - start), false);
        start = end + 1;
    }
}

bool IsDriveLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

// "\\server\share" of a network path, and the rest after it.
std::optional<std::string> ShareRoot(std::string_view path, std::string_view& rest) {
    size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string_view::npos || serverEnd == 2) return std::nullopt;
    size_t shareEnd = path.find('\\', serverEnd + 1);
    if (shareEnd == std::string_view::npos) shareEnd = path.size();
    if (shareEnd == serverEnd + 1) return std::nullopt;
    rest = path.substr(std::min(shareEnd + 1, path.size()));
    return std::string(path.substr(0, shareEnd));
}

// The full path is built as the parts are met: ".." cuts the last part kept, never the root.
std::string Normalize(std::string_view root, std::string_view rest) {
    std::string full;
    full.reserve(root.size() + rest.size() + 2);
    full += root;
    full += '\\';
    const size_t base = full.size();
    ForEachPart(rest, [&](std::string_view part, bool last) {
        if (part.empty() || part == ".") return;
        if (part == "..") {
            full.resize(std::max(full.rfind('\\'), base));
            return;
        }
        if (last) {
            while (!part.empty() && (part.back() == '.' || part.back() == ' '))
                part.remove_suffix(1);
        } else if (part.back() == '.') {
            part.remove_suffix(1);
        }
        if (part.empty()) return;
        if (full.size() > base) full += '\\';
        full += part;
    });
    if (!rest.empty() && rest.back() == '\\' && full.size() > base) full += '\\';
    return full;
}

bool SameRoot(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

bool IsVolumeDeviceName(std::string_view path, char& letter) {
    if (path.size() != 6 || path.substr(0, 4) != "\\\\.\\" || path[5] != ':' || !IsDriveLetter(path[4]))
        return false;
    letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[4])));
    return true;
}

std::optional<TPathParts> SplitFullPath(std::string_view fullPath) {
    TPathParts parts;
    std::string_view rest;
    if (fullPath.starts_with("\\\\")) {
        auto root = ShareRoot(fullPath, rest);
        if (!root) return std::nullopt;
        parts.Root = *root;
    } else if (fullPath.size() >= 2 && fullPath[1] == ':' && IsDriveLetter(fullPath[0])) {
        parts.Root = std::string(fullPath.substr(0, 2));
        rest = fullPath.substr(std::min<size_t>(3, fullPath.size()));
    } else {
        return std::nullopt;
    }
    parts.TrailingBackslash = !rest.empty() && rest.back() == '\\';
    parts.Components.reserve(static_cast<size_t>(std::count(rest.begin(), rest.end(), '\\')) + 1);
    ForEachPart(rest, [&](std::string_view part, bool) {
        if (!part.empty()) parts.Components.emplace_back(part);
    });
    return parts;
}

std::optional<std::string> FullPathName(std::string_view path, std::string_view currentDirectory) {
    if (path.empty()) return std::nullopt;
    std::string slashed;
    std::string_view s = path;
    if (path.find('/') != std::string_view::npos) {
        slashed = path;
        std::replace(slashed.begin(), slashed.end(), '/', '\\');
        s = slashed;
    }
    if (s.starts_with("\\\\.\\") || s.starts_with("\\\\?\\")) return std::string(s);

    std::string_view rest;
    if (s.starts_with("\\\\")) {
        auto root = ShareRoot(s, rest);
        if (!root) return std::nullopt;
        return Normalize(*root, rest);
    }
    const bool drive = s.size() >= 2 && s[1] == ':' && IsDriveLetter(s[0]);
    if (drive && s.size() > 2 && s[2] == '\\') return Normalize(s.substr(0, 2), s.substr(3));
    auto current = SplitFullPath(currentDirectory);
    if (!current) return std::nullopt;
    std::string currentRest;
    for (auto& part : current->Components)
        currentRest += part + '\\';

    if (drive) {
        std::string_view root = s.substr(0, 2);
        // Without the per-drive current directories of cmd.exe, another drive's one is its root.
        std::string relative = SameRoot(root, current->Root) ? currentRest : std::string();
        if (s.size() == 2 && !relative.empty()) relative.pop_back(); // "C:" names the folder itself
        return Normalize(root, relative.append(s.substr(2)));
    }
    if (s[0] == '\\') return Normalize(current->Root, s.substr(1));
    return Normalize(current->Root, currentRest.append(s));
}

} // namespace ulv::sim
