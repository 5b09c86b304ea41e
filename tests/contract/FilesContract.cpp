#include "ContractEnv.h"

#include <gtest/gtest.h>

namespace ulv::contract {
namespace {

class FilesContract : public ::testing::Test {
protected:
    IFiles& Files = Env().Platform.Files;
    IClock& Clock = Env().Platform.Clock;

    std::string Path(const std::string& relative) const { return Env().Scratch + relative; }

    bool Write(const std::string& path, std::string_view content) {
        UniqueFile f(Files, Files.CreateFileA(path, kGenericRead | kGenericWrite, 0, kCreateAlways,
                                              kFileAttributeNormal));
        if (!f) return false;
        std::uint32_t written = 0;
        return Files.WriteFile(f.Get(), content.data(), static_cast<std::uint32_t>(content.size()),
                               written) &&
               written == content.size();
    }

    std::optional<std::string> Read(const std::string& path) {
        UniqueFile f(Files, Files.CreateFileA(path, kGenericRead, kFileShareRead, kOpenExisting, 0));
        if (!f) return std::nullopt;
        std::string content(4096, '\0');
        std::uint32_t read = 0;
        if (!Files.ReadFile(f.Get(), content.data(), 4096, read)) return std::nullopt;
        content.resize(read);
        return content;
    }

    std::vector<std::string> List(const std::string& pattern) {
        std::vector<std::string> names;
        TFindData found;
        FindHandle find = Files.FindFirstFileA(pattern, found);
        if (find == kNoFind) return names;
        do
            names.push_back(found.Name);
        while (Files.FindNextFileA(find, found));
        EXPECT_EQ(Files.LastError(), kErrorNoMoreFiles);
        Files.FindClose(find);
        return names;
    }
};

TEST_F(FilesContract, Windows1252NamesAreFoundAgainIgnoringCase) {
    ASSERT_TRUE(Files.CreateDirectoryA(Path("Modèles")));
    ASSERT_TRUE(Write(Path("Modèles\\Mémo été.rtf"), "{\\rtf1 Mémo}"));

    TFindData found;
    FindHandle find = Files.FindFirstFileA(Path("MODÈLES\\MÉMO ÉTÉ.RTF"), found);
    ASSERT_NE(find, kNoFind) << Files.LastError();
    Files.FindClose(find);
    EXPECT_EQ(found.Name, "Mémo été.rtf") << "the case it was created with";
    EXPECT_EQ(found.Size, 12u);
    EXPECT_EQ(found.Attributes & kFileAttributeDirectory, 0u);
    EXPECT_EQ(Read(Path("modèles\\mémo été.RTF")), "{\\rtf1 Mémo}");
    EXPECT_NE(Files.GetFileAttributesA(Path("MODÈLES")) & kFileAttributeDirectory, 0u);
}

TEST_F(FilesContract, LastWriteTimeRoundTripsAtDosPrecision) {
    const std::string path = Path("stamp.zlx");
    ASSERT_TRUE(Write(path, "x"));
    const std::uint16_t dosDate = (2017 - 1980) << 9 | 4 << 5 | 14, dosTime = 9 << 11 | 41 << 5 | 24 / 2;
    FileTime local = 0, utc = 0;
    ASSERT_TRUE(Clock.DosDateTimeToFileTime(dosDate, dosTime, local));
    ASSERT_TRUE(Clock.LocalFileTimeToFileTime(local, utc));
    {
        UniqueFile f(Files, Files.CreateFileA(path, kGenericWrite, kFileShareRead, kOpenExisting,
                                              kFileAttributeNormal | kFileFlagSequentialScan));
        ASSERT_TRUE(f);
        ASSERT_TRUE(Files.SetFileTime(f.Get(), nullptr, nullptr, &utc));
    }
    UniqueFile f(Files, Files.CreateFileA(path, kGenericRead, kFileShareRead, kOpenExisting, 0));
    ASSERT_TRUE(f);
    FileTime written = 0, backLocal = 0;
    ASSERT_TRUE(Files.GetFileTime(f.Get(), nullptr, nullptr, &written));
    EXPECT_EQ(written, utc);
    ASSERT_TRUE(Clock.FileTimeToLocalFileTime(written, backLocal));
    std::uint16_t date = 0, tod = 0;
    ASSERT_TRUE(Clock.FileTimeToDosDateTime(backLocal, date, tod));
    EXPECT_EQ(date, dosDate);
    EXPECT_EQ(tod, dosTime);
    EXPECT_EQ(Files.GetFileSize(f.Get()), 1u);
}

TEST_F(FilesContract, SettingOnlyTheLastWriteTimeOnTheWritingHandleSticks) {
    // The file's data and its stamp written through one handle, then closed: the stamp is what remains.
    const std::string path = Path("one-handle.bin");
    FileTime stamp = 0;
    ASSERT_TRUE(Clock.DosDateTimeToFileTime((2001 - 1980) << 9 | 6 << 5 | 1, 8 << 11, stamp));
    {
        UniqueFile f(Files, Files.CreateFileA(path, kGenericRead | kGenericWrite, 0, kCreateAlways,
                                              kFileAttributeNormal));
        ASSERT_TRUE(f);
        std::uint32_t written = 0;
        ASSERT_TRUE(Files.WriteFile(f.Get(), "abc", 3, written));
        ASSERT_TRUE(Files.SetFileTime(f.Get(), nullptr, nullptr, &stamp));
    }
    TFindData found;
    FindHandle find = Files.FindFirstFileA(path, found);
    ASSERT_NE(find, kNoFind);
    Files.FindClose(find);
    EXPECT_EQ(found.LastWriteTime, stamp);
    EXPECT_EQ(found.Size, 3u);
}

TEST_F(FilesContract, CreationDispositions) {
    const std::string path = Path("disposition.txt");
    ASSERT_TRUE(Write(path, "first"));
    EXPECT_EQ(Files.CreateFileA(path, kGenericWrite, 0, kCreateNew, kFileAttributeNormal), kNoFile);
    EXPECT_EQ(Files.LastError(), kErrorFileExists);

    UniqueFile again(Files, Files.CreateFileA(path, kGenericWrite, 0, kCreateAlways, kFileAttributeNormal));
    ASSERT_TRUE(again);
    EXPECT_EQ(Files.LastError(), kErrorAlreadyExists) << "CREATE_ALWAYS over an existing file says so";
    EXPECT_EQ(Files.GetFileSize(again.Get()), 0u) << "and truncates it";
    again.Reset();

    EXPECT_EQ(Files.CreateFileA(Path("absent.txt"), kGenericRead, 0, kOpenExisting, 0), kNoFile);
    EXPECT_EQ(Files.LastError(), kErrorFileNotFound);
    EXPECT_EQ(Files.CreateFileA(Path("no folder\\a.txt"), kGenericWrite, 0, kCreateAlways, 0), kNoFile);
    EXPECT_EQ(Files.LastError(), kErrorPathNotFound);
    EXPECT_EQ(Files.CreateFileA(Env().Scratch, kGenericWrite, 0, kCreateAlways, 0), kNoFile) << "a folder";
}

TEST_F(FilesContract, EmptyFileIsCreatedEmpty) {
    ASSERT_TRUE(Write(Path("userdicen.tlx"), ""));
    EXPECT_EQ(Read(Path("userdicen.tlx")), "");
}

TEST_F(FilesContract, FileOpenWithoutSharingRefusesASecondOpen) {
    const std::string path = Path("busy.dat");
    ASSERT_TRUE(Write(path, "data"));
    UniqueFile holder(Files, Files.CreateFileA(path, kGenericRead, 0, kOpenExisting, 0));
    ASSERT_TRUE(holder);
    EXPECT_EQ(Files.CreateFileA(path, kGenericRead, kFileShareRead | kFileShareWrite, kOpenExisting, 0),
              kNoFile);
    EXPECT_EQ(Files.LastError(), kErrorSharingViolation);
    EXPECT_EQ(Files.CreateFileA(path, kGenericRead | kGenericWrite, 0, kCreateAlways, 0), kNoFile);
    EXPECT_EQ(Files.LastError(), kErrorSharingViolation);
    EXPECT_FALSE(Files.DeleteFileA(path));
    holder.Reset();
    UniqueFile after(Files, Files.CreateFileA(path, kGenericRead, kFileShareRead, kOpenExisting, 0));
    EXPECT_TRUE(after) << "free again once closed";
}

TEST_F(FilesContract, ReadersSharingReadMayOpenTogether) {
    const std::string path = Path("shared.dat");
    ASSERT_TRUE(Write(path, "data"));
    UniqueFile a(Files, Files.CreateFileA(path, kGenericRead, kFileShareRead, kOpenExisting, 0));
    UniqueFile b(Files, Files.CreateFileA(path, kGenericRead, kFileShareRead, kOpenExisting, 0));
    EXPECT_TRUE(a);
    EXPECT_TRUE(b);
    EXPECT_EQ(Files.CreateFileA(path, kGenericWrite, kFileShareRead, kOpenExisting, 0), kNoFile)
        << "a writer is refused while readers do not share writing";
    EXPECT_EQ(Files.LastError(), kErrorSharingViolation);
}

TEST_F(FilesContract, FoldersAreCreatedListedAndRemoved) {
    ASSERT_TRUE(Files.CreateDirectoryA(Path("Collections d'inserts")));
    EXPECT_FALSE(Files.CreateDirectoryA(Path("COLLECTIONS D'INSERTS")));
    EXPECT_EQ(Files.LastError(), kErrorAlreadyExists);
    EXPECT_FALSE(Files.CreateDirectoryA(Path("missing\\child")));
    EXPECT_EQ(Files.LastError(), kErrorPathNotFound);
    ASSERT_TRUE(Write(Path("Collections d'inserts\\Étoile 1.gif"), "GIF89a"));
    ASSERT_TRUE(Write(Path("Collections d'inserts\\Étoile 2.gif"), "GIF89a"));

    auto names = List(Path("Collections d'inserts\\*"));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Étoile 1.gif", "Étoile 2.gif"}));
    EXPECT_EQ(List(Path("Collections d'inserts\\étoile 2.*")), std::vector<std::string>{"Étoile 2.gif"});
    EXPECT_TRUE(List(Path("Collections d'inserts\\*.png")).empty());
    EXPECT_EQ(Files.LastError(), kErrorFileNotFound);

    EXPECT_FALSE(Files.RemoveDirectoryA(Path("Collections d'inserts")));
    EXPECT_EQ(Files.LastError(), kErrorDirNotEmpty);
    ASSERT_TRUE(Files.DeleteFileA(Path("Collections d'inserts\\Étoile 1.gif")));
    ASSERT_TRUE(Files.DeleteFileA(Path("Collections d'inserts\\ÉTOILE 2.GIF")));
    EXPECT_TRUE(Files.RemoveDirectoryA(Path("Collections d'inserts")));
    EXPECT_EQ(Files.GetFileAttributesA(Path("Collections d'inserts")), kInvalidFileAttributes);
    EXPECT_EQ(Files.LastError(), kErrorFileNotFound);
}

TEST_F(FilesContract, ReadOnlyFilesCannotBeDeleted) {
    const std::string path = Path("readonly.txt");
    ASSERT_TRUE(Write(path, "keep"));
    ASSERT_TRUE(Files.SetFileAttributesA(path, kFileAttributeReadOnly));
    EXPECT_NE(Files.GetFileAttributesA(path) & kFileAttributeReadOnly, 0u);
    EXPECT_FALSE(Files.DeleteFileA(path));
    EXPECT_EQ(Files.LastError(), kErrorAccessDenied);
    ASSERT_TRUE(Files.SetFileAttributesA(path, kFileAttributeNormal));
    EXPECT_TRUE(Files.DeleteFileA(path));
}

} // namespace
} // namespace ulv::contract
