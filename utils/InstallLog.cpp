#include "InstUtils.h"

namespace ulv {
namespace {

constexpr int kCompareEqual = 2;
constexpr std::uint32_t kReadChunk = 64 * 1024;
// The complete new log is written beside the old one under this suffix, then moved over it.
constexpr std::string_view kStoreSuffix = ".tmp";

// Lines end at CR, LF or CR LF; a last line without an end counts unless the text was cut short there.
std::vector<std::string> SplitLines(std::string_view text, bool truncated) {
    std::vector<std::string> lines;
    std::string current;
    for (size_t i = 0; i < text.size() && lines.size() < kMaxInstallLogLines; ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n') {
            current += c;
            continue;
        }
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        lines.push_back(std::move(current));
        current.clear();
    }
    if (!current.empty() && !truncated && lines.size() < kMaxInstallLogLines)
        lines.push_back(std::move(current));
    return lines;
}

} // namespace

std::vector<std::string> TInstUtils::ReadLogFile(const std::string& path) {
    UniqueFile file(Platform.Files, Platform.Files.CreateFileA(path, kGenericRead, kFileShareRead,
                                                               kOpenExisting, kFileFlagSequentialScan));
    if (!file) return {};
    std::string content;
    bool truncated = false;
    for (;;) {
        size_t at = content.size();
        content.resize(at + kReadChunk);
        std::uint32_t read = 0;
        bool ok = Platform.Files.ReadFile(file.Get(), content.data() + at, kReadChunk, read);
        content.resize(at + read);
        // A failed read keeps what came before it, as far as the log was filled.
        if (!ok || read == 0) break;
        if (content.size() > kMaxInstallLogBytes) {
            content.resize(kMaxInstallLogBytes);
            truncated = true;
            break;
        }
    }
    return SplitLines(content, truncated);
}

void TInstUtils::CreateInstallLog(const std::string& destinationFolder, bool portable) {
    std::vector<std::string> loaded;
    std::string path;
    if (!portable) {
        path = JoinPath(destinationFolder, kInstallLogName);
        loaded = ReadLogFile(path);
    }
    std::lock_guard guard(LogLock);
    Log = std::move(loaded);
    LogPath = std::move(path);
}

void TInstUtils::AddLogLine(const std::string& line) {
    std::lock_guard guard(LogLock);
    if (!Log || SuspendCount != 0) return;
    for (const std::string& existing : *Log)
        if (Platform.Text.CompareStringNoCase(existing, line) == kCompareEqual) return;
    Log->push_back(line);
}

void TInstUtils::SuspendLogging() {
    std::lock_guard guard(LogLock);
    ++SuspendCount;
}

void TInstUtils::ResumeLogging() {
    std::lock_guard guard(LogLock);
    --SuspendCount;
}

int TInstUtils::LogSuspendCount() const {
    std::lock_guard guard(LogLock);
    return SuspendCount;
}

bool TInstUtils::HasInstallLog() const {
    std::lock_guard guard(LogLock);
    return Log.has_value();
}

std::vector<std::string> TInstUtils::InstallLog() const {
    std::lock_guard guard(LogLock);
    return Log.value_or(std::vector<std::string>{});
}

std::string TInstUtils::InstallLogPath() const {
    std::lock_guard guard(LogLock);
    return LogPath;
}

void TInstUtils::FreeInstallLog() {
    std::lock_guard guard(LogLock);
    Log.reset();
    LogPath.clear();
}

bool TInstUtils::StoreInstallLog() {
    std::string path, content;
    {
        std::lock_guard guard(LogLock);
        if (!Log || LogPath.empty()) return false;
        path = LogPath;
        for (const std::string& line : *Log)
            content += line + "\r\n";
    }
    return ReplaceFile(path, content);
}

// Truncating Install.log and writing it in place would leave a half-written log (and lose the lines of
// earlier installations) when the disk fills or the write fails; the move replaces it in one step, so the
// old file stays whole until the new one is complete.
bool TInstUtils::ReplaceFile(const std::string& path, std::string_view content) {
    const std::string temporary = path + std::string(kStoreSuffix);
    UniqueFile file(Platform.Files, Platform.Files.CreateFileA(temporary, kGenericWrite, 0, kCreateAlways,
                                                               kFileAttributeNormal));
    if (!file) return false; // nothing of ours to remove: the name may belong to someone else
    std::uint32_t written = 0;
    auto size = static_cast<std::uint32_t>(content.size());
    bool ok = Platform.Files.WriteFile(file.Get(), content.data(), size, written) && written == size;
    ok = file.Reset() && ok;
    ok = ok && Platform.Files.MoveFileExA(temporary, path, kMoveFileReplaceExisting | kMoveFileWriteThrough);
    if (!ok) (void)Platform.Files.DeleteFileA(temporary);
    return ok;
}

} // namespace ulv
