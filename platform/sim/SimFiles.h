#pragma once
#include "SimChanges.h"
#include "SimClock.h"
#include "SimPaths.h"
#include "SimVolumes.h"
#include "platform/Files.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace ulv::sim {

// A path that needs more links resolved than Windows allows (63) fails with ERROR_CANT_RESOLVE_FILENAME.
constexpr std::uint32_t kErrorCantResolveFilename = 1921;
constexpr int kMaxLinkSubstitutions = 63;

// An in-memory file system with the behaviour of NTFS seen through kernel32: the drive letters and network
// shares of a SimVolumes table (a path on a drive that is absent fails with ERROR_PATH_NOT_FOUND, one on an
// undeclared share with ERROR_BAD_NETPATH), case-insensitive and case-preserving names, attributes, times,
// handles that enforce sharing, volume handles ("\\.\C:") answering the storage-property query, one
// current directory for the whole process and a settable temporary path. Every path goes through
// GetFullPathNameA first, so relative paths, "/" and "." and ".." behave as on Windows.
//
// Junctions (folder entries with FILE_ATTRIBUTE_REPARSE_POINT) lead every path that goes through them to
// their target, which may be missing, on another drive or an ancestor of the link. The name of a link itself
// is the link: GetFileAttributesA, FindFirstFileA on its folder, DeleteFileA, RemoveDirectoryA and
// MoveFileExA see the link (0x410) and never its target; GetFullPathNameA keeps the link's name. Only
// FindFirstFileA("link\*"), SetCurrentDirectoryA and CreateFileA go on to the target, and CreateFileA never
// creates the target itself (a link names a folder: ERROR_ACCESS_DENIED; a missing target gives
// ERROR_FILE_NOT_FOUND). Below a missing target paths fail with ERROR_PATH_NOT_FOUND; a path still leading
// through a link after kMaxLinkSubstitutions of them fails with ERROR_CANT_RESOLVE_FILENAME.
//
// Every entry has an owner (a string SID): the process's creator owner for what the program makes, the set-up
// owner for what the test helpers make (both the Administrators group unless a test says otherwise). A
// folder keeps the DACL it was made with as its SDDL text (the "D:" part, stored as given); one made
// without a descriptor has none, as nothing is inherited here, and GetSecuritySddl then gives its owner
// alone. Well-known owners are spelt as Windows spells them ("O:BA", "O:SY"). A move
// keeps the owner, CREATE_ALWAYS over an existing file keeps its owner too, as on NTFS. Drives whose file
// system is not NTFS keep no owners. Handles stay on what they were opened on when it is moved or renamed.
// With a SimChanges attached, every change is numbered and can be stopped (SimChanges.h).
class SimFiles final : public IFiles {
public:
    SimFiles(SimClock& clock, SimVolumes& volumes);

    void AttachChanges(SimChanges& changes);
    // The owner of what the program creates from now on (an elevated administrator's: Administrators).
    void SetCreatorOwner(const std::string& sid);
    // The owner of what the set-up helpers create from now on.
    void SetSetupOwner(const std::string& sid);
    // Test set-up: the owner of an existing entry (a link itself, never what it leads to).
    bool SetOwner(const std::string& path, const std::string& sid);
    [[nodiscard]] std::optional<std::string> OwnerOf(const std::string& path) const;
    // Test set-up: the DACL of an existing entry, as the "D:" part of SDDL (what it inherits from a drive
    // root, or what a user gave it); empty for none.
    bool SetDacl(const std::string& path, const std::string& dacl);
    // The "D:" part an entry was given (empty when none); nullopt when nothing stands at the path.
    [[nodiscard]] std::optional<std::string> DaclOf(const std::string& path) const;
    // Test set-up, a user's doing while the program runs: moves an entry (a link itself) elsewhere, as a
    // rename of the user's own folder would; not a numbered change, and sharing is respected.
    bool UserMove(const std::string& from, const std::string& to);
    // Closes every handle the program left open, as the system does when its process ends.
    void CloseAllHandles();

    // A fixed SATA drive with default geometry.
    void AddDrive(char letter);
    void SetTempPath(const std::string& path);
    // Fault injection: the next `times` CreateFileA calls on the path fail with `error`; while they are to
    // come, GetFileAttributesA of a path where nothing stands fails with `error` too.
    void InjectCreateFailure(const std::string& path, int times, std::uint32_t error);
    // Fault injection: the next WriteFile on a handle of the file stores at most `bytes` bytes and fails
    // with ERROR_DISK_FULL when that is fewer than asked.
    void ShortenNextWrite(const std::string& path, std::uint32_t bytes);
    // Fault injection: the next CreateFileA of the path throws std::runtime_error, as a failure the program
    // cannot foresee would reach its edge (memory running out, a thread that cannot be started).
    void ThrowOnNextCreate(const std::string& path);
    // Fault injection: the next `times` MoveFileExA calls fail with `error`, moving nothing.
    void InjectMoveFailure(int times, std::uint32_t error);
    [[nodiscard]] int SetCurrentDirectoryCalls() const;
    // Test set-up helpers: create a file (and its folders) with content and a last-write time.
    bool PutFile(const std::string& path, std::string_view content, FileTime lastWrite = 0);
    bool PutFolder(const std::string& path);
    // Test set-up helper: a junction at `linkPath` (its folders created) to `targetPath`, which need not
    // exist; false when something already stands at `linkPath` or a path is invalid.
    bool PutFolderLink(const std::string& linkPath, const std::string& targetPath);
    // Test set-up helper: a symbolic link to a file at `linkPath` (its folder must exist); CreateFileA
    // follows it unless kFileFlagOpenReparsePoint is given, every call that names it otherwise sees the link
    // (0x420).
    bool PutFileLink(const std::string& linkPath, const std::string& targetPath);
    [[nodiscard]] std::optional<std::string> FileContent(const std::string& path) const;
    [[nodiscard]] std::optional<FileTime> LastWriteOf(const std::string& path) const;
    // The program's own handles that are open.
    [[nodiscard]] size_t OpenHandleCount() const;
    // Test set-up, another process's doing: a handle of its own on an existing file (kNoFile when there is
    // none), which the program's opens, moves and deletions meet as they meet its own handles; the program
    // cannot close it, nor does CloseAllHandles. ReleaseElsewhere closes it.
    FileHandle HoldElsewhere(const std::string& path, std::uint32_t access, std::uint32_t share);
    void ReleaseElsewhere(FileHandle handle);
    // Who has the file a path names (a link to a file followed) open: the program itself, and the handles
    // of other processes that HoldElsewhere gave.
    struct TFileUsers {
        bool Program = false;
        std::vector<FileHandle> Elsewhere;
    };
    [[nodiscard]] TFileUsers UsersOf(const std::string& path) const;

    FileHandle CreateFileA(const std::string& path, std::uint32_t access, std::uint32_t share,
                           std::uint32_t disposition, std::uint32_t flagsAndAttributes) override;
    bool WriteFile(FileHandle file, const void* data, std::uint32_t size, std::uint32_t& written) override;
    bool ReadFile(FileHandle file, void* data, std::uint32_t size, std::uint32_t& read) override;
    bool SetFileTime(FileHandle file, const FileTime* creation, const FileTime* lastAccess,
                     const FileTime* lastWrite) override;
    bool GetFileTime(FileHandle file, FileTime* creation, FileTime* lastAccess, FileTime* lastWrite) override;
    std::optional<std::uint64_t> GetFileSize(FileHandle file) override;
    bool CloseHandle(FileHandle file) override;
    bool DeleteFileA(const std::string& path) override;
    bool CreateDirectoryA(const std::string& path) override;
    bool CreateDirectoryWithSddl(const std::string& path, const std::string& sddl) override;
    bool RemoveDirectoryA(const std::string& path) override;
    std::uint32_t GetFileAttributesA(const std::string& path) override;
    bool SetFileAttributesA(const std::string& path, std::uint32_t attributes) override;
    FindHandle FindFirstFileA(const std::string& pattern, TFindData& found) override;
    bool FindNextFileA(FindHandle find, TFindData& found) override;
    bool FindClose(FindHandle find) override;
    bool MoveFileExA(const std::string& from, const std::string& to, std::uint32_t flags) override;
    bool DeviceIoControl(FileHandle device, std::uint32_t controlCode, const void* in, std::uint32_t inSize,
                         void* out, std::uint32_t outSize, std::uint32_t& returned) override;
    std::string GetCurrentDirectoryA() override;
    bool SetCurrentDirectoryA(const std::string& path) override;
    std::optional<std::string> GetFullPathNameA(const std::string& path) override;
    std::string GetTempPathA() override;
    std::uint32_t LastError() const override;
    bool GetFileInformationByHandle(FileHandle file, TFileInformation& info) override;
    std::optional<std::string> GetOwnerSid(FileHandle file) override;
    std::optional<std::string> GetSecuritySddl(FileHandle file) override;
    bool DeleteByHandle(FileHandle file) override;

private:
    struct Node {
        std::string Name; // last component, case as created
        bool Directory = false;
        std::uint32_t Attributes = kFileAttributeArchive;
        FileTime Creation = 0, LastAccess = 0, LastWrite = 0;
        std::shared_ptr<std::vector<std::uint8_t>> Data = std::make_shared<std::vector<std::uint8_t>>();
        std::string Target; // a junction's full target path; empty for every other entry
        std::string Owner;
        std::string Dacl; // the "D:" part of SDDL it was given; empty for none
        bool DeletePending = false;
    };
    struct OpenFile {
        std::string Key; // empty for a volume
        std::uint32_t Access = 0;
        std::uint32_t Share = 0;
        std::uint64_t Position = 0;
        char Volume = 0;        // the drive letter of a volume handle
        bool Dead = false;      // given after the program was stopped: it reaches nothing
        bool Elsewhere = false; // another process's
    };
    struct CreateFailure {
        int Times = 0;
        std::uint32_t Error = 0;
    };
    struct Search {
        std::vector<TFindData> Results;
        size_t Next = 0;
    };
    struct Parsed {
        std::string Key;      // upper-cased canonical path, "C:" or "\\SERVER\SHARE" for a root
        std::string RootKey;  // the key of the root
        size_t ParentEnd = 0; // where the parent folder's key ends in Key; 0 for a root
        std::string Name;     // last component as written
        std::string Full;     // the full path, case as written, links not resolved
        bool IsRoot = false;
        bool LastWasLink = false; // the last component was a link and the key is its target's
        bool ToFile = false;      // that link is a symbolic link to a file

        [[nodiscard]] std::string_view ParentKey() const {
            return std::string_view(Key).substr(0, ParentEnd);
        }
    };
    // Whether a link named by the last component of a path is the entry itself or leads on to its target.
    enum class TLastLink { Kept, Followed };
    struct LinkAt {
        size_t Component = 0;
        const Node* Link = nullptr;
    };

    [[nodiscard]] std::optional<Parsed> Parse(const std::string& path,
                                              TLastLink lastLink = TLastLink::Kept) const;
    bool Resolve(TPathParts parts, TLastLink lastLink, Parsed& p) const;
    [[nodiscard]] std::optional<LinkAt> FirstLink(const TPathParts& parts, TLastLink lastLink,
                                                  std::string& key, size_t& walked) const;
    [[nodiscard]] std::uint32_t LinkOpenError(const Parsed& p) const;
    [[nodiscard]] bool RootIsReachable(const std::string& root) const;
    [[nodiscard]] bool IsFolderKey(std::string_view key) const;
    FileHandle OpenVolume(char letter, std::uint32_t access, std::uint32_t share);
    bool QueryStorageProperty(const OpenFile& volume, const void* in, std::uint32_t inSize, void* out,
                              std::uint32_t outSize, std::uint32_t& returned);
    bool MoveNode(const Parsed& from, const Parsed& to);
    bool ApplyShortWrite(const std::string& key, std::uint32_t& size);
    [[nodiscard]] bool ParentIsFolder(const Parsed& p) const;
    [[nodiscard]] bool SharingAllows(const std::string& key, std::uint32_t access, std::uint32_t share) const;
    [[nodiscard]] bool HasOpenHandles(const std::string& key) const;
    [[nodiscard]] bool HandlesAllowDelete(const std::string& key) const;
    bool Fail(std::uint32_t error) const;
    FileHandle OpenNode(const std::string& key, std::uint32_t access, std::uint32_t share);
    bool MakeFolderChain(const Parsed& p);
    bool MakeFolder(const std::string& path, const std::optional<std::string>& dacl);
    [[nodiscard]] TFindData FindDataOf(const Node& node, const std::string& name) const;
    // Numbers a change of the program's; false when the program is stopped (the caller pretends success).
    [[nodiscard]] bool Change(std::string_view what, const std::string& path);
    [[nodiscard]] bool StillThere(const std::string& key);
    FileHandle DeadHandle();
    [[nodiscard]] bool IsDead(FileHandle file) const;
    [[nodiscard]] Node* NodeOf(FileHandle file);
    // The node a path names, its last link followed; nullptr when there is none. The caller holds Lock.
    [[nodiscard]] const Node* NodeAt(const std::string& path) const;
    [[nodiscard]] Node* NodeAt(const std::string& path) {
        return const_cast<Node*>(std::as_const(*this).NodeAt(path));
    }
    [[nodiscard]] bool KeepsOwners(const std::string& rootKey) const;
    [[nodiscard]] const std::string& NewOwner() const;
    FileHandle OpenFolder(const Parsed& p, std::uint32_t access, std::uint32_t share,
                          std::uint32_t disposition);
    bool RemoveOnLastClose(const std::string& key);
    void PutLinkNode(const Parsed& p, const std::string& target, bool folder);
    bool PutFileQuietly(const std::string& path, std::string_view content, FileTime lastWrite);

    SimClock& Clock;
    SimVolumes& Volumes;
    mutable std::recursive_mutex Lock;
    std::string CurrentDirectory = "C:\\";
    std::string TempPath = "C:\\users\\test\\Temp\\";
    int CurrentDirectorySets = 0;
    std::map<std::string, CreateFailure> CreateFailures;
    std::set<std::string> CreateThrows;
    std::map<std::string, std::uint32_t> ShortWrites;
    CreateFailure MoveFailure;
    std::map<std::string, Node, std::less<>> Nodes; // by upper-cased canonical path
    std::map<FileHandle, OpenFile> Handles;
    std::map<FindHandle, Search> Searches;
    std::uintptr_t NextHandle = 0x100;
    SimChanges* Changes = nullptr;
    int SetupDepth = 0; // inside a set-up helper: nothing is numbered
    std::string CreatorOwner = kSidAdministrators;
    std::string SetupOwner = kSidAdministrators;
};

} // namespace ulv::sim
