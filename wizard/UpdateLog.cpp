#include "UpdateLog.h"
#include "utils/InstUtils.h"
#include "utils/TextLines.h"

#include <algorithm>
#include <bit>
#include <optional>

namespace ulv {
namespace {

constexpr std::uint32_t kUpdateLogOrder = kNormIgnoreCase | kSortStringSort;
constexpr int kCompareLess = 1;
constexpr int kCompareEqual = 2;
constexpr char kStampMark = '*';

[[nodiscard]] bool IsStampLine(const std::string& line) {
    return !line.empty() && line.front() == kStampMark;
}

// The list is sorted by the same comparison, so the lines equal to one stand together and a binary search
// finds the first of them.
[[nodiscard]] bool IsListed(const std::string& line, const std::vector<std::string>& sortedList,
                            IText& text) {
    auto it =
        std::lower_bound(sortedList.begin(), sortedList.end(), line,
                         [&text](const std::string& listed, const std::string& wanted) {
                             return text.CompareStringA(kUpdateLogOrder, listed, wanted) == kCompareLess;
                         });
    return it != sortedList.end() && text.CompareStringA(kUpdateLogOrder, *it, line) == kCompareEqual;
}

// Each line is judged against its neighbour as the file had them, so of a run only the first stays.
void KeepFirstOfAdjacentStamps(std::vector<std::string>& lines) {
    std::vector<std::string> kept;
    kept.reserve(lines.size());
    bool previousIsStamp = false;
    for (std::string& line : lines) {
        bool isStamp = IsStampLine(line);
        if (!(isStamp && previousIsStamp)) kept.push_back(std::move(line));
        previousIsStamp = isStamp;
    }
    lines = std::move(kept);
}

// The lines of the file at the path: none when there is no file (or a folder stands there), nullopt when
// one is there that cannot be taken in whole.
[[nodiscard]] std::optional<std::vector<std::string>> ReadUpdateLogLines(IFiles& files,
                                                                         const std::string& path) {
    std::uint32_t attributes = files.GetFileAttributesA(path);
    if (attributes == kInvalidFileAttributes) {
        std::uint32_t error = files.LastError();
        if (error == kErrorFileNotFound || error == kErrorPathNotFound) return std::vector<std::string>{};
        return std::nullopt;
    }
    if ((attributes & kFileAttributeDirectory) != 0) return std::vector<std::string>{};
    std::optional<std::string> content = ReadWholeFile(files, path, kMaxUpdateLogBytes);
    std::vector<std::string> lines;
    if (!content || !SplitTextLines(*content, {.MaxLines = kMaxUpdateLogLines}, lines)) return std::nullopt;
    return lines;
}

[[nodiscard]] std::string JoinLines(const std::vector<std::string>& lines) {
    size_t size = 0;
    for (const std::string& line : lines)
        size += line.size() + 2;
    std::string content;
    content.reserve(size);
    for (const std::string& line : lines) {
        content += line;
        content += "\r\n";
    }
    return content;
}

} // namespace

std::string UpdateLogStampLine(TDateTime installTime) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    auto bits = std::bit_cast<std::uint64_t>(installTime);
    std::string line(1, kStampMark);
    for (int byte = 0; byte < 8; ++byte) {
        auto value = static_cast<unsigned>((bits >> (8 * byte)) & 0xFF);
        line += kHexDigits[value >> 4];
        line += kHexDigits[value & 0xF];
    }
    return line;
}

// Stable: a comparison that fails (0) must not let the sort run off the list, as an unstable sort may with
// an order that is not strict.
void SortUpdateList(std::vector<std::string>& list, IText& text) {
    std::stable_sort(list.begin(), list.end(), [&text](const std::string& a, const std::string& b) {
        return text.CompareStringA(kUpdateLogOrder, a, b) == kCompareLess;
    });
}

std::vector<std::string> MergeUpdateLog(std::vector<std::string> existing,
                                        const std::vector<std::string>& sortedList,
                                        const std::string& stampLine, IText& text) {
    std::erase_if(existing,
                  [&](const std::string& line) { return line.empty() || IsListed(line, sortedList, text); });
    KeepFirstOfAdjacentStamps(existing);
    if (!existing.empty() && IsStampLine(existing.back())) existing.pop_back();
    existing.reserve(existing.size() + 1 + sortedList.size());
    existing.push_back(stampLine);
    existing.insert(existing.end(), sortedList.begin(), sortedList.end());
    return existing;
}

std::vector<std::string> SplitUpdateLogText(std::string_view text) {
    return SplitTextLines(text);
}

TUpdateLogResult StoreUpdateLog(TPlatform& platform, TInstUtils& utils, const std::string& sharedFolder,
                                std::vector<std::string> updateList, TDateTime installTime) {
    if (updateList.empty()) return TUpdateLogResult::NothingToWrite;
    // Without the data root the name alone would land in whatever the current directory is.
    if (sharedFolder.empty()) return TUpdateLogResult::WriteFailed;
    SortUpdateList(updateList, platform.Text);
    const std::string path = JoinPath(sharedFolder, kUpdateLogName);
    std::optional<std::vector<std::string>> existing = ReadUpdateLogLines(platform.Files, path);
    if (!existing) return TUpdateLogResult::LeftUnchanged;
    std::vector<std::string> lines =
        MergeUpdateLog(std::move(*existing), updateList, UpdateLogStampLine(installTime), platform.Text);
    return utils.ReplaceFile(path, JoinLines(lines)) ? TUpdateLogResult::Written
                                                     : TUpdateLogResult::WriteFailed;
}

std::string UpdateLogFailureText(const std::string& path) {
    return "La liste des fichiers partagés installés n'a pas pu être enregistrée dans le fichier :\r" + path +
           "\r\rL'installation elle-même est terminée.";
}

} // namespace ulv
