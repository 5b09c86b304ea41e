#pragma once
#include "engine/AskUser.h"
#include "engine/PayloadFormat.h"
#include "platform/Platform.h"
#include "resources/ResConst.h"
#include "utils/DateTime.h"
#include "utils/RunLog.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ulv {

class TInstUtils;

// One payload entry.
class TAttachedFile {
public:
    std::string Name;            // relative path, Windows-1252, backslashes
    std::int32_t Size = 0;       // data bytes
    TDateTime Time = 0;          // last-write time the installed file receives, local time
    std::int32_t DataOffset = 0; // first data byte within the inflated payload
};

// One queued file. The entry belongs to the index, whose Entries never change after construction.
class TFileToInstall {
public:
    const TAttachedFile& Entry;
    std::string TargetPath;
    // False when the install log was suspended at queuing time: the file's log lines are then not recorded.
    bool LogFlag = true;
};

enum class TInstallMode : int { IfMissing = 0, IfChanged = 1, Always = 2 };

// Whether a queued file's target goes to UpdateList, the record of the shared files this installation wrote;
// Kept marks a file that was asked for only where missing (the word processor keeps the user's copy).
enum class TUpdateMark { None, Listed, Kept };

// One request of the install plan, with its targets decided: the index only finds the entries and compares
// what is already there.
struct TInstallRequest {
    int Component = 0;
    // An entry's name (the first entry of that name is queued), or a folder prefix ending in a backslash
    // (every entry below it, in payload order).
    std::string Name;
    // The folder the entries go to, their whole names (with their sub-folders) appended; or, with WholePath,
    // the target path itself.
    std::string Target;
    bool WholePath = false;
    // Decides whether a file already at the target is written again.
    TInstallMode Mode = TInstallMode::IfChanged;
    // The install log records the files written for this request.
    bool Logged = true;
    TUpdateMark Update = TUpdateMark::None;
};

// Why the installation writes a file a request names today, or leaves it.
enum class TFileDecision {
    Refused,     // its folder is one the setup must not write through
    Missing,     // written: nothing is there
    Replaced,    // written: every installation writes it
    TimeDiffers, // written: the file there has another time than the entry's
    Present,     // left: asked for only where missing
    SameTime,    // left: the file there has the entry's time
};

[[nodiscard]] constexpr bool IsWritten(TFileDecision decision) {
    return decision == TFileDecision::Missing || decision == TFileDecision::Replaced ||
           decision == TFileDecision::TimeDiffers;
}

// One file a request names, with its target and the decision made for it.
struct TRequestedFile {
    const TAttachedFile& Entry;
    std::string Target;
    TFileDecision Decision;
};

// One queue per component of the catalogue.
constexpr int kQueueCount = kComponentCount;

// The payload in memory for the life of the setup: the inflated block, which never changes or moves, and
// its entries in archive order; besides, the installation's work list, one queue per component.
class TAttachedFiles {
public:
    // Locates the program's FILES resource and loads it; nullptr (and the fault) when it is missing or
    // damaged.
    [[nodiscard]] static std::unique_ptr<TAttachedFiles> Create(TPlatform& platform, TPayloadFault& fault);
    [[nodiscard]] static std::unique_ptr<TAttachedFiles> Create(TPlatform& platform, TInstUtils& utils,
                                                                TAskUser askUser, TPayloadFault& fault);
    // Loads a payload stream already in memory; the stream need not outlive the index.
    [[nodiscard]] static std::unique_ptr<TAttachedFiles> FromStream(std::span<const std::uint8_t> stream,
                                                                    TPayloadFault& fault);
    // An index with no payload yet, for Load: the program builds its window while the payload loads.
    [[nodiscard]] static std::unique_ptr<TAttachedFiles> CreateEmpty();
    // Loads a payload stream (which need not outlive the index) into an index made by CreateEmpty; on a
    // fault the index is left empty. It may run on another thread than the index's users: none of them may
    // touch the index until it has returned.
    [[nodiscard]] TPayloadFault Load(std::span<const std::uint8_t> stream);

    TAttachedFiles(const TAttachedFiles&) = delete;
    TAttachedFiles& operator=(const TAttachedFiles&) = delete;
    // Ends by deleting the run's temporary leftovers when connected.
    virtual ~TAttachedFiles();

    // The machine, the utilities and the question asker the operations below use; they must outlive the
    // index. Until connected, only Entries and the payload may be used.
    void Connect(TPlatform& platform, TInstUtils& utils, TAskUser askUser);

    [[nodiscard]] const std::uint8_t* Payload() const { return Block.Data.get(); }
    [[nodiscard]] std::int32_t PayloadSize() const { return static_cast<std::int32_t>(Block.Size); }

    // Writes an entry (or, without one, the last entry named `name`) to the target, creating its folders,
    // and stamps it. On failure asks the user to abandon (false), retry, or ignore (true).
    [[nodiscard]] bool ExtractEntry(const TAttachedFile* entry, const std::string& name,
                                    const std::string& targetPath);
    // Disk space of a component's file list (names and folder prefixes separated by CR) on the volume of
    // `mainDir`.
    [[nodiscard]] std::int32_t ComponentSize(const std::string& fileList, const std::string& mainDir);
    [[nodiscard]] std::int32_t RoundToCluster(std::int32_t size, std::uint64_t clusterSize) const;
    // The request's entries in payload order (the first of that name for a single file), each with its
    // target and whether it would be written today; nothing is queued or written.
    [[nodiscard]] std::vector<TRequestedFile> RequestedFiles(const TInstallRequest& request);
    // Queues the request's entries that must be written; true when at least one file was queued.
    bool QueueForInstall(const TInstallRequest& request);
    void ClearQueue(int component);
    [[nodiscard]] std::int32_t QueuedTotal() const;

    std::vector<TAttachedFile> Entries;
    std::array<std::vector<TFileToInstall>, kQueueCount> Queues;
    // When set, the run's log, which then names each file that could not be written and the system's
    // reason, before the question is asked.
    TRunLog* FailureLog = nullptr;
    // The targets of the requests marked for it, in queue order, "\t!" after those of Kept ones.
    std::vector<std::string> UpdateList;

private:
    TAttachedFiles() = default;
    [[nodiscard]] const TAttachedFile* FindLast(const std::string& name);
    [[nodiscard]] bool MatchesPrefix(const TAttachedFile& entry, const std::string& prefix);
    enum class TWrite { Written, Refused, Failed };
    [[nodiscard]] TWrite WriteEntry(const TAttachedFile& entry, const std::string& targetPath,
                                    std::uint32_t& error);
    void LogFailure(const std::string& targetPath, std::uint32_t error);
    [[nodiscard]] std::optional<FileTime> StampToFileTime(TDateTime stamp);
    [[nodiscard]] bool FileExists(const std::string& path);
    [[nodiscard]] TRequestedFile Decide(const TAttachedFile& entry, const TInstallRequest& request);

    TPayloadBlock Block;
    std::optional<TPlatform> Platform;
    TInstUtils* Utils = nullptr;
    TAskUser AskUser;
};

// The question ExtractEntry asks when a file cannot be written.
[[nodiscard]] std::string CannotCreateFileText(const std::string& path);

} // namespace ulv
