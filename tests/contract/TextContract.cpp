#include "ContractEnv.h"

#include <gtest/gtest.h>

namespace ulv::contract {
namespace {

// Literals kept out of the GoogleTest macros: those stringify their arguments, and the execution character
// set is Windows-1252.
TEST(TextContract, UpperCasingCoversTheWindows1252Letters) {
    struct Case {
        std::string Lower, Upper;
    };
    for (const Case& c : {Case{"modèles é à ç œ ÿ", "MODÈLES É À Ç Œ Ÿ"},
                          Case{"mémo été.rtf", "MÉMO ÉTÉ.RTF"}, Case{"îôûëïü ñ ø å æ", "ÎÔÛËÏÜ Ñ Ø Å Æ"},
                          Case{"ß µ", "ß µ"}, Case{"DÉJÀ 123 _-.", "DÉJÀ 123 _-."}, Case{"", ""}}) {
        std::string text = c.Lower;
        Env().Platform.Text.CharUpperBuffA(text);
        EXPECT_EQ(text, c.Upper);
    }
}

TEST(TextContract, UpperCasingTouchesNoByteBeyondTheText) {
    std::string text("a\0b", 3);
    Env().Platform.Text.CharUpperBuffA(text);
    EXPECT_EQ(text, std::string("A\0B", 3)) << "the whole buffer, an embedded NUL included";
}

TEST(TextContract, ComparisonIgnoresCaseButNotAccents) {
    IText& text = Env().Platform.Text;
    constexpr int kLess = 1, kEqual = 2, kGreater = 3;
    EXPECT_EQ(text.CompareStringNoCase("Modèles", "MODÈLES"), kEqual);
    EXPECT_EQ(text.CompareStringNoCase("œuvre", "ŒUVRE"), kEqual);
    EXPECT_NE(text.CompareStringNoCase("Modeles", "Modèles"), kEqual);
    EXPECT_EQ(text.CompareStringNoCase("abc", "ABD"), kLess);
    EXPECT_EQ(text.CompareStringNoCase("Zèbre", "arbre"), kGreater);
    EXPECT_EQ(text.CompareStringNoCase("", ""), kEqual);
}

} // namespace
} // namespace ulv::contract
