#include "InstUtils.h"
#include "TextLines.h"

namespace ulv {
namespace {

// The complete new log is written beside the old one under this suffix, then moved over it.
constexpr std::string_view kStoreSuffix = ".tmp";
// Names tried for the new file: "X.tmp", then "X.1.tmp" and on.
constexpr int kStoreNames = 16;

// A run adds a few hundred lines: room for them is made as the log is loaded, so that the worker never moves
// or rehashes a log of tens of thousands of lines to add one (a small log grows as it likes).
size_t RoomFor(size_t lines) {
    return lines + lines / 8 + 64;
}

} // namespace

// True when the file was read to its end and all its lines are in `lines`, or when no file stands there. A
// failed read keeps what came before it, as far as the log was filled; a last line cut short is not kept.
bool TInstUtils::ReadLogFile(const std::string& path, TPackedLines& lines) {
    std::uint32_t attributes = Platform.Files.GetFileAttributesA(path);
    if (attributes == kInvalidFileAttributes || (attributes & kFileAttributeDirectory)) return true;
    TFileRead read = ReadFileCapped(Platform.Files, path, kMaxInstallLogBytes);
    const TLineRules rules{.NulEndsText = false,
                           .Last = read.Whole ? TLastLine::IfNotEmpty : TLastLine::Never,
                           .MaxLines = kMaxInstallLogLines};
    size_t count = 0;
    const bool within = ForEachTextLine(read.Content, rules, [&count](std::string_view) { ++count; });
    const size_t bytes = read.Content.size();
    lines.Reserve(RoomFor(count), bytes + bytes / 8);
    (void)ForEachTextLine(read.Content, rules, [&lines](std::string_view line) { lines.Append(line); });
    return within && read.Whole;
}

// A log that was not loaded whole is never stored: the lines not read (earlier installations', which the
// word processor reads when it removes itself) would be lost for good.
void TInstUtils::CreateInstallLog(const std::string& destinationFolder, bool portable) {
    TPackedLines loaded;
    std::string path;
    bool whole = true;
    if (!portable) {
        path = JoinPath(destinationFolder, kInstallLogName);
        whole = ReadLogFile(path, loaded);
    }
    TLineIndex index;
    index.Reserve(RoomFor(loaded.Size()));
    std::string line, key;
    auto keyOf = [&](std::uint32_t i, std::string& out) { (void)LogKey(loaded[i], line, out); };
    for (size_t i = 0; i < loaded.Size(); ++i)
        if (LogKey(loaded[i], line, key)) (void)index.Insert(key, static_cast<std::uint32_t>(i), keyOf);
    std::lock_guard guard(LogLock);
    Log = std::move(loaded);
    LogIndex = std::move(index);
    LogPath = std::move(path);
    LogLoadedWhole = whole;
}

// Lines equal ignoring case are those whose keys are equal: one look-up instead of a comparison with every
// line held. A line without a key could not be compared either, and so equals none.
void TInstUtils::AddLogLine(const std::string& line) {
    std::lock_guard guard(LogLock);
    if (!Log || SuspendCount != 0) return;
    TPackedLines& lines = *Log;
    auto keyOf = [&](std::uint32_t i, std::string& out) { (void)LogKey(lines[i], LogLineBuffer, out); };
    if (!LogKey(line, LogKeyBuffer) ||
        LogIndex.Insert(LogKeyBuffer, static_cast<std::uint32_t>(lines.Size()), keyOf))
        lines.Append(line);
}

bool TInstUtils::LogKey(const std::string& line, std::string& key) {
    return Platform.Text.LCMapSortKeyA(kLocaleUserDefault, kNormIgnoreCase, line, key);
}

bool TInstUtils::LogKey(std::string_view held, std::string& line, std::string& key) {
    line.assign(held);
    return LogKey(line, key);
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
    std::vector<std::string> lines;
    if (!Log) return lines;
    lines.reserve(Log->Size());
    for (size_t i = 0; i < Log->Size(); ++i)
        lines.emplace_back((*Log)[i]);
    return lines;
}

std::string TInstUtils::InstallLogPath() const {
    std::lock_guard guard(LogLock);
    return LogPath;
}

void TInstUtils::FreeInstallLog() {
    std::lock_guard guard(LogLock);
    Log.reset();
    LogIndex.Clear();
    LogPath.clear();
}

bool TInstUtils::StoreInstallLog() {
    std::string path, content;
    {
        std::lock_guard guard(LogLock);
        if (!Log || LogPath.empty() || !LogLoadedWhole) return false;
        path = LogPath;
        content.reserve(Log->Bytes() + 2 * Log->Size());
        for (size_t i = 0; i < Log->Size(); ++i) {
            content += (*Log)[i];
            content += "\r\n";
        }
    }
    return ReplaceFile(path, content);
}

// Truncating Install.log and writing it in place would leave a half-written log (and lose the lines of
// earlier installations) when the disk fills or the write fails; the move replaces it in one step, so the
// old file stays whole until the new one is complete.
bool TInstUtils::ReplaceFile(const std::string& path, std::string_view content) {
    std::optional<std::pair<std::string, UniqueFile>> made = NewStoreFile(path);
    if (!made) return false; // nothing of ours to remove: the names may belong to someone else
    auto& [temporary, file] = *made;
    std::uint32_t written = 0;
    auto size = static_cast<std::uint32_t>(content.size());
    bool ok = Platform.Files.WriteFile(file.Get(), content.data(), size, written) && written == size;
    ok = file.Reset() && ok;
    ok = ok && Platform.Files.MoveFileExA(temporary, path, kMoveFileReplaceExisting | kMoveFileWriteThrough);
    if (!ok) (void)Platform.Files.DeleteFileA(temporary);
    return ok;
}

// The temporary file is always a new one: a link planted at its name in a shared folder is never written
// through, nor deleted (Wine would delete what a file link leads to, and shows it as a plain file). What
// stands at a name, a leftover of a run that was cut short or anything else, sends it to the next name.
std::optional<std::pair<std::string, UniqueFile>> TInstUtils::NewStoreFile(const std::string& path) {
    for (int attempt = 0; attempt < kStoreNames; ++attempt) {
        std::string name =
            path + (attempt == 0 ? "" : "." + std::to_string(attempt)) + std::string(kStoreSuffix);
        UniqueFile file(Platform.Files,
                        Platform.Files.CreateFileA(name, kGenericWrite, 0, kCreateNew, kFileAttributeNormal));
        if (file) return std::pair{std::move(name), std::move(file)};
        if (Platform.Files.GetFileAttributesA(name) == kInvalidFileAttributes) return std::nullopt;
    }
    return std::nullopt;
}

} // namespace ulv
