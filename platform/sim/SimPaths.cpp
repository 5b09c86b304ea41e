#include "SimPaths.h"

#include <cctype>

namespace ulv::sim {
namespace {

std::vector<std::string> SplitAtBackslash(std::string_view text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\\', start);
        if (end == std::string_view::npos) end = text.size();
        parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
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

std::string Normalize(const std::string& root, std::string_view rest) {
    std::vector<std::string> parts = SplitAtBackslash(rest);
    bool trailing = !rest.empty() && rest.back() == '\\';
    std::vector<std::string> kept;
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string part = parts[i];
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        bool last = i + 1 == parts.size();
        if (last) {
            while (!part.empty() && (part.back() == '.' || part.back() == ' '))
                part.pop_back();
        } else if (part.back() == '.') {
            part.pop_back();
        }
        if (!part.empty()) kept.push_back(std::move(part));
    }
    std::string full = root + '\\';
    for (size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) full += '\\';
        full += kept[i];
    }
    if (trailing && !kept.empty()) full += '\\';
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
    for (auto& part : SplitAtBackslash(rest))
        if (!part.empty()) parts.Components.push_back(part);
    return parts;
}

std::optional<std::string> FullPathName(std::string_view path, std::string_view currentDirectory) {
    if (path.empty()) return std::nullopt;
    std::string s(path);
    for (char& c : s)
        if (c == '/') c = '\\';
    if (s.starts_with("\\\\.\\") || s.starts_with("\\\\?\\")) return s;

    std::string_view rest;
    if (s.starts_with("\\\\")) {
        auto root = ShareRoot(s, rest);
        if (!root) return std::nullopt;
        return Normalize(*root, rest);
    }
    auto current = SplitFullPath(currentDirectory);
    if (!current) return std::nullopt;
    std::string currentRest;
    for (auto& part : current->Components)
        currentRest += part + '\\';

    if (s.size() >= 2 && s[1] == ':' && IsDriveLetter(s[0])) {
        std::string root = s.substr(0, 2);
        if (s.size() > 2 && s[2] == '\\') return Normalize(root, std::string_view(s).substr(3));
        // Without the per-drive current directories of cmd.exe, another drive's one is its root.
        std::string relative = SameRoot(root, current->Root) ? currentRest : std::string();
        if (s.size() == 2 && !relative.empty()) relative.pop_back(); // "C:" names the folder itself
        return Normalize(root, relative + s.substr(2));
    }
    if (s[0] == '\\') return Normalize(current->Root, std::string_view(s).substr(1));
    return Normalize(current->Root, currentRest + s);
}

} // namespace ulv::sim
