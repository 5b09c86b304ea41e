#include "ContractEnv.h"

#include <gtest/gtest.h>

namespace ulv::contract {
namespace {

class MoveFileContract : public ::testing::Test {
protected:
    IFiles& Files = Env().Platform.Files;
    const std::string From = Env().Scratch + "Mémo.tmp";
    const std::string To = Env().Scratch + "Mémo.rtf";

    void SetUp() override {
        ASSERT_TRUE(Write(From, "nouveau"));
        ASSERT_TRUE(Write(To, "ancien contenu"));
    }
    void TearDown() override {
        for (const std::string& path : {From, To}) {
            (void)Files.SetFileAttributesA(path, kFileAttributeNormal);
            (void)Files.DeleteFileA(path);
        }
    }

    bool Write(const std::string& path, std::string_view content) {
        UniqueFile f(Files, Files.CreateFileA(path, kGenericWrite, 0, kCreateAlways, kFileAttributeNormal));
        std::uint32_t written = 0;
        return f &&
               Files.WriteFile(f.Get(), content.data(), static_cast<std::uint32_t>(content.size()), written);
    }
    std::optional<std::uint64_t> SizeOf(const std::string& path) {
        UniqueFile f(Files, Files.CreateFileA(path, kGenericRead, kFileShareRead, kOpenExisting, 0));
        return f ? Files.GetFileSize(f.Get()) : std::nullopt;
    }
};

TEST_F(MoveFileContract, ReplacesAnExistingTargetOnlyWhenAsked) {
    EXPECT_FALSE(Files.MoveFileExA(From, To, 0));
    EXPECT_EQ(Files.LastError(), kErrorAlreadyExists);
    EXPECT_EQ(SizeOf(To), 14u) << "the target untouched";
    EXPECT_EQ(SizeOf(From), 7u);

    ASSERT_TRUE(Files.MoveFileExA(From, To, kMoveFileReplaceExisting | kMoveFileWriteThrough));
    EXPECT_EQ(SizeOf(To), 7u);
    EXPECT_EQ(Files.GetFileAttributesA(From), kInvalidFileAttributes);
}

TEST_F(MoveFileContract, MissingSourceMovesNothing) {
    EXPECT_FALSE(Files.MoveFileExA(Env().Scratch + "absent.tmp", To, kMoveFileReplaceExisting));
    EXPECT_EQ(Files.LastError(), kErrorFileNotFound);
    EXPECT_EQ(SizeOf(To), 14u);
}

TEST_F(MoveFileContract, OpenFilesWithoutDeleteSharingStayWhereTheyAre) {
    {
        UniqueFile source(Files, Files.CreateFileA(From, kGenericRead, kFileShareRead, kOpenExisting, 0));
        ASSERT_TRUE(source);
        EXPECT_FALSE(Files.MoveFileExA(From, To, kMoveFileReplaceExisting));
        EXPECT_EQ(Files.LastError(), kErrorSharingViolation) << "source open";
    }
    {
        UniqueFile target(Files, Files.CreateFileA(To, kGenericRead, kFileShareRead, kOpenExisting, 0));
        ASSERT_TRUE(target);
        EXPECT_FALSE(Files.MoveFileExA(From, To, kMoveFileReplaceExisting));
        // Not a sharing violation: the open target cannot be superseded, as Windows and Wine both answer.
        EXPECT_EQ(Files.LastError(), kErrorAccessDenied) << "target open";
    }
    EXPECT_EQ(SizeOf(From), 7u);
    EXPECT_EQ(SizeOf(To), 14u);
}

} // namespace
} // namespace ulv::contract
