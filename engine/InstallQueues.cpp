#include "AttachFiles.h"
#include "utils/InstUtils.h"
#include "utils/TextLines.h"

namespace ulv {
namespace {

bool IsFolderPrefix(const std::string& name) {
    return !name.empty() && name.back() == '\\';
}

} // namespace

bool TAttachedFiles::MatchesPrefix(const TAttachedFile& entry, const std::string& prefix) {
    return entry.Name.size() >= prefix.size() &&
           Utils->SameTextNoCase(entry.Name.substr(0, prefix.size()), prefix);
}

std::int32_t TAttachedFiles::RoundToCluster(std::int32_t size, std::uint64_t clusterSize) const {
    if (clusterSize == 0) return size;
    auto s = static_cast<std::uint64_t>(size);
    if (s % clusterSize == 0) return size;
    return static_cast<std::int32_t>((s / clusterSize + 1) * clusterSize);
}

std::int32_t TAttachedFiles::ComponentSize(const std::string& fileList, const std::string& mainDir) {
    std::uint32_t total = 0; // wraps as the signed 32-bit sum would, without overflow in C++
    std::vector<std::string> lines =
        SplitTextLines(fileList, {.NulEndsText = false, .Last = TLastLine::Always});
    // One question per call: the destination cannot change while the sizes are summed.
    std::uint64_t unit = Utils->GetClusterSize(mainDir);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        bool prefix = IsFolderPrefix(*line);
        for (auto e = Entries.rbegin(); e != Entries.rend(); ++e) {
            bool match = prefix ? MatchesPrefix(*e, *line) : Utils->SameTextNoCase(e->Name, *line);
            if (!match) continue;
            total += static_cast<std::uint32_t>(RoundToCluster(e->Size, unit));
            if (!prefix) break;
        }
    }
    return static_cast<std::int32_t>(total);
}

bool TAttachedFiles::FileExists(const std::string& path) {
    std::uint32_t attributes = Platform->Files.GetFileAttributesA(path);
    return attributes != kInvalidFileAttributes && (attributes & kFileAttributeDirectory) == 0;
}

TRequestedFile TAttachedFiles::Decide(const TAttachedFile& entry, const TInstallRequest& request) {
    TRequestedFile file{entry, request.Target, TFileDecision::Refused};
    if (!request.WholePath) {
        if (!file.Target.empty() && file.Target.back() != '\\') file.Target += '\\';
        file.Target += entry.Name;
    }
    // A file whose folder the setup must not write through is neither queued nor listed as updated; the
    // worker judges the way once more when it writes.
    if (size_t cut = file.Target.rfind('\\');
        cut != std::string::npos && Utils->RefusedOnGuardedWay(file.Target.substr(0, cut + 1)))
        return file;
    if (!FileExists(file.Target))
        file.Decision = TFileDecision::Missing;
    else if (request.Mode == TInstallMode::Always)
        file.Decision = TFileDecision::Replaced;
    else if (request.Mode == TInstallMode::IfMissing)
        file.Decision = TFileDecision::Present;
    else
        file.Decision = Utils->FileModifiedDate(file.Target) != entry.Time ? TFileDecision::TimeDiffers
                                                                           : TFileDecision::SameTime;
    return file;
}

std::vector<TRequestedFile> TAttachedFiles::RequestedFiles(const TInstallRequest& request) {
    std::vector<TRequestedFile> files;
    if (request.Component < 0 || request.Component >= kQueueCount) return files;
    const bool prefix = IsFolderPrefix(request.Name);
    for (const TAttachedFile& e : Entries) {
        if (!(prefix ? MatchesPrefix(e, request.Name) : Utils->SameTextNoCase(e.Name, request.Name)))
            continue;
        files.push_back(Decide(e, request));
        if (!prefix) break;
    }
    return files;
}

bool TAttachedFiles::QueueForInstall(const TInstallRequest& request) {
    bool queued = false;
    for (TRequestedFile& file : RequestedFiles(request)) {
        if (!IsWritten(file.Decision)) continue;
        if (request.Update == TUpdateMark::Listed) UpdateList.push_back(file.Target);
        if (request.Update == TUpdateMark::Kept) UpdateList.push_back(file.Target + "\t!");
        Queues[request.Component].push_back(
            TFileToInstall{file.Entry, std::move(file.Target), request.Logged});
        queued = true;
    }
    return queued;
}

void TAttachedFiles::ClearQueue(int component) {
    if (component < 0 || component >= kQueueCount) return;
    auto& queue = Queues[component];
    while (!queue.empty())
        queue.pop_back();
}

std::int32_t TAttachedFiles::QueuedTotal() const {
    std::uint32_t total = 0;
    for (const auto& queue : Queues)
        for (const TFileToInstall& item : queue)
            total += static_cast<std::uint32_t>(item.Entry.Size);
    return static_cast<std::int32_t>(total);
}

} // namespace ulv
