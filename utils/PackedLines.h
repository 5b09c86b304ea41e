#pragma once
// Lines kept one after the other in one buffer, each known by where it ends. A log of tens of thousands of
// lines then costs two allocations rather than one a line, and is written out in one walk over the buffer.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ulv {

class TPackedLines {
public:
    [[nodiscard]] size_t Size() const { return Ends.size(); }
    [[nodiscard]] bool Empty() const { return Ends.empty(); }
    // All the lines' bytes, without line ends.
    [[nodiscard]] size_t Bytes() const { return Text.size(); }

    [[nodiscard]] std::string_view operator[](size_t i) const {
        const size_t start = i == 0 ? 0 : Ends[i - 1];
        return {Text.data() + start, Ends[i] - start};
    }

    void Reserve(size_t lines, size_t bytes) {
        Ends.reserve(lines);
        Text.reserve(bytes);
    }

    void Append(std::string_view line) {
        Text += line;
        Ends.push_back(Text.size());
    }

    void PopBack() {
        Ends.pop_back();
        Text.resize(Ends.empty() ? 0 : Ends.back());
    }

private:
    std::string Text;
    std::vector<size_t> Ends;
};

} // namespace ulv
