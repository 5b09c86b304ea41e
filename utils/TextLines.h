#pragma once
// Lines of a text read from a file or a resource: each ends at CR LF, a lone CR or a lone LF.
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace ulv {

// What follows the last line end: a line when it is not empty; a line even when empty (so "" and "a\n" end
// with an empty line); or no line, when the text was cut short there.
enum class TLastLine { IfNotEmpty, Always, Never };

struct TLineRules {
    // A NUL ends the text: nothing after it is read.
    bool NulEndsText = true;
    TLastLine Last = TLastLine::IfNotEmpty;
    size_t MaxLines = std::numeric_limits<size_t>::max();
};

// Calls onLine for each line, without its end, up to rules.MaxLines of them; false when there are more.
template <typename OnLine>
bool ForEachTextLine(std::string_view text, const TLineRules& rules, OnLine&& onLine) {
    if (rules.NulEndsText) text = text.substr(0, text.find('\0'));
    size_t count = 0;
    auto emit = [&](std::string_view line) {
        if (count == rules.MaxLines) return false;
        ++count;
        onLine(line);
        return true;
    };
    size_t start = 0;
    for (size_t end = text.find_first_of("\r\n"); end != std::string_view::npos;
         end = text.find_first_of("\r\n", start)) {
        if (!emit(text.substr(start, end - start))) return false;
        if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
    bool last =
        rules.Last == TLastLine::Always || (rules.Last == TLastLine::IfNotEmpty && start < text.size());
    return !last || emit(text.substr(start));
}

// Appends the lines to `lines`; false when there are more than rules.MaxLines, the first of them appended.
// They are counted first, so that a log of tens of thousands of lines is not moved again and again.
[[nodiscard]] inline bool SplitTextLines(std::string_view text, const TLineRules& rules,
                                         std::vector<std::string>& lines) {
    size_t count = 0;
    bool within = ForEachTextLine(text, rules, [&count](std::string_view) { ++count; });
    lines.reserve(lines.size() + count);
    (void)ForEachTextLine(text, rules, [&lines](std::string_view line) { lines.emplace_back(line); });
    return within;
}

// All the lines, whatever rules.MaxLines says.
[[nodiscard]] inline std::vector<std::string> SplitTextLines(std::string_view text, TLineRules rules = {}) {
    std::vector<std::string> lines;
    rules.MaxLines = std::numeric_limits<size_t>::max();
    (void)SplitTextLines(text, rules, lines);
    return lines;
}

} // namespace ulv
