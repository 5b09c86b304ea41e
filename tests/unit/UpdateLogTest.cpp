#include "wizard/UpdateLog.h"
#include "InstUtilsFixture.h"

namespace ulv::test {
namespace {

using Lines = std::vector<std::string>;

const std::string kRoot = "C:\\ProgramData\\Ulvara\\";
const std::string kPublic = kRoot + "Public\\";
const std::string kLogPath = kRoot + "Update.log";
const std::string kTempPath = kRoot + "~Ulvara1.tmp";
const std::string kStampA = UpdateLogStampLine(45000.25);
const std::string kStampB = UpdateLogStampLine(45100.5);
const std::string kStampNew = UpdateLogStampLine(45366.75);

TEST(UpdateLogStamp, IsTheTimesBytesInMemoryOrderAsUpperCaseHex) {
    EXPECT_EQ(UpdateLogStampLine(EncodeDateTime({2024, 3, 15, 14, 30, 0, 0})), "*55555555D326E640");
    EXPECT_EQ(UpdateLogStampLine(1.0), "*000000000000F03F");
    EXPECT_EQ(UpdateLogStampLine(-1.5), "*000000000000F8BF");
    EXPECT_EQ(UpdateLogStampLine(0.0), "*0000000000000000");
}

TEST(UpdateLogText, EveryLineEndEndsALineAndANulEndsTheText) {
    struct Case {
        std::string Text;
        Lines Expected;
    };
    for (const Case& c :
         {Case{"a\r\nb\rc\nd", {"a", "b", "c", "d"}}, Case{"a\r\r\nb\n\rc", {"a", "", "b", "", "c"}},
          Case{"a\n\nb\r\n", {"a", "", "b"}}, Case{std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
          Case{std::string("x\0", 2), {"x"}}, Case{std::string("\0a", 2), {}}, Case{"", {}},
          Case{"\r\n", {""}}})
        EXPECT_EQ(SplitUpdateLogText(c.Text), c.Expected) << testing::PrintToString(c.Text);
}

class UpdateLogMerge : public InstUtilsTest {
protected:
    Lines Merge(Lines existing, Lines list) {
        SortUpdateList(list, Machine.Text);
        return MergeUpdateLog(std::move(existing), list, kStampNew, Machine.Text);
    }
};

TEST_F(UpdateLogMerge, SectionsLoseTheLinesWrittenAgain) {
    const std::string x = kPublic + "Orthographe\\english.zlx", y = kPublic + "Orthographe\\us.zlx",
                      z = kPublic + "Basic.asn";
    struct Case {
        const char* What;
        Lines Existing, List, Expected;
    };
    for (const Case& c : {
             Case{"no earlier file", {}, {y, x}, {kStampNew, x, y}},
             Case{"the same installation again", {kStampA, x, y}, {x, y}, {kStampNew, x, y}},
             Case{"all of A and B again", {kStampA, x, y, kStampB, z}, {x, y, z}, {kStampNew, z, x, y}},
             Case{"A again: z stands under A",
                  {kStampA, x, y, kStampB, z},
                  {x, y},
                  {kStampA, z, kStampNew, x, y}},
             Case{"B again", {kStampA, x, y, kStampB, z}, {z}, {kStampA, x, y, kStampNew, z}},
             Case{"nothing in common", {kStampA, x}, {z}, {kStampA, x, kStampNew, z}},
         })
        EXPECT_EQ(Merge(c.Existing, c.List), c.Expected) << c.What;
}

TEST_F(UpdateLogMerge, ALineGoesWhenEqualIgnoringCaseButNotAccentsOrMarker) {
    const std::string memo = kPublic + "Modèles de document\\Mémos\\Mémo 1.rtf";
    const std::string upper = "C:\\PROGRAMDATA\\ULVARA\\PUBLIC\\MODÈLES DE DOCUMENT\\MÉMOS\\MÉMO 1.RTF";
    const std::string plain = kPublic + "Modèles de document\\Memos\\Memo 1.rtf";
    EXPECT_EQ(Merge({kStampA, upper + "\t!"}, {memo + "\t!"}), (Lines{kStampNew, memo + "\t!"}));
    EXPECT_EQ(Merge({kStampA, plain + "\t!"}, {memo + "\t!"}),
              (Lines{kStampA, plain + "\t!", kStampNew, memo + "\t!"}));
    EXPECT_EQ(Merge({kStampA, memo + "\t!"}, {memo}), (Lines{kStampA, memo + "\t!", kStampNew, memo}));
    EXPECT_EQ(Merge({kStampA, memo}, {memo + "\t!"}), (Lines{kStampA, memo, kStampNew, memo + "\t!"}));
}

TEST_F(UpdateLogMerge, EmptyLinesGoBeforeStampRunsCollapseToTheirOldest) {
    const std::string x = kPublic + "a.dat", y = kPublic + "b.dat";
    EXPECT_EQ(Merge({"", kStampA, "", kStampB, "", y, ""}, {x}), (Lines{kStampA, y, kStampNew, x}));
    EXPECT_EQ(Merge({kStampA, kStampB, "*not a stamp but begins like one", y}, {x}),
              (Lines{kStampA, y, kStampNew, x}));
    EXPECT_EQ(Merge({y, kStampA, kStampB}, {x}), (Lines{y, kStampNew, x})) << "a trailing run goes whole";
    EXPECT_EQ(Merge({kStampA, x, kStampB}, {x}), (Lines{kStampNew, x}));
}

TEST_F(UpdateLogMerge, TheListSortsByTheLocaleIgnoringCase) {
    const std::string inserts = kPublic + "Collections d'inserts\\Images\\Puces\\";
    const std::string spelling = kPublic + "Orthographe\\";
    const Lines sorted = {
        kPublic + "Basic.asn",
        inserts + "Puce 01.png\t!",
        inserts + "Puce 02.png\t!",
        kPublic + "Collections d'inserts\\Textes (anciens)\\Lettre.txt\t!",
        kPublic + "Collections d'inserts\\Textes\\Lettre.txt\t!",
        kPublic + "Modèles de document\\Mémos\\Mémo 1.rtf\t!",
        kPublic + "Modèles de document\\Mes lettres\\Lettre.rtf\t!",
        spelling + "English (American).asc\t!",
        spelling + "English (British).cache\t!",
        spelling + "english.zlx",
        spelling + "français.zlx",
        spelling + "FRENCH.asc\t!",
        spelling + "French.asc\t!",
        spelling + "us.zlx",
    };
    Lines list = {sorted[10], sorted[4], sorted[11], sorted[1], sorted[8], sorted[13], sorted[0],
                  sorted[6],  sorted[2], sorted[12], sorted[7], sorted[5], sorted[3],  sorted[9]};
    SortUpdateList(list, Machine.Text);
    EXPECT_EQ(list, sorted) << "lines equal ignoring case keep their order";
}

class UpdateLogStore : public InstUtilsTest {
protected:
    void SetUp() override { ASSERT_TRUE(Machine.Files.PutFolder(kPublic)); }
    TUpdateLogResult Store(Lines list, const std::string& folder = kRoot) {
        return StoreUpdateLog(Platform, Utils, folder, std::move(list), 45366.75);
    }
    std::optional<std::string> Content(const std::string& path = kLogPath) {
        return Machine.Files.FileContent(path);
    }
    const std::string X = kPublic + "x.dat", Y = kPublic + "y.dat";
    const std::string Old = kStampA + "\r\n" + X + "\r\n";
};

TEST_F(UpdateLogStore, WritesTheMergedLinesEndedByCrLf) {
    EXPECT_EQ(Store({Y, X}), TUpdateLogResult::Written);
    EXPECT_EQ(Content(), kStampNew + "\r\n" + X + "\r\n" + Y + "\r\n");
    ASSERT_TRUE(Machine.Files.PutFile(kLogPath, kStampA + "\r" + X + "\n" + Y + std::string("\0\r\nZ", 4)));
    EXPECT_EQ(Store({Y}, "C:\\ProgramData\\Ulvara"), TUpdateLogResult::Written);
    EXPECT_EQ(Content(), kStampA + "\r\n" + X + "\r\n" + kStampNew + "\r\n" + Y + "\r\n");
    EXPECT_FALSE(Content(kTempPath));
}

TEST_F(UpdateLogStore, AnEmptyListNeitherReadsNorWrites) {
    EXPECT_EQ(Store({}), TUpdateLogResult::NothingToWrite);
    EXPECT_FALSE(Content());
    ASSERT_TRUE(Machine.Files.PutFile(kLogPath, Old));
    Machine.Files.InjectCreateFailure(kLogPath, 1, kErrorSharingViolation);
    EXPECT_EQ(Store({}), TUpdateLogResult::NothingToWrite);
    EXPECT_EQ(Store({X}), TUpdateLogResult::LeftUnchanged) << "the refused open was still to come";
    EXPECT_EQ(Content(), Old);
}

TEST_F(UpdateLogStore, AFailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
    ASSERT_TRUE(Machine.Files.PutFile(kLogPath, Old));
    Machine.Files.InjectCreateFailure(kTempPath, 1, kErrorAccessDenied);
    EXPECT_EQ(Store({Y}), TUpdateLogResult::WriteFailed);
    Machine.Files.ShortenNextWrite(kTempPath, 10);
    EXPECT_EQ(Store({Y}), TUpdateLogResult::WriteFailed);
    EXPECT_FALSE(Content(kTempPath));
    Machine.Files.InjectMoveFailure(1, kErrorAccessDenied);
    EXPECT_EQ(Store({Y}), TUpdateLogResult::WriteFailed);
    EXPECT_EQ(Content(), Old);
    EXPECT_FALSE(Content(kTempPath));
    EXPECT_EQ(Machine.Files.OpenHandleCount(), 0u);
}

TEST_F(UpdateLogStore, AFileThatCannotBeReadWholeIsLeftAsItIs) {
    ASSERT_TRUE(Machine.Files.PutFile(kLogPath, Old));
    Machine.Files.InjectCreateFailure(kLogPath, 1, kErrorSharingViolation);
    EXPECT_EQ(Store({Y}), TUpdateLogResult::LeftUnchanged);
    EXPECT_EQ(Content(), Old);

    std::string tooLong = Old + std::string(kMaxUpdateLogBytes - Old.size() + 1, 'x');
    ASSERT_TRUE(Machine.Files.PutFile(kLogPath, tooLong));
    EXPECT_EQ(Store({Y}), TUpdateLogResult::LeftUnchanged);
    EXPECT_EQ(Content()->size(), tooLong.size());

    std::string tooManyLines = Old + std::string(kMaxUpdateLogLines, '\n');
    ASSERT_TRUE(Machine.Files.PutFile(kLogPath, tooManyLines));
    EXPECT_EQ(Store({Y}), TUpdateLogResult::LeftUnchanged);
    EXPECT_EQ(Content()->size(), tooManyLines.size());
    EXPECT_FALSE(Content(kTempPath));
}

TEST_F(UpdateLogStore, AFileJustWithinTheCapsIsMerged) {
    std::string full = Old + std::string(kMaxUpdateLogLines - 2, '\n');
    ASSERT_TRUE(Machine.Files.PutFile(kLogPath, full));
    EXPECT_EQ(Store({Y}), TUpdateLogResult::Written);
    EXPECT_EQ(Content(), Old + kStampNew + "\r\n" + Y + "\r\n");
}

TEST_F(UpdateLogStore, AFolderOfThatNameIsNoFileAndCannotBeReplaced) {
    ASSERT_TRUE(Machine.Files.PutFolder(kLogPath));
    EXPECT_EQ(Store({Y}), TUpdateLogResult::WriteFailed);
    EXPECT_EQ(Machine.Files.GetFileAttributesA(kLogPath) & kFileAttributeDirectory, kFileAttributeDirectory);
    EXPECT_FALSE(Content(kTempPath));
}

TEST_F(UpdateLogStore, WithoutADataRootNothingIsWritten) {
    EXPECT_EQ(Store({Y}, ""), TUpdateLogResult::WriteFailed);
    EXPECT_FALSE(Content(JoinPath(Machine.Files.GetCurrentDirectoryA(), kUpdateLogName)));
}

TEST(UpdateLogWarning, NamesThePathOnLinesBrokenByCr) {
    std::string text = UpdateLogFailureText(kLogPath);
    EXPECT_NE(text.find("\r" + kLogPath + "\r"), std::string::npos);
    EXPECT_EQ(text.find('\n'), std::string::npos);
}

} // namespace
} // namespace ulv::test
