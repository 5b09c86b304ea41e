#include "InstUtils.h"

#include <algorithm>

namespace ulv {
namespace {

bool IsDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

// The parent level of MakeDirectoryTree: without a final backslash, then cut after the last backslash or
// colon, so it keeps its own trailing backslash; empty when there is neither.
std::string ParentLevel(std::string path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    size_t cut = path.find_last_of("\\:");
    if (cut == std::string::npos) return {};
    path.resize(cut + 1);
    return path;
}

// A drive root or a level above a share ("C:", "C:\", "\\server\share\", "\\server\"): never created and
// never logged, so a missing drive or an unreachable share ends the chain without lines that would name
// a root as made by us.
bool IsRootLevel(const std::string& path) {
    std::string drive = DrivePart(path);
    if (drive.empty()) return false;
    std::string root = drive;
    EnsureTrailingBackslash(root);
    return path.size() <= root.size();
}

bool DosFieldsAreValid(int month, int day, int hour, int minute, int second) {
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour <= 23 && minute <= 59 && second <= 59;
}

} // namespace

void TInstUtils::MakeDirectoryTree(const std::string& path) {
    (void)MakeLevels(path);
}

bool TInstUtils::MakeLevels(const std::string& path) {
    if (path.empty() || IsExistingDirectory(path) || IsRootLevel(path)) return true;
    std::string parent = ParentLevel(path);
    const bool parentStood = parent.empty() || parent.size() >= path.size() || MakeLevels(parent);
    // The line records the attempt, and reaches the journal before the folder exists: a run killed just
    // after it has made the folder still leaves it in the next run's log.
    AddLogLine(std::string(kMadeDirPrefix) + path);
    // Protected as it is made: a folder protected afterwards would have been open to others meanwhile.
    if (parentStood && OnProgramFolderWay(path))
        (void)Platform.Files.CreateDirectoryWithSddl(path, ProgramFolderSddl());
    else
        (void)Platform.Files.CreateDirectoryA(path);
    return false;
}

// The size the file gives is only a hint (it may change while it is read): the first read asks one byte more,
// so a file read whole then ends with a read of nothing, without a large buffer filled for it first. A read
// that came back short (on a file, its end) is confirmed by a read into a small buffer of the stack, not by
// growing the content for it.
TFileRead ReadFileCapped(IFiles& files, const std::string& path, std::uint64_t maxBytes) {
    constexpr size_t kMinChunk = 4 * 1024, kMaxChunk = 64 * 1024, kProbe = 256;
    constexpr std::uint64_t kMaxRead = 1u << 30;
    TFileRead result;
    // A link at the name is opened as itself, which holds no data: the setup never reads through a link.
    UniqueFile file(files, files.CreateFileA(path, kGenericRead, kFileShareRead, kOpenExisting,
                                             kFileFlagSequentialScan | kFileFlagOpenReparsePoint));
    if (!file) return result;
    std::string& content = result.Content;
    const std::uint64_t expected = std::min(files.GetFileSize(file.Get()).value_or(0), maxBytes);
    bool shortRead = false;
    for (;;) {
        size_t at = content.size();
        std::uint64_t want = shortRead       ? kProbe
                             : at < expected ? expected - at + 1
                                             : std::clamp(at, kMinChunk, kMaxChunk);
        // Never more than one byte past the cap: that byte tells a file over it.
        auto chunk = static_cast<std::uint32_t>(std::min({want - 1, maxBytes - at, kMaxRead - 1}) + 1);
        std::uint32_t read = 0;
        bool ok;
        if (shortRead) {
            char probe[kProbe];
            ok = files.ReadFile(file.Get(), probe, chunk, read);
            content.append(probe, std::min(read, chunk));
        } else {
            content.resize(at + chunk);
            ok = files.ReadFile(file.Get(), content.data() + at, chunk, read);
            content.resize(at + std::min(read, chunk));
        }
        if (!ok) return result;
        if (content.size() > maxBytes) {
            content.resize(static_cast<size_t>(maxBytes));
            return result;
        }
        if (read == 0) break;
        shortRead = read < chunk;
    }
    result.Whole = true;
    return result;
}

std::optional<std::string> ReadWholeFile(IFiles& files, const std::string& path, std::uint64_t maxBytes) {
    TFileRead read = ReadFileCapped(files, path, maxBytes);
    if (!read.Whole) return std::nullopt;
    return std::move(read.Content);
}

bool TInstUtils::WriteStringToFile(const std::string& path, std::string_view content) {
    UniqueFile file(Platform.Files, Platform.Files.CreateFileA(
                                        path, kGenericRead | kGenericWrite, kFileShareRead, kCreateAlways,
                                        kFileAttributeNormal | kFileFlagSequentialScan));
    if (!file) return false;
    std::uint32_t written = 0;
    auto size = static_cast<std::uint32_t>(content.size());
    bool ok = Platform.Files.WriteFile(file.Get(), content.data(), size, written) && written == size;
    return file.Reset() && ok;
}

std::vector<TFindData> TInstUtils::ListFolder(const std::string& folder) {
    std::vector<TFindData> entries;
    TFindData found;
    UniqueFind find(Platform.Files, folder + "*.*", found);
    if (!find) return entries;
    do {
        if (!IsDotEntry(found.Name)) entries.push_back(found);
    } while (find.Next(found));
    return entries;
}

std::string TInstUtils::NewTempFileName() {
    const std::string stem = GetTempFolder() + TempNamePrefix();
    for (std::uint64_t n = 0;; ++n) {
        std::string candidate = stem + std::to_string(n) + ".tmp";
        // A folder of that name takes it too: no file could be created there, and the licence text would be
        // lost for a leftover folder of an earlier run.
        if (Platform.Files.GetFileAttributesA(candidate) == kInvalidFileAttributes) return candidate;
    }
}

TDateTime TInstUtils::LocalNow() {
    TSystemTime now = Platform.Clock.GetLocalTime();
    return EncodeDateTime(
        TCivilTime{now.Year, now.Month, now.Day, now.Hour, now.Minute, now.Second, now.Milliseconds});
}

TDateTime TInstUtils::GetFileDate(const std::string& path, TFileDateKind which) {
    TFindData found;
    if (!UniqueFind(Platform.Files, path, found)) return LocalNow();
    FileTime time = which == TFileDateKind::Creation ? found.CreationTime : found.LastWriteTime;
    FileTime local = 0;
    std::uint16_t dosDate = 0, dosTime = 0;
    // A time without a DOS form (before 1980, after 2107) gets the current time, which no stamp equals.
    if (!Platform.Clock.FileTimeToLocalFileTime(time, local) ||
        !Platform.Clock.FileTimeToDosDateTime(local, dosDate, dosTime))
        return LocalNow();
    TCivilTime civil{1980 + (dosDate >> 9),
                     dosDate >> 5 & 0xF,
                     dosDate & 0x1F,
                     dosTime >> 11,
                     dosTime >> 5 & 0x3F,
                     (dosTime & 0x1F) * 2,
                     0};
    if (!DosFieldsAreValid(civil.Month, civil.Day, civil.Hour, civil.Minute, civil.Second)) return LocalNow();
    return EncodeDateTime(civil);
}

TDateTime TInstUtils::FileModifiedDate(const std::string& path) {
    return GetFileDate(path, TFileDateKind::LastWrite);
}

} // namespace ulv
