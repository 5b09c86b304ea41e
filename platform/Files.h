#pragma once
#include "Win32Types.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ulv {

using FileHandle = std::uintptr_t; // opaque; kNoFile is never a valid handle
constexpr FileHandle kNoFile = 0;
using FindHandle = std::uintptr_t;
constexpr FindHandle kNoFind = 0;

struct TFindData {
    std::uint32_t Attributes = 0;
    FileTime CreationTime = 0;
    FileTime LastAccessTime = 0;
    FileTime LastWriteTime = 0;
    std::uint64_t Size = 0;
    std::string Name; // the name as stored, case preserved, without its folder
};

// What GetFileInformationByHandle tells of an open file or folder.
struct TFileInformation {
    std::uint32_t Attributes = 0; // FILE_ATTRIBUTE_REPARSE_POINT for a link opened as itself
    FileTime LastWriteTime = 0;
    std::uint64_t Size = 0;
    std::uint32_t NumberOfLinks = 0; // more than 1: other names lead to the same file
};

// Owners that only an administrator can give an object.
inline constexpr const char* kSidAdministrators = "S-1-5-32-544";
inline constexpr const char* kSidLocalSystem = "S-1-5-18";
inline constexpr const char* kSidTrustedInstaller =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

constexpr std::uint32_t kIoctlStorageQueryProperty = 0x002D1400;

constexpr std::uint32_t kMoveFileReplaceExisting = 0x1;
constexpr std::uint32_t kMoveFileCopyAllowed = 0x2;
constexpr std::uint32_t kMoveFileWriteThrough = 0x8;

// Files and folders, with the semantics of the kernel32 calls of the same names (ANSI names in the system
// code page). Every call that fails returns its failure value and leaves the reason in LastError(), which is
// per thread, as GetLastError is.
class IFiles {
public:
    virtual ~IFiles() = default;

    // kNoFile on failure. Sharing is enforced: an open whose access conflicts with the sharing of a handle
    // already open on the file, or whose sharing does not allow an open handle's access, fails with
    // ERROR_SHARING_VIOLATION. CREATE_ALWAYS on a read-only file fails with ERROR_ACCESS_DENIED.
    // kFileFlagBackupSemantics lets an existing folder be opened (kOpenExisting; without it a folder gives
    // ERROR_ACCESS_DENIED). kFileFlagOpenReparsePoint opens a link named by the last component as itself
    // (its attributes then show FILE_ATTRIBUTE_REPARSE_POINT), never what it leads to; links on the way to
    // it are followed either way. A folder held open without FILE_SHARE_DELETE cannot be renamed, moved or
    // removed by anyone (ERROR_SHARING_VIOLATION) until the handle is closed. kDeleteAccess is the access
    // DeleteByHandle needs, kReadControl the one GetOwnerSid needs; neither reads or writes data.
    [[nodiscard]] virtual FileHandle CreateFileA(const std::string& path, std::uint32_t access,
                                                 std::uint32_t share, std::uint32_t disposition,
                                                 std::uint32_t flagsAndAttributes) = 0;
    // Writes at the file position; `written` tells how many bytes were stored, which may be fewer than
    // asked when the disk is full (the call then fails).
    [[nodiscard]] virtual bool WriteFile(FileHandle file, const void* data, std::uint32_t size,
                                         std::uint32_t& written) = 0;
    [[nodiscard]] virtual bool ReadFile(FileHandle file, void* data, std::uint32_t size,
                                        std::uint32_t& read) = 0;
    // Null pointers leave the corresponding time unchanged.
    [[nodiscard]] virtual bool SetFileTime(FileHandle file, const FileTime* creation,
                                           const FileTime* lastAccess, const FileTime* lastWrite) = 0;
    [[nodiscard]] virtual bool GetFileTime(FileHandle file, FileTime* creation, FileTime* lastAccess,
                                           FileTime* lastWrite) = 0;
    [[nodiscard]] virtual std::optional<std::uint64_t> GetFileSize(FileHandle file) = 0;
    virtual bool CloseHandle(FileHandle file) = 0;
    // GetFileInformationByHandle: what the handle is open on, whatever its name has become since.
    [[nodiscard]] virtual bool GetFileInformationByHandle(FileHandle file, TFileInformation& info) = 0;
    // GetSecurityInfo (SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION) with ConvertSidToStringSidA: the owner of
    // what the handle is open on as a string SID ("S-1-5-32-544"); nullopt when the call fails or the file
    // system keeps no owners (FAT). The handle needs kReadControl.
    [[nodiscard]] virtual std::optional<std::string> GetOwnerSid(FileHandle file) = 0;
    // GetSecurityInfo (SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION) with
    // ConvertSecurityDescriptorToStringSecurityDescriptorA (SDDL_REVISION_1): the owner and the DACL of what
    // the handle is open on, as SDDL ("O:BAD:P(A;OICI;FA;;;SY)..."); the system chooses the spelling (an
    // alias or a string SID, letters or a hex mask, the order of flags). nullopt when the call fails or the
    // file system keeps no security (FAT). The handle needs kReadControl.
    [[nodiscard]] virtual std::optional<std::string> GetSecuritySddl(FileHandle file) = 0;
    // SetFileInformationByHandle with FileDispositionInfo (DeleteFile TRUE): what the handle is open on is
    // deleted when its last handle closes, under whatever name it has by then; a link opened with
    // kFileFlagOpenReparsePoint goes as a link, what it leads to is untouched. The handle needs
    // kDeleteAccess. A folder that is not empty fails with ERROR_DIR_NOT_EMPTY, a read-only file with
    // ERROR_ACCESS_DENIED; on failure nothing is marked.
    [[nodiscard]] virtual bool DeleteByHandle(FileHandle file) = 0;

    [[nodiscard]] virtual bool DeleteFileA(const std::string& path) = 0;
    [[nodiscard]] virtual bool CreateDirectoryA(const std::string& path) = 0;
    // CreateDirectoryA with SECURITY_ATTRIBUTES holding the descriptor that
    // ConvertStringSecurityDescriptorToSecurityDescriptorA makes of `sddl`: the folder has that DACL from
    // the moment it exists. A text without a DACL fails with ERROR_INVALID_PARAMETER, one whose entries are
    // malformed with ERROR_INVALID_ACL; either makes nothing. A file system that keeps no security (FAT)
    // makes the folder without it.
    [[nodiscard]] virtual bool CreateDirectoryWithSddl(const std::string& path, const std::string& sddl) = 0;
    [[nodiscard]] virtual bool RemoveDirectoryA(const std::string& path) = 0;
    [[nodiscard]] virtual std::uint32_t GetFileAttributesA(const std::string& path) = 0;
    [[nodiscard]] virtual bool SetFileAttributesA(const std::string& path, std::uint32_t attributes) = 0;

    // The pattern is a folder, a backslash and a name that may hold * and ?; names match ignoring case.
    [[nodiscard]] virtual FindHandle FindFirstFileA(const std::string& pattern, TFindData& found) = 0;
    [[nodiscard]] virtual bool FindNextFileA(FindHandle find, TFindData& found) = 0;
    virtual bool FindClose(FindHandle find) = 0;

    // MoveFileExA: renames or moves a file (or a folder within its volume). With kMoveFileReplaceExisting an
    // existing target file is replaced in one step: afterwards the target is either the old file untouched
    // (the call failed) or the moved one whole, never a mix or nothing; without it an existing target fails
    // with ERROR_ALREADY_EXISTS. Replacing a read-only target, a folder, or a target open without
    // FILE_SHARE_DELETE fails with ERROR_ACCESS_DENIED; a source open without FILE_SHARE_DELETE fails with
    // ERROR_SHARING_VIOLATION. kMoveFileWriteThrough
    // returns only once the move is on the disk. A move to another volume needs kMoveFileCopyAllowed (else
    // ERROR_NOT_SAME_DEVICE). On failure nothing has moved.
    [[nodiscard]] virtual bool MoveFileExA(const std::string& from, const std::string& to,
                                           std::uint32_t flags) = 0;

    // DeviceIoControl on a handle from CreateFileA (a volume is opened as "\\.\C:"). `returned` is the
    // number of output bytes written.
    [[nodiscard]] virtual bool DeviceIoControl(FileHandle device, std::uint32_t controlCode, const void* in,
                                               std::uint32_t inSize, void* out, std::uint32_t outSize,
                                               std::uint32_t& returned) = 0;

    // The process's current directory, as GetCurrentDirectoryA reports it: absolute, backslashes, no trailing
    // backslash except at a drive root ("C:\"). One per process, shared by all threads.
    [[nodiscard]] virtual std::string GetCurrentDirectoryA() = 0;
    [[nodiscard]] virtual bool SetCurrentDirectoryA(const std::string& path) = 0;
    // The absolute form GetFullPathNameA gives: relative paths taken from the current directory, "/" made
    // "\", "." and ".." resolved, a trailing backslash kept; nullopt on failure.
    [[nodiscard]] virtual std::optional<std::string> GetFullPathNameA(const std::string& path) = 0;
    // The temporary folder with a trailing backslash (it need not exist): GetTempPath2A where the system
    // has it (a process running as SYSTEM then gets the system's own, which users cannot write), else
    // GetTempPathA.
    [[nodiscard]] virtual std::string GetTempPathA() = 0;

    [[nodiscard]] virtual std::uint32_t LastError() const = 0;
};

// Owns an open file of an IFiles; closes it once.
class UniqueFile {
public:
    UniqueFile() = default;
    UniqueFile(IFiles& files, FileHandle handle) : Files(&files), Handle(handle) {}
    UniqueFile(UniqueFile&& other) noexcept : Files(other.Files), Handle(other.Release()) {}
    UniqueFile& operator=(UniqueFile&& other) noexcept {
        if (this != &other) {
            Reset();
            Files = other.Files;
            Handle = other.Release();
        }
        return *this;
    }
    UniqueFile(const UniqueFile&) = delete;
    UniqueFile& operator=(const UniqueFile&) = delete;
    ~UniqueFile() { Reset(); }

    [[nodiscard]] FileHandle Get() const { return Handle; }
    explicit operator bool() const { return Handle != kNoFile; }
    FileHandle Release() {
        FileHandle h = Handle;
        Handle = kNoFile;
        return h;
    }
    // Closes now; false when the close itself failed (a write-behind error, for instance).
    bool Reset() {
        if (Handle == kNoFile) return true;
        bool ok = Files->CloseHandle(Handle);
        Handle = kNoFile;
        return ok;
    }

private:
    IFiles* Files = nullptr;
    FileHandle Handle = kNoFile;
};

// Owns a search of an IFiles: FindFirstFileA at construction, FindClose once at the end.
class UniqueFind {
public:
    UniqueFind(IFiles& files, const std::string& pattern, TFindData& first)
        : Files(files), Handle(files.FindFirstFileA(pattern, first)) {}
    UniqueFind(const UniqueFind&) = delete;
    UniqueFind& operator=(const UniqueFind&) = delete;
    ~UniqueFind() {
        if (Handle != kNoFind) (void)Files.FindClose(Handle);
    }

    explicit operator bool() const { return Handle != kNoFind; }
    // The next entry; false at the end, or when the search failed.
    [[nodiscard]] bool Next(TFindData& found) {
        return Handle != kNoFind && Files.FindNextFileA(Handle, found);
    }

private:
    IFiles& Files;
    FindHandle Handle;
};

} // namespace ulv
