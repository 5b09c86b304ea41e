#include "utils/TextLines.h"

#include <gtest/gtest.h>

namespace ulv {
namespace {

using Lines = std::vector<std::string>;

// The readers of lines differ only by their rules: text files (a NUL ends the text), Install.log (NULs are
// kept; a last line cut short by the read is dropped) and the component lists (every end starts a line, so
// an empty text is one empty line).
TEST(TextLines, EachReaderCutsByItsRules) {
    const TLineRules text{}, log{.NulEndsText = false},
        cutLog{.NulEndsText = false, .Last = TLastLine::Never},
        list{.NulEndsText = false, .Last = TLastLine::Always};
    const std::string withNul("a\0b\r\nc", 6);
    struct Case {
        std::string Text;
        TLineRules Rules;
        Lines Expected;
    };
    for (const Case& c :
         {Case{withNul, text, {"a"}}, Case{withNul, log, {std::string("a\0b", 3), "c"}},
          Case{withNul, cutLog, {std::string("a\0b", 3)}}, Case{withNul, list, {std::string("a\0b", 3), "c"}},
          Case{"a\r\r\nb\n", text, {"a", "", "b"}}, Case{"a\r\r\nb\n", cutLog, {"a", "", "b"}},
          Case{"a\r\r\nb\n", list, {"a", "", "b", ""}}, Case{"", text, {}}, Case{"", list, {""}},
          Case{"\n\r", log, {"", ""}}})
        EXPECT_EQ(SplitTextLines(c.Text, c.Rules), c.Expected) << testing::PrintToString(c.Text);
}

TEST(TextLines, LinesBeyondTheCapAreRefusedAfterTheFirstAreAppended) {
    Lines lines = {"before"};
    EXPECT_TRUE(SplitTextLines("a\nb", {.MaxLines = 2}, lines));
    EXPECT_TRUE(SplitTextLines("a\nb\n", {.MaxLines = 2}, lines));
    EXPECT_FALSE(SplitTextLines("a\nb\nc", {.MaxLines = 2}, lines));
    EXPECT_FALSE(SplitTextLines("a\nb\n", {.Last = TLastLine::Always, .MaxLines = 2}, lines))
        << "the empty last line counts";
    EXPECT_EQ(lines, (Lines{"before", "a", "b", "a", "b", "a", "b", "a", "b"}));
}

} // namespace
} // namespace ulv
