#include "ContractEnv.h"

#include <gtest/gtest.h>

namespace ulv::contract {
namespace {

// Its own suite: Wine running as root lets these opens through, so under Wine this suite runs as an
// unprivileged user (see CMakeLists.txt).
class ReadOnlyFilesContract : public ::testing::Test {
protected:
    IFiles& Files = Env().Platform.Files;
    const std::string Path = Env().Scratch + "lecture seule.txt";

    // The error an open failed with; 0 when it was let through (the handle is closed again).
    std::uint32_t OpenError(std::uint32_t access, std::uint32_t share, std::uint32_t disposition) {
        UniqueFile f(Files, Files.CreateFileA(Path, access, share, disposition, kFileAttributeNormal));
        return f ? kErrorSuccess : Files.LastError();
    }
    bool Write(const std::string& path, std::string_view content) {
        UniqueFile f(Files, Files.CreateFileA(path, kGenericWrite, 0, kCreateAlways, kFileAttributeNormal));
        std::uint32_t written = 0;
        return f &&
               Files.WriteFile(f.Get(), content.data(), static_cast<std::uint32_t>(content.size()), written);
    }
};

TEST_F(ReadOnlyFilesContract, RefuseBeingRewrittenOrOpenedForWriting) {
    ASSERT_TRUE(Write(Path, "garde")) << Files.LastError();
    ASSERT_TRUE(Files.SetFileAttributesA(Path, kFileAttributeReadOnly));

    EXPECT_EQ(OpenError(kGenericWrite, 0, kCreateAlways), kErrorAccessDenied);
    EXPECT_EQ(OpenError(kGenericWrite, kFileShareRead, kOpenExisting), kErrorAccessDenied);
    EXPECT_EQ(OpenError(kGenericRead | kGenericWrite, 0, kOpenAlways), kErrorAccessDenied);
    EXPECT_EQ(OpenError(kGenericRead, kFileShareRead, kOpenExisting), kErrorSuccess)
        << "reading stays allowed";
    {
        UniqueFile reader(Files, Files.CreateFileA(Path, kGenericRead, kFileShareRead, kOpenExisting, 0));
        EXPECT_EQ(Files.GetFileSize(reader.Get()), 5u) << "the refused opens left the content alone";
    }
    ASSERT_TRUE(Files.SetFileAttributesA(Path, kFileAttributeNormal));
    EXPECT_EQ(OpenError(kGenericWrite, 0, kCreateAlways), kErrorSuccess)
        << "writable once the attribute is cleared";
    EXPECT_TRUE(Files.DeleteFileA(Path));
}

TEST_F(ReadOnlyFilesContract, AreNotReplacedByAMove) {
    const std::string from = Env().Scratch + "remplaçant.tmp";
    ASSERT_TRUE(Write(from, "nouveau"));
    ASSERT_TRUE(Write(Path, "garde"));
    ASSERT_TRUE(Files.SetFileAttributesA(Path, kFileAttributeReadOnly));
    EXPECT_FALSE(Files.MoveFileExA(from, Path, kMoveFileReplaceExisting));
    EXPECT_EQ(Files.LastError(), kErrorAccessDenied);
    EXPECT_NE(Files.GetFileAttributesA(from), kInvalidFileAttributes) << "nothing moved";
    ASSERT_TRUE(Files.SetFileAttributesA(Path, kFileAttributeNormal));
    EXPECT_TRUE(Files.DeleteFileA(Path));
    EXPECT_TRUE(Files.DeleteFileA(from));
}

} // namespace
} // namespace ulv::contract
