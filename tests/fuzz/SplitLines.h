#pragma once
// The fuzz targets' own reading of a text log, written apart from the product's: the lines as the file holds
// them, ended by CR LF, CR or LF, a last line without an end counting when it is not empty. Views into the
// text.
#include <algorithm>
#include <string_view>
#include <vector>

namespace ulv::fuzz {

inline std::vector<std::string_view> SplitAll(std::string_view text) {
    std::vector<std::string_view> lines;
    lines.reserve(static_cast<size_t>(std::count_if(text.begin(), text.end(),
                                                    [](char c) { return c == '\r' || c == '\n'; })) +
                  1);
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

} // namespace ulv::fuzz
