#include "ContractEnv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

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

TEST(TextContract, LowerCasingCoversTheWindows1252Letters) {
    struct Case {
        std::string Upper, Lower;
    };
    for (const Case& c :
         {Case{"MODÈLES É À Ç Œ Ÿ Š Ž", "modèles é à ç œ ÿ š ž"}, Case{"[CLE USB] D:", "[cle usb] d:"},
          Case{"ÎÔÛËÏÜ Ñ Ø Å Æ Þ", "îôûëïü ñ ø å æ þ"}, Case{"× ÷ ß µ 123 _-.", "× ÷ ß µ 123 _-."}}) {
        std::string text = c.Upper;
        Env().Platform.Text.CharLowerBuffA(text);
        EXPECT_EQ(text, c.Lower);
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

struct TOrderCase {
    std::uint32_t Flags;
    std::string A, B;
    int Expected;
};

constexpr std::uint32_t kPathOrder = kNormIgnoreCase | kSortStringSort;
constexpr int kLess = 1, kEqual = 2, kGreater = 3;

void ExpectOrders(const std::vector<TOrderCase>& cases) {
    IText& text = Env().Platform.Text;
    for (const TOrderCase& c : cases)
        EXPECT_EQ(text.CompareStringA(c.Flags, c.A, c.B), c.Expected)
            << "flags " << c.Flags << ": [" << c.A << "] vs [" << c.B << "]";
}

TEST(TextContract, AccentsWeighLessThanLettersAndCaseLessThanAccents) {
    ExpectOrders({{kPathOrder, "e", "é", kLess},
                  {kPathOrder, "é", "f", kLess},
                  {kPathOrder, "é", "ê", kLess},
                  {kPathOrder, "Mémo", "Mes", kLess},
                  {kPathOrder, "Mémo 2.rtf", "Memo 1.rtf", kGreater},
                  {kPathOrder, "Mémos\\Mémo 1.rtf", "MÉMOS\\mémo 1.RTF", kEqual},
                  {kPathOrder, "Mèmo", "Mémo", kGreater},
                  {kPathOrder, "ça", "cz", kLess},
                  {kNormIgnoreCase, "Modèles", "MODÈLES", kEqual},
                  {kSortStringSort, "a", "A", kLess},
                  {kSortStringSort, "Abc", "abd", kLess},
                  {kSortStringSort, "É", "e", kGreater},
                  {0, "modèles", "Modèles", kLess}});
}

TEST(TextContract, LigaturesWeighAsTheirLettersAndSomeCharactersNotAtAll) {
    ExpectOrders({{kPathOrder, "œuvre", "OEUVRE", kEqual},
                  {kPathOrder, "Œuvre", "oeuvre", kEqual},
                  {kPathOrder, "æ", "ae", kEqual},
                  {kPathOrder, "ß", "ss", kEqual},
                  {kPathOrder, "œ", "of", kLess},
                  {kPathOrder, std::string("a\0b", 3), "ab", kEqual},
                  {kNormIgnoreCase, std::string("a\0b", 3), "ab", kEqual},
                  {kPathOrder,
                   "a\xAD"
                   "b",
                   "ab", kEqual},
                  {kPathOrder, "", "", kEqual},
                  {kPathOrder, "", "a", kLess}});
}

// The update log's order: with SORT_STRINGSORT the hyphen and the apostrophe sort first of all, then blanks
// (space before TAB), then the other punctuation, symbols, digits and letters.
TEST(TextContract, AStringSortWeighsPunctuationAsSymbolsBeforeDigitsAndLetters) {
    ExpectOrders({{kPathOrder, "'", "-", kLess},
                  {kPathOrder, "-", " ", kLess},
                  {kPathOrder, " ", "\t", kLess},
                  {kPathOrder, "\t", "!", kLess},
                  {kPathOrder, "!", "(", kLess},
                  {kPathOrder, "(", ")", kLess},
                  {kPathOrder, ")", ".", kLess},
                  {kPathOrder, ".", "\\", kLess},
                  {kPathOrder, "\\", "_", kLess},
                  {kPathOrder, "_", "+", kLess},
                  {kPathOrder, "+", "0", kLess},
                  {kPathOrder, "9", "a", kLess},
                  {kPathOrder, "Collections d'inserts", "Collections de", kLess},
                  {kPathOrder, "co-op", "coop", kLess},
                  {kPathOrder, "a-b", "a b", kLess},
                  {kPathOrder, "Puce 01.png\t!", "Puce 01.png", kGreater},
                  {kPathOrder, "Puce 01.png\t!", "Puce 01.pngx", kLess},
                  {kPathOrder, "Puce 01.png\t!", "Puce 02.png", kLess},
                  {kPathOrder, "English (American).asc", "english.zlx", kLess},
                  {kPathOrder, "English (American).cache", "English (British).asc", kLess},
                  {kPathOrder, "Puce 9.png", "Puce 10.png", kGreater}});
}

// Without SORT_STRINGSORT hyphens and apostrophes only break ties between texts otherwise equal: a text
// without them sorts first, and the earlier one stands, the later the text sorts.
TEST(TextContract, AWordSortSetsHyphensAndApostrophesAside) {
    ExpectOrders({{kNormIgnoreCase, "Collections d'inserts", "Collections de", kGreater},
                  {kNormIgnoreCase, "a-b", "a b", kGreater},
                  {kNormIgnoreCase, "co-op", "coop", kGreater},
                  {kNormIgnoreCase, "coop", "co-op", kLess},
                  {kNormIgnoreCase, "co-op", "coo-p", kGreater},
                  {kNormIgnoreCase, "-ab", "a-b", kGreater},
                  {kNormIgnoreCase, "a'b", "ab-", kGreater},
                  {kNormIgnoreCase, "", "-", kLess},
                  {kNormIgnoreCase, "a b", "ab", kLess}});
}

TEST(TextContract, SharedDataPathsSortAsTheUpdateLogListsThem) {
    const std::string root = "C:\\ProgramData\\Ulvara\\Public\\";
    const std::vector<std::string> expected = {
        root + "Basic.asn",
        root + "Collections d'inserts\\Images\\Puces\\Puce 01.png\t!",
        root + "Collections d'inserts\\Images\\Puces\\Puce 02.png\t!",
        root + "Collections d'inserts\\Textes\\Lettres.txt\t!",
        root + "Modèles de document\\Mémos\\Mémo 1.rtf\t!",
        root + "Modèles de document\\Mémos\\Mémo 2.rtf\t!",
        root + "Modèles de document\\Mes lettres\\Lettre.rtf\t!",
        root + "Orthographe\\English (American).asc\t!",
        root + "Orthographe\\English (American).cache\t!",
        root + "Orthographe\\English (British).asc\t!",
        root + "Orthographe\\English (British).cache\t!",
        root + "Orthographe\\english.zlx",
        root + "Orthographe\\français.zlx",
        root + "Orthographe\\French.asc\t!",
        root + "Orthographe\\persodicfr.tlx\t!",
        root + "Orthographe\\uk.zlx",
        root + "Orthographe\\us.zlx",
        root + "Orthographe\\userdicen.tlx\t!",
    };
    IText& text = Env().Platform.Text;
    for (size_t i = 1; i < expected.size(); ++i)
        EXPECT_EQ(text.CompareStringA(kPathOrder, expected[i - 1], expected[i]), kLess)
            << expected[i - 1] << " before " << expected[i];
}

// The texts the program compares (install log lines, shared data paths, folder names) and the characters that
// make texts differ, or not: accents, ligatures, case, hyphens, apostrophes, NUL, the soft hyphen, the update
// list's "\t!". One text per "|".
std::vector<std::string> ComparedTexts() {
    const std::string_view listed =
        "|a|A|ab|b|e|é|É|ê|f|z|9|!|-|'| |\t|_|\xAD|a-b|-ab|ab-|a'b|a b|co-op|coop|coo-p"
        "|œuvre|Œuvre|OEUVRE|oeuvre|of|æ|ae|AE|ß|ss|SS|Modèles|MODÈLES|Modeles|Mèmo|Mémo"
        "|Mes|Zèbre|arbre|Collections d'inserts|Collections de"
        "|Made Dir: C:\\Program Files\\Ulvara\\|made dir: c:\\program files\\ulvara\\"
        "|File Copy: C:\\Program Files\\Ulvara\\vlmr.exe"
        "|FILE COPY: C:\\PROGRAM FILES\\ULVARA\\VLMR.EXE"
        "|File Copy: C:\\Program Files\\Ulvara\\Coupe de mots.dat"
        "|File Copy: C:\\Program Files\\Ulvara\\Coupe-de-mots.dat"
        "|Puce 01.png|Puce 01.png\t!|Puce 01.pngx|Puce 02.png|Puce 9.png|Puce 10.png"
        "|English (American).asc|english.zlx|français.zlx|FRANÇAIS.ZLX|French.asc";
    // Forty apostrophes: a key longer than most, each weighing four bytes in a word sort.
    std::vector<std::string> texts = {std::string(1, '\0'), std::string("a\0b", 3),
                                      std::string("a\xAD") + "b", std::string(40, '\'')};
    for (size_t start = 0, end = 0; end != std::string_view::npos; start = end + 1) {
        end = listed.find('|', start);
        texts.emplace_back(listed.substr(start, end - start));
    }
    const std::string root = "C:\\ProgramData\\Ulvara\\Public\\";
    for (const char* name : {"Basic.asn", "Modèles de document\\Mémos\\Mémo 1.rtf\t!",
                             "MODÈLES DE DOCUMENT\\MÉMOS\\MÉMO 1.RTF\t!", "Orthographe\\persodicfr.tlx\t!"})
        texts.push_back(root + name);
    return texts;
}

std::string Shown(const std::string& text) {
    std::string shown;
    for (unsigned char c : text) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, c < 0x20 || c >= 0x7F ? "\\x%02X" : "%c", c);
        shown += escaped;
    }
    return shown;
}

// What lets a caller sort and look texts up by keys made once, instead of comparing them again and again.
TEST(TextContract, SortKeysOrderTextsAsTheComparisonDoes) {
    IText& text = Env().Platform.Text;
    const std::vector<std::string> texts = ComparedTexts();
    for (Lcid locale : {kLocaleUserDefault, kLocaleSystemDefault}) {
        for (std::uint32_t flags : {kNormIgnoreCase, kPathOrder}) {
            std::vector<std::string> keys;
            std::string key = "a longer key left over from the text before";
            for (const std::string& t : texts) {
                ASSERT_TRUE(text.LCMapSortKeyA(locale, flags, t, key)) << Shown(t);
                keys.push_back(key);
            }
            for (size_t i = 0; i < texts.size(); ++i) {
                for (size_t j = 0; j < texts.size(); ++j) {
                    int byKeys = keys[i].compare(keys[j]);
                    int order = byKeys < 0 ? kLess : byKeys == 0 ? kEqual : kGreater;
                    EXPECT_EQ(order, text.CompareStringA(locale, flags, texts[i], texts[j]))
                        << "locale " << locale << ", flags " << flags << ": [" << Shown(texts[i]) << "] vs ["
                        << Shown(texts[j]) << "]";
                }
            }
        }
    }
}

TEST(TextContract, ALocaleBeyondTheDefaultsIsPassedOn) {
    IText& text = Env().Platform.Text;
    constexpr Lcid kUnknownLocale = 0x7FFF;
    EXPECT_EQ(text.CompareStringA(kUnknownLocale, kNormIgnoreCase, "a", "A"), 0);
    std::string key = "stale";
    EXPECT_FALSE(text.LCMapSortKeyA(kUnknownLocale, kNormIgnoreCase, "a", key));
    EXPECT_EQ(key, "");
    EXPECT_EQ(text.CompareStringA(kLocaleSystemDefault, kNormIgnoreCase, "a", "A"), kEqual);
}

} // namespace
} // namespace ulv::contract
