#pragma once
// Lines of a text read from a file: ended by CR LF, CR or LF; a NUL ends the text.
#include <string>
#include <string_view>
#include <vector>

namespace ulv {

// Calls onLine for each line, without its end.
template <typename OnLine> void ForEachTextLine(std::string_view text, OnLine&& onLine) {
    text = text.substr(0, text.find('\0'));
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        onLine(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) onLine(text.substr(start));
}

[[nodiscard]] inline std::vector<std::string> SplitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    ForEachTextLine(text, [&lines](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

} // namespace ulv
