#include "InstUtils.h"
#include "TextLines.h"

namespace ulv {
namespace {

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
    Journal.Reset();
    if (!portable) OpenJournal(destinationFolder);
}

// The journal is a registry key rather than a file: a value is written whole or not at all, and the key
// exists before the first folder is made, so that no change of the run is ever without its line. Lines of
// a journal left for another folder belong to no log of this run and are dropped.
void TInstUtils::OpenJournal(const std::string& destinationFolder) {
    IRegistry& registry = Platform.Registry;
    const std::string keyPath(kInstallJournalKey);
    RegKey found = kNoKey;
    if (registry.RegOpenKeyExA(kHkeyCurrentUser, keyPath, kKeyRead, found) == 0) {
        UniqueKey old(registry, found);
        if (SameTextNoCase(ReadJournalValue(old.Get(), std::string(kJournalFolderValue)), destinationFolder)) {
            MergeJournal(old.Get());
        } else {
            old.Reset();
            (void)registry.RegDeleteKeyA(kHkeyCurrentUser, keyPath);
        }
    }
    RegKey key = kNoKey;
    if (registry.RegCreateKeyExA(kHkeyCurrentUser, keyPath, kRegOptionNonVolatile, kKeyAllAccess, key) != 0)
        return;
    Journal = UniqueKey(registry, key);
    (void)registry.RegSetValueExA(key, std::string(kJournalFolderValue), kRegSz,
                                  reinterpret_cast<const std::uint8_t*>(destinationFolder.c_str()),
                                  static_cast<std::uint32_t>(destinationFolder.size() + 1));
}

// The journal's lines are numbered from 1 without a gap: the first number missing ends them.
void TInstUtils::MergeJournal(RegKey journal) {
    JournalNext = 1;
    for (; JournalNext <= kMaxInstallLogLines; ++JournalNext) {
        std::string line = ReadJournalValue(journal, std::to_string(JournalNext));
        if (line.empty()) break;
        (void)RecordLine(line);
    }
}

std::string TInstUtils::ReadJournalValue(RegKey key, const std::string& name) {
    std::uint32_t type = 0, size = 0;
    if (Platform.Registry.RegQueryValueExA(key, name, &type, nullptr, size) != 0 || type != kRegSz ||
        size > kMaxJournalLine)
        return {};
    std::string text(size, '\0');
    if (Platform.Registry.RegQueryValueExA(key, name, &type, reinterpret_cast<std::uint8_t*>(text.data()),
                                           size) != 0)
        return {};
    text.resize(std::min<size_t>(text.find('\0'), size));
    return text;
}

void TInstUtils::JournalLine(const std::string& line) {
    if (!Journal) return;
    (void)Platform.Registry.RegSetValueExA(Journal.Get(), std::to_string(JournalNext++), kRegSz,
                                           reinterpret_cast<const std::uint8_t*>(line.c_str()),
                                           static_cast<std::uint32_t>(line.size() + 1));
}

// Lines equal ignoring case are those whose keys are equal: one look-up instead of a comparison with every
// line held. A line without a key could not be compared either, and so equals none.
void TInstUtils::AddLogLine(const std::string& line) {
    std::lock_guard guard(LogLock);
    if (!Log || SuspendCount != 0) return;
    if (RecordLine(line)) JournalLine(line);
}

bool TInstUtils::RecordLine(const std::string& line) {
    TPackedLines& lines = *Log;
    auto keyOf = [&](std::uint32_t i, std::string& out) { (void)LogKey(lines[i], LogLineBuffer, out); };
    if (LogKey(line, LogKeyBuffer) &&
        !LogIndex.Insert(LogKeyBuffer, static_cast<std::uint32_t>(lines.Size()), keyOf))
        return false;
    lines.Append(line);
    return true;
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
    Journal.Reset();
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
    if (!ReplaceFile(path, content)) return false;
    std::lock_guard guard(LogLock);
    Journal.Reset();
    (void)Platform.Registry.RegDeleteKeyA(kHkeyCurrentUser, std::string(kInstallJournalKey));
    return true;
}

} // namespace ulv
