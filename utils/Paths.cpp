#include "InstUtils.h"

#include <cctype>

namespace ulv {
namespace {

constexpr std::size_t kMaxPath = 260;

std::string CutAtNull(std::string text) {
    if (size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

} // namespace

std::string& EnsureTrailingBackslash(std::string& path) {
    if (path.empty()) return path;
    if (path.back() == '/') {
        path.back() = '\\';
    } else if (path.back() != '\\') {
        path += '\\';
    }
    return path;
}

std::string JoinPath(std::string folder, std::string_view name) {
    EnsureTrailingBackslash(folder);
    folder += name;
    return folder;
}

char LastChar(std::string_view text) {
    return text.back();
}

void DeleteFirstChar(std::string& text) {
    if (!text.empty()) text.erase(0, 1);
}

void DeleteLastChar(std::string& text) {
    if (!text.empty()) text.pop_back();
}

std::string CaptionLiteral(std::string_view text) {
    if (text == "-") return "- "; // a lone "-" would be drawn as a separator line
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '&') out += '&';
        out += c;
    }
    return out;
}

std::string TempNamePrefix() {
    std::string prefix = "~";
    for (char c : kAppTitle)
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) prefix += c;
    return prefix;
}

bool StartsWithDriveLetter(std::string_view path) {
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

std::string DrivePart(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2));
    if (!path.starts_with("\\\\")) return {};
    size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string_view::npos) return std::string(path);
    size_t shareEnd = path.find('\\', serverEnd + 1);
    return std::string(path.substr(0, shareEnd));
}

TInstUtils::TInstUtils(TPlatform& platform) : Platform(platform) {}

bool TInstUtils::SameTextNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    std::string upperA = a, upperB = b;
    Platform.Text.CharUpperBuffA(upperA);
    Platform.Text.CharUpperBuffA(upperB);
    return upperA == upperB;
}

std::string TInstUtils::ReadCurrentDirectory() {
    std::string folder = CutAtNull(Platform.Files.GetCurrentDirectoryA());
    return EnsureTrailingBackslash(folder);
}

void TInstUtils::PushCurrentDirectory() {
    std::string folder = ReadCurrentDirectory();
    std::lock_guard guard(StackLock);
    DirectoryStack.push_back(std::move(folder));
}

void TInstUtils::PopCurrentDirectory() {
    std::string folder;
    {
        std::lock_guard guard(StackLock);
        if (DirectoryStack.empty()) return;
        folder = std::move(DirectoryStack.back());
        DirectoryStack.pop_back();
    }
    (void)Platform.Files.SetCurrentDirectoryA(folder);
}

bool TInstUtils::IsFolder(const std::string& path) {
    std::uint32_t attributes = Platform.Files.GetFileAttributesA(path);
    return attributes != kInvalidFileAttributes && (attributes & kFileAttributeDirectory);
}

// Making the folder current and reading it back would answer the same, but the current directory is one
// per process and the GUI thread and the install thread ask at the same time; GetFullPathNameA applies
// the very resolution SetCurrentDirectoryA does, without touching it.
bool TInstUtils::IsExistingDirectory(const std::string& path) {
    if (path.empty()) return false;
    std::string folder = path;
    EnsureTrailingBackslash(folder);
    if (!IsFolder(folder)) return false;
    std::optional<std::string> full = Platform.Files.GetFullPathNameA(folder);
    return full && SameTextNoCase(CutAtNull(*full), folder);
}

std::string TInstUtils::GetSpecialFolder(int csidl) {
    std::string folder;
    if (Platform.Shell.SHGetFolderPathA(csidl, folder) != kSOk) return {};
    folder = CutAtNull(std::move(folder));
    if (folder.size() >= kMaxPath) return {}; // more than SHGetFolderPathA's buffer can hold
    return folder;
}

std::string TInstUtils::GetTempFolder() {
    std::string folder = CutAtNull(Platform.Files.GetTempPathA());
    if (!IsExistingDirectory(folder)) folder = GetSpecialFolder(kCsidlPersonal);
    return EnsureTrailingBackslash(folder);
}

} // namespace ulv
