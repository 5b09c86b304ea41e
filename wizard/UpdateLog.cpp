#include "UpdateLog.h"
#include "utils/InstUtils.h"
#include "utils/LineIndex.h"
#include "utils/PackedLines.h"
#include "utils/TextLines.h"

#include <algorithm>
#include <bit>
#include <numeric>
#include <optional>
#include <utility>

namespace ulv {
namespace {

constexpr std::uint32_t kUpdateLogOrder = kNormIgnoreCase | kSortStringSort;
constexpr char kStampMark = '*';
// About what a key takes: a few bytes a character (weights of each section) and its section ends.
constexpr size_t kKeyBytesPerChar = 4;
constexpr size_t kKeyBytesFixed = 8;

[[nodiscard]] bool IsStampLine(const std::string& line) {
    return !line.empty() && line.front() == kStampMark;
}

[[nodiscard]] bool OrderKey(const std::string& line, IText& text, std::string& key) {
    return text.LCMapSortKeyA(kLocaleUserDefault, kUpdateLogOrder, line, key);
}

// The listed lines by their keys: equal keys are equal lines, so each line's key is made once, then looked
// up. A line without a key could not be compared either, and so equals none.
class TListedLines {
public:
    TListedLines(const std::vector<std::string>& list, IText& text) : KeyOf{list, text}, Text(text) {
        Index.Reserve(list.size());
        for (size_t i = 0; i < list.size(); ++i)
            if (OrderKey(list[i], Text, Key)) (void)Index.Insert(Key, static_cast<std::uint32_t>(i), KeyOf);
    }

    [[nodiscard]] bool Holds(const std::string& line) {
        return OrderKey(line, Text, Key) && Index.Holds(Key, KeyOf);
    }

private:
    struct TKeyOf {
        const std::vector<std::string>& List;
        IText& Text;
        void operator()(std::uint32_t i, std::string& out) const { (void)OrderKey(List[i], Text, out); }
    };

    TKeyOf KeyOf;
    IText& Text;
    TLineIndex Index;
    std::string Key;
};

// Each line is judged against its neighbour as the file had them, so of a run only the first stays.
void KeepFirstOfAdjacentStamps(std::vector<std::string>& lines) {
    bool previousIsStamp = false;
    std::erase_if(lines, [&previousIsStamp](const std::string& line) {
        bool isStamp = IsStampLine(line);
        bool repeated = isStamp && previousIsStamp;
        previousIsStamp = isStamp;
        return repeated;
    });
}

// The lines of the file at the path: none when there is no file (or a folder stands there), nullopt when
// one is there that cannot be taken in whole.
// A file that another user put at the name before the setup first wrote it is no list of the setup's: its
// lines are not merged into the one every user's word processor reads, and the new list replaces it.
[[nodiscard]] bool PlantedByAnotherUser(TInstUtils& utils, IFiles& files, const std::string& path) {
    UniqueFile file(files, files.CreateFileA(path, kReadControl, kFileShareRead | kFileShareWrite, kOpenExisting,
                                             kFileFlagOpenReparsePoint));
    return file && !utils.OwnedByTrusted(file.Get());
}

[[nodiscard]] std::optional<std::vector<std::string>> ReadUpdateLogLines(TInstUtils& utils, IFiles& files,
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
    if (PlantedByAnotherUser(utils, files, path)) lines.clear();
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

// By keys made once per line, whose byte order is the comparison's, kept one after the other in one buffer.
// Stable: lines that compare equal keep their order.
void SortUpdateList(std::vector<std::string>& list, IText& text) {
    TPackedLines keys;
    size_t bytes = 0;
    for (const std::string& line : list)
        bytes += kKeyBytesPerChar * line.size() + kKeyBytesFixed;
    keys.Reserve(list.size(), bytes);
    std::string key;
    for (const std::string& line : list) {
        (void)OrderKey(line, text, key);
        keys.Append(key);
    }
    std::vector<std::uint32_t> order(list.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&keys](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
    std::vector<std::string> sorted;
    sorted.reserve(list.size());
    for (std::uint32_t i : order)
        sorted.push_back(std::move(list[i]));
    list = std::move(sorted);
}

std::vector<std::string> MergeUpdateLog(std::vector<std::string> existing,
                                        const std::vector<std::string>& sortedList,
                                        const std::string& stampLine, IText& text) {
    TListedLines listed(sortedList, text);
    std::erase_if(existing, [&](const std::string& line) { return line.empty() || listed.Holds(line); });
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
    std::optional<std::vector<std::string>> existing = ReadUpdateLogLines(utils, platform.Files, path);
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
