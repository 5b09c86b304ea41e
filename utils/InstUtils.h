#pragma once
// Unit InstUtils: path arithmetic and special folders, directory and file operations, temporary files and
// the install log, shell shortcuts, drive tests and cluster sizes. Pure text operations are free functions;
// everything that reaches the machine or keeps state is a member of TInstUtils, which the program owns once.
#include "platform/Platform.h"
#include "resources/ResConst.h"
#include "utils/DateTime.h"
#include "utils/LineIndex.h"
#include "utils/PackedLines.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ulv {

constexpr std::string_view kMadeDirPrefix = "Made Dir: ";
constexpr std::string_view kFileCopyPrefix = "File Copy: ";
constexpr std::string_view kInstallLogName = "Install.log";
constexpr std::string_view kShortcutName = "Traitement de texte Ulvara.lnk";
constexpr std::string_view kShortcutDescription =
    "Traitement de texte compact, rapide, puissant, et par dessus tout pratique.";
constexpr std::string_view kProgramName = "vlmr.exe";
constexpr std::int32_t kInvalidFileSize = -1;
constexpr std::uint64_t kFallbackClusterSize = 4096;
// Install.log comes from disk: anything beyond these is not a log this program wrote.
constexpr std::uint32_t kMaxInstallLogBytes = 16u << 20;
constexpr size_t kMaxInstallLogLines = 65536;
constexpr std::uint32_t kMaxJournalLine = 4096;

// An empty path stays empty; a final "/" becomes "\"; otherwise "\" is appended unless already there.
std::string& EnsureTrailingBackslash(std::string& path);
// The folder with its trailing backslash, then the name; an empty folder gives the name alone.
[[nodiscard]] std::string JoinPath(std::string folder, std::string_view name);
// The last character; the text must not be empty.
[[nodiscard]] char LastChar(std::string_view text);
void DeleteFirstChar(std::string& text);
void DeleteLastChar(std::string& text);
// "-" alone becomes "- "; any other text has every "&" doubled, so a label shows it literally.
[[nodiscard]] std::string CaptionLiteral(std::string_view text);
// Decimal text with a blank between groups of three digits: 1234567 -> "1 234 567", -1000 -> "-1 000".
[[nodiscard]] std::string GroupDigits(std::int64_t n);
// "~" and the ASCII letters of the setup's title: "~InstallationdutraitementdetexteUlvara".
[[nodiscard]] std::string TempNamePrefix();
// The path begins with an ASCII letter and a colon.
[[nodiscard]] bool StartsWithDriveLetter(std::string_view path);
// The drive part of a path: "C:" of "C:\Dest", "\\server\share" of a network path, else empty.
[[nodiscard]] std::string DrivePart(std::string_view path);

// A file is written beside its target under a name of ours, "~Ulvara" and a number and ".tmp", then moved
// over the target: no other program or earlier run of ours uses such names in the folders the setup writes.
constexpr std::string_view kWorkFilePrefix = "~Ulvara";
constexpr std::string_view kWorkFileSuffix = ".tmp";
// The registry key, below HKEY_CURRENT_USER, that holds the install log's lines as the run records them,
// until the log is stored: a run killed before that leaves them for the next one.
inline constexpr std::string_view kInstallJournalKey = "Software\\Ulvara Word Processor\\Install\\Journal";
inline constexpr std::string_view kJournalFolderValue = "Folder";

// A new file of ours in the folder (its path ends with a backslash, or is empty for the current folder),
// created new under the first free work-file name: nothing that stands at a name is opened, and no link is
// followed. nullopt (with the reason in `error`) when none of the names could be created.
[[nodiscard]] std::optional<std::pair<std::string, UniqueFile>>
NewWorkFile(IFiles& files, const std::string& folder, std::uint32_t access, std::uint32_t share,
            std::uint32_t* error = nullptr);
[[nodiscard]] bool IsWorkFileName(std::string_view name);

// Why a folder on the way to the shared data is not used.
enum class TRefusalKind { Link, Foreign };
struct TFolderRefusal {
    std::string Level; // the refused level, without its trailing backslash; empty when none is refused
    TRefusalKind Kind = TRefusalKind::Link;
    [[nodiscard]] explicit operator bool() const { return !Level.empty(); }
    bool operator==(const TFolderRefusal&) const = default;
};

// The protection of the program-files folder, for the program folder the setup makes: Administrators and
// SYSTEM in full control, Users reading and running, all of it inherited by what the folder will hold, and
// nothing taken from the folder's parent (a drive root lets every user change what is made in it).
inline constexpr std::string_view kProgramFolderSddl =
    "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// Whether a standard user may change a folder whose owner and DACL the SDDL gives: its owner is not the
// Administrators group, SYSTEM, TrustedInstaller or `ownSid` (the account the setup runs as), or an entry
// allows Users, Authenticated Users, Everyone or the interactive users to add, delete or replace what it
// holds, to delete it, or to change its DACL or owner (inherit-only entries count: they reach its
// content). Without an owner or a DACL in the text, that part is not judged; a null DACL allows all.
[[nodiscard]] bool StandardUserMayChange(std::string_view sddl, std::string_view ownSid);

struct TFileRead {
    std::string Content;
    bool Whole = false;
};
// The file's bytes from its start, at most maxBytes of them. Whole when they are all of it: its end was
// reached within the cap and without a read error. What was read before an error, or up to the cap, stays in
// Content; a file that cannot be opened gives none.
[[nodiscard]] TFileRead ReadFileCapped(IFiles& files, const std::string& path, std::uint64_t maxBytes);
// The whole file, or nullopt when it cannot be opened or read to its end, or holds more than maxBytes.
[[nodiscard]] std::optional<std::string> ReadWholeFile(IFiles& files, const std::string& path,
                                                       std::uint64_t maxBytes);

enum class TFileDateKind { Creation, LastWrite };

class TInstUtils {
public:
    explicit TInstUtils(TPlatform& platform);
    TInstUtils(const TInstUtils&) = delete;
    TInstUtils& operator=(const TInstUtils&) = delete;

    // Paths and special folders.
    [[nodiscard]] bool SameTextNoCase(const std::string& a, const std::string& b);
    [[nodiscard]] std::string ReadCurrentDirectory();
    void PushCurrentDirectory();
    // Does nothing when nothing was pushed.
    void PopCurrentDirectory();
    // True when the path names an existing folder in the absolute form the system reports (so false for
    // relative paths, "." or ".." parts and "/" separators). Never changes the current directory.
    [[nodiscard]] bool IsExistingDirectory(const std::string& path);
    // The folder of a CSIDL number without a trailing backslash; empty unless the lookup gives S_OK.
    [[nodiscard]] std::string GetSpecialFolder(int csidl);
    // The first level on the way from base (with its trailing backslash) down to the path below it that the
    // setup must not write through, judged on a handle opened on the level itself: a junction or symbolic
    // link, or a folder whose owner is not the Administrators group, SYSTEM, TrustedInstaller or the
    // account the setup runs as (a folder any user made where everyone may create one). Levels that do not
    // exist yet pass. The base itself is not judged.
    [[nodiscard]] TFolderRefusal FirstRefusedBelow(const std::string& base, const std::string& path);
    // The folder below which every level written into is judged as FirstRefusedBelow does (the common
    // application-data folder of an ordinary installation); empty, nothing is judged.
    void SetGuardedBase(const std::string& base);
    // True when the folder (ending with a backslash) lies below the guarded base and a level on its way is
    // refused; the refusal is kept for TakeRefusals. A level found sound once is not judged again in this
    // run: it belongs to an administrator, and no other user can rename or replace it.
    [[nodiscard]] bool RefusedOnGuardedWay(const std::string& folder);
    // The refusals RefusedOnGuardedWay met since the last call, each once. Thread-safe.
    [[nodiscard]] std::vector<TFolderRefusal> TakeRefusals();
    // The program folder of an ordinary installation: the topmost level MakeDirectoryTree makes on its way
    // there (the folder, or the highest of its missing parents) is made with kProgramFolderSddl, and the
    // levels below inherit from it. Empty: every folder is made as its parent has it.
    void SetProgramFolder(const std::string& folder);
    // Whether a standard user may change the existing folder (StandardUserMayChange), judged on a handle
    // opened on the folder itself; false when it cannot be opened or its security read.
    [[nodiscard]] bool OthersMayChange(const std::string& folder);
    // Whether the owner of what the handle is open on is one the setup trusts (see FirstRefusedBelow);
    // true on a file system that keeps no owners.
    [[nodiscard]] bool OwnedByTrusted(FileHandle handle);
    // The temporary folder, or the documents folder when it does not exist; with a trailing backslash.
    [[nodiscard]] std::string GetTempFolder();

    // Drives and disk space.
    [[nodiscard]] std::uint32_t GetDriveKind(const std::string& path);
    // Removable drives, and fixed disks on USB or IEEE 1394 or reporting removable media.
    [[nodiscard]] bool IsPortableDrive(const std::string& path);
    // Bytes per allocation unit of the volume that holds (or will hold) the folder; never 0. Never changes
    // the current directory.
    [[nodiscard]] std::uint64_t GetClusterSize(const std::string& folder);
    // The size's low 32 bits, or kInvalidFileSize when the file cannot be opened.
    [[nodiscard]] std::int32_t FileSizeOf(const std::string& path);
    // Kilobytes the folder's files take on their volume: each file rounded up to whole clusters of the
    // folder's volume, then truncated to whole kilobytes, summed over the tree. Links to other folders
    // (junctions, symbolic links) are not entered; a folder that cannot be listed counts 0.
    [[nodiscard]] std::int32_t InstalledSizeKB(const std::string& folder);

    // Directory and file operations.
    // Creates the folder and its missing ancestors, outermost first, logging each level tried.
    void MakeDirectoryTree(const std::string& path);
    // Replaces the file with exactly the content; creates no folder, logs nothing.
    bool WriteStringToFile(const std::string& path, std::string_view content);
    // Writes the file whole or not at all: the bytes go to a new work file of ours in the target's folder
    // (NewWorkFile), which gets the last-write time when one is given, is closed and only then moved over
    // the target in one rename; a link at the target's name is replaced, never followed. On failure the
    // target is as it was, the work file is removed, and `error` (when given) says why: a target that
    // another program holds open, or a read-only one, fails before anything is written. The first write
    // into a folder in a run first removes what an interrupted run left there (RemoveWorkLeftovers).
    bool WriteFileWhole(const std::string& path, std::string_view content, const FileTime* lastWrite,
                        std::uint32_t* error = nullptr);
    // WriteFileWhole without a time.
    bool ReplaceFile(const std::string& path, std::string_view content);
    // Deletes the work files of ours in the folder (ending with a backslash) that a run cut short left
    // there, by name (a link at such a name goes as a link); once per folder and run.
    void RemoveWorkLeftovers(const std::string& folder);
    // Deletes what it can below the folder, then the folder; what cannot go stays, with its folders. Each
    // entry is opened as itself and judged on its handle: a link (junction, symbolic link), the folder
    // itself or any entry below it, goes as a link and what it points at is never entered; a real folder is
    // held open while it is emptied, so that nobody can put something else under its name meanwhile, and is
    // deleted through its handle; a file goes by its name, which never leads through a link.
    void DeleteDirectoryTree(const std::string& path);
    // Deletes the file or folder tree at the path below base (with its trailing backslash), as
    // DeleteDirectoryTree does, when no level between base and it is a link; the levels are held open
    // while it goes.
    void DeleteBelow(const std::string& base, const std::string& path);
    // A path in the temporary folder at which nothing exists yet; nothing is created.
    [[nodiscard]] std::string NewTempFileName();
    // Deletes the files and folders of the temporary folder whose names begin with TempNamePrefix(), each
    // as DeleteDirectoryTree deletes: links among them are removed as links.
    void DeleteTempLeftovers();
    // Local time at DOS precision; the current local time when the file cannot be found.
    [[nodiscard]] TDateTime GetFileDate(const std::string& path, TFileDateKind which);
    [[nodiscard]] TDateTime FileModifiedDate(const std::string& path);
    // The current local date and time.
    [[nodiscard]] TDateTime LocalNow();

    // The install log. Thread-safe; lines keep the order in which they were added.
    // Starts a new empty log; unless the installation is portable, its file is the destination folder's
    // Install.log, whose lines (when the file exists) are loaded as they stand, up to kMaxInstallLogBytes
    // and kMaxInstallLogLines. Then the lines a run into the same folder recorded in the journal before it
    // was cut short are added as lines of this run, and this run's journal begins.
    void CreateInstallLog(const std::string& destinationFolder, bool portable);
    // Records a line unless logging is suspended or the log already holds it (ignoring case); a recorded
    // line reaches the journal at once.
    void AddLogLine(const std::string& line);
    void SuspendLogging();
    void ResumeLogging();
    [[nodiscard]] int LogSuspendCount() const;
    [[nodiscard]] bool HasInstallLog() const;
    [[nodiscard]] std::vector<std::string> InstallLog() const;
    [[nodiscard]] std::string InstallLogPath() const;
    // Replaces the log file whole with the lines, each ended by CR LF; on failure the old file is untouched.
    // False when there is no log file to store or it could not be replaced, and when the existing file was
    // not loaded whole (over the caps, or unreadable): it is then left exactly as it stands. Once stored,
    // the journal of the run's lines is deleted.
    bool StoreInstallLog();
    void FreeInstallLog();

    // Shell shortcuts.
    // Writes one shell link, creating its folder, and logs it; skipped when no link object can be made.
    void CreateShortcut(const std::string& linkPath, const std::string& target, const std::string& workFolder,
                        const std::string& description);
    // The program's shortcuts of an ordinary installation: the programs menu always, the desktop when asked,
    // in the chosen scope; the links of the other scope are removed.
    void ShortcutSet(bool allUsers, bool desktop, const std::string& mainDir);
    // What ShortcutSet does, slot by slot: the link removed (empty when that scope has no folder), then the
    // one made (empty when none is).
    struct TShortcutStep {
        std::string Removed;
        std::string Made;
    };
    [[nodiscard]] std::vector<TShortcutStep> ShortcutSteps(bool allUsers, bool desktop);

private:
    [[nodiscard]] bool IsFolder(const std::string& path);
    [[nodiscard]] std::optional<std::uint64_t> ClusterSizeOfRoot(const std::string& root);
    [[nodiscard]] std::optional<std::string> NearestExistingFolder(const std::string& fullPath);
    [[nodiscard]] bool QueryPortableBus(const std::string& drive);
    [[nodiscard]] std::vector<TFindData> ListFolder(const std::string& folder);
    // Opens an entry as itself for deletion: a link is never followed, and while the handle lives nobody
    // can rename or remove what it is open on.
    [[nodiscard]] UniqueFile OpenAsItself(const std::string& path);
    void DeleteHeld(const std::string& path, UniqueFile& held);
    // Makes the missing levels outermost first; true when the path stood already (or is a root).
    bool MakeLevels(const std::string& path);
    [[nodiscard]] bool OnProgramFolderWay(std::string level);
    // kProgramFolderSddl, with full control for the account the setup runs as when its token holds no
    // enabled Administrators group (a standard user installing where it may write): that account would
    // otherwise be shut out of the folder it is making.
    [[nodiscard]] std::string ProgramFolderSddl();
    enum class TLevel { Missing, Sound, Link, Foreign };
    [[nodiscard]] TLevel JudgeLevel(const std::string& level);
    [[nodiscard]] const std::string& OwnSid();
    void OpenJournal(const std::string& destinationFolder);
    void MergeJournal(RegKey journal);
    [[nodiscard]] std::string ReadJournalValue(RegKey key, const std::string& name);
    void JournalLine(const std::string& line);
    [[nodiscard]] bool RecordLine(const std::string& line);
    [[nodiscard]] std::int64_t SizeKBBelow(const std::string& folder, std::uint64_t clusterSize, int depth);
    [[nodiscard]] bool ReadLogFile(const std::string& path, TPackedLines& lines);
    // The line's key in the log's comparison (ignoring case), written over `key`; false when there is none.
    [[nodiscard]] bool LogKey(const std::string& line, std::string& key);
    // The same for a line held: it is copied into `line` first, as the text port takes whole strings.
    [[nodiscard]] bool LogKey(std::string_view held, std::string& line, std::string& key);

    TPlatform Platform;
    std::mutex StackLock;
    std::vector<std::string> DirectoryStack;
    mutable std::mutex LogLock;
    std::optional<TPackedLines> Log;
    TLineIndex LogIndex;
    std::string LogKeyBuffer, LogLineBuffer;
    std::string LogPath;
    bool LogLoadedWhole = true;
    int SuspendCount = 0;
    UniqueKey Journal;
    std::uint32_t JournalNext = 1;

    std::mutex WorkLock;
    std::vector<std::string> SweptFolders;
    std::uint32_t NextWorkName = 1;

    std::mutex GuardLock;
    std::string GuardedBase;
    std::vector<std::string> SoundWays; // levels found sound, upper-cased
    std::vector<TFolderRefusal> Refusals, RefusalsTaken;
    std::optional<std::string> OwnSidValue;
    std::string ProgramFolder; // without a trailing backslash
};

// Holds the install log suspended while it lives, when asked to: resumed on every path, an exception's
// included, since the log outlives what suspends it and later work still records lines.
class TLogSuspension {
public:
    TLogSuspension(TInstUtils& utils, bool suspend) : Utils(suspend ? &utils : nullptr) {
        if (Utils) Utils->SuspendLogging();
    }
    ~TLogSuspension() {
        if (Utils) Utils->ResumeLogging();
    }
    TLogSuspension(const TLogSuspension&) = delete;
    TLogSuspension& operator=(const TLogSuspension&) = delete;

private:
    TInstUtils* Utils;
};

} // namespace ulv
