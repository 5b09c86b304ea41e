// The update log's merge over arbitrary existing files: the input is the old file's bytes; the new list is
// drawn from its own lines (some upper-cased, so that equality ignoring case is exercised) and a fixed path.
#include "platform/sim/SimText.h"
#include "utils/PackedLines.h"
#include "wizard/UpdateLog.h"

#include "tests/fuzz/SplitLines.h"
#include <algorithm>
#include <span>
#include <string_view>

namespace {

using Lines = std::vector<std::string>;
using Views = std::vector<std::string_view>;

constexpr std::uint32_t kOrder = ulv::kNormIgnoreCase | ulv::kSortStringSort;
constexpr size_t kMaxListLines = 16;

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

bool IsStamp(std::string_view line) {
    return !line.empty() && line[0] == '*';
}

// The list holds full paths, as the plan's targets are: lines of the old file that are paths already, others
// made into paths.
Lines ListFrom(const Views& existing, std::uint8_t selector, ulv::IText& text) {
    constexpr std::string_view root = "C:\\ProgramData\\Ulvara\\Public\\";
    Lines list;
    list.reserve(kMaxListLines);
    list.push_back(std::string(root) + "Basic.asn");
    for (size_t i = 0; i < existing.size() && list.size() < kMaxListLines; ++i) {
        if ((i * 31 + selector) % 4 != 0) continue;
        const std::string_view old = existing[i];
        const bool path = old.size() >= 3 && (old[0] == 'C' || old[0] == 'c') && old.substr(1, 2) == ":\\";
        std::string line;
        line.reserve((path ? 0 : root.size()) + old.size());
        line.append(path ? "" : root).append(old);
        if ((selector + i) & 1) text.CharUpperBuffA(line);
        list.push_back(std::move(line));
    }
    ulv::SortUpdateList(list, text);
    return list;
}

// The list's sort keys in its order, one after the other: equal keys are what CompareStringA calls equal.
class TListedKeys {
public:
    explicit TListedKeys(const Lines& list) {
        size_t bytes = 0;
        for (const std::string& line : list)
            bytes += 4 * line.size() + 8; // about a key's size: a few weights a character, section ends
        Keys.Reserve(list.size(), bytes);
        std::string key;
        for (const std::string& line : list) {
            ulv::sim::SortKeyAnsi(line, kOrder, key);
            Keys.Append(key);
        }
    }
    bool Sorted() const {
        for (size_t i = 1; i < Keys.Size(); ++i)
            if (Keys[i] < Keys[i - 1]) return false;
        return true;
    }
    // Looked up by halves, as the keys are sorted once Sorted() holds.
    bool Holds(std::string_view line) const {
        ulv::sim::SortKeyAnsi(line, kOrder, Key);
        size_t low = 0, high = Keys.Size();
        while (low < high) {
            const size_t middle = (low + high) / 2;
            if (Keys[middle] < Key)
                low = middle + 1;
            else
                high = middle;
        }
        return low < Keys.Size() && Keys[low] == Key;
    }

private:
    ulv::TPackedLines Keys;
    mutable std::string Key; // one buffer for the keys looked up
};

// The old part keeps, in their order, every line that is neither empty, nor listed, nor a stamp; of stamps it
// keeps no two in a row and none last.
void CheckOldPart(const Views& existing, std::span<const std::string> old, const TListedKeys& listed) {
    size_t at = 0;
    for (size_t i = 0; i < old.size(); ++i) {
        Check(!old[i].empty() && !listed.Holds(old[i]));
        Check(!(IsStamp(old[i]) && i > 0 && IsStamp(old[i - 1])));
        while (at < existing.size() && existing[at] != old[i]) {
            bool mustStay = !existing[at].empty() && !IsStamp(existing[at]) && !listed.Holds(existing[at]);
            Check(!mustStay);
            ++at;
        }
        Check(at < existing.size());
        ++at;
    }
    for (; at < existing.size(); ++at)
        Check(existing[at].empty() || IsStamp(existing[at]) || listed.Holds(existing[at]));
    Check(old.empty() || !IsStamp(old.back()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ulv::sim::SimText text;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    Lines existing = ulv::SplitUpdateLogText(input);
    // The file ends at a NUL.
    const Views lines = ulv::fuzz::SplitAll(input.substr(0, input.find('\0')));
    Check(std::equal(existing.begin(), existing.end(), lines.begin(), lines.end()));
    Lines list = ListFrom(lines, size > 0 ? data[0] : 0, text);
    const TListedKeys listed(list);
    Check(listed.Sorted());
    const std::string stamp = ulv::UpdateLogStampLine(static_cast<double>(size) + 0.5);

    Lines merged = ulv::MergeUpdateLog(std::move(existing), list, stamp, text);
    Check(merged.size() <= lines.size() + list.size() + 1);
    Check(merged.size() >= list.size() + 1);
    size_t oldSize = merged.size() - list.size() - 1;
    Check(merged[oldSize] == stamp);
    Check(std::equal(list.begin(), list.end(), merged.begin() + static_cast<std::ptrdiff_t>(oldSize) + 1));
    CheckOldPart(lines, std::span(merged).first(oldSize), listed);
    // The new file read back and merged again with the same section is the same file.
    Check(ulv::MergeUpdateLog(merged, list, stamp, text) == merged);
    return 0;
}
