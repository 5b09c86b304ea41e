// The process-wide side of the simulated file system: current directory, full path names, the temporary
// path, moves, volume handles and the fault injection of tests.
#include "SimErrors.h"
#include "SimFiles.h"
#include "SimPaths.h"

#include <algorithm>
#include <cstring>

namespace ulv::sim {
namespace {

constexpr std::uint32_t kMoveFlagsKnown =
    kMoveFileReplaceExisting | kMoveFileCopyAllowed | kMoveFileWriteThrough;
constexpr std::uint32_t kDescriptorFixedSize = 40;
constexpr std::uint32_t kQuerySize = 12;
constexpr std::uint32_t kDescriptorHeaderSize = 8;

void PutU32(std::vector<std::uint8_t>& bytes, size_t at, std::uint32_t value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

std::uint32_t AppendString(std::vector<std::uint8_t>& bytes, std::string_view text) {
    auto offset = static_cast<std::uint32_t>(bytes.size());
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
    return offset;
}

// STORAGE_DEVICE_DESCRIPTOR followed by its vendor, product and revision strings.
std::vector<std::uint8_t> DeviceDescriptor(const TSimDrive& drive) {
    std::vector<std::uint8_t> bytes(kDescriptorFixedSize, 0);
    bytes[8] = drive.Type == kDriveCdrom ? 0x05 : 0x00; // SCSI peripheral type: CD-ROM or direct access
    bytes[10] = drive.RemovableMedia ? 1 : 0;
    PutU32(bytes, 12, AppendString(bytes, "ULVSIM"));
    PutU32(bytes, 16, AppendString(bytes, std::string("Disque ") + drive.Letter));
    PutU32(bytes, 20, AppendString(bytes, "1.0"));
    PutU32(bytes, 24, 0); // no serial number
    PutU32(bytes, 28, drive.BusType);
    PutU32(bytes, 0, kDescriptorFixedSize);
    PutU32(bytes, 4, static_cast<std::uint32_t>(bytes.size()));
    return bytes;
}

std::string Rekeyed(const std::string& key, const std::string& from, const std::string& to) {
    return to + key.substr(from.size());
}

} // namespace

void SimFiles::SetTempPath(const std::string& path) {
    std::lock_guard guard(Lock);
    TempPath = path.ends_with('\\') ? path : path + '\\';
}

void SimFiles::InjectCreateFailure(const std::string& path, int times, std::uint32_t error) {
    std::lock_guard guard(Lock);
    if (auto p = Parse(path, TLastLink::Followed)) CreateFailures[p->Key] = CreateFailure{times, error};
}

void SimFiles::ThrowOnNextCreate(const std::string& path) {
    std::lock_guard guard(Lock);
    if (auto p = Parse(path, TLastLink::Followed)) CreateThrows.insert(p->Key);
}

void SimFiles::ShortenNextWrite(const std::string& path, std::uint32_t bytes) {
    std::lock_guard guard(Lock);
    if (auto p = Parse(path, TLastLink::Followed)) ShortWrites[p->Key] = bytes;
}

void SimFiles::InjectMoveFailure(int times, std::uint32_t error) {
    std::lock_guard guard(Lock);
    MoveFailure = CreateFailure{times, error};
}

int SimFiles::SetCurrentDirectoryCalls() const {
    std::lock_guard guard(Lock);
    return CurrentDirectorySets;
}

bool SimFiles::ApplyShortWrite(const std::string& key, std::uint32_t& size) {
    auto it = ShortWrites.find(key);
    if (it == ShortWrites.end()) return false;
    size = std::min(size, it->second);
    ShortWrites.erase(it);
    return true;
}

// Sharing binds only handles that may read, write or delete: one open for its owner or attributes alone
// holds nothing, on Windows as under Wine.
bool SimFiles::HandlesAllowDelete(const std::string& key) const {
    constexpr std::uint32_t kSharedAccess = kGenericRead | kGenericWrite | kDeleteAccess;
    return std::none_of(Handles.begin(), Handles.end(), [&](auto& h) {
        return !h.second.Key.empty() && h.second.Key == key && (h.second.Access & kSharedAccess) &&
               !(h.second.Share & kFileShareDelete);
    });
}

std::string SimFiles::GetCurrentDirectoryA() {
    std::lock_guard guard(Lock);
    return CurrentDirectory;
}

bool SimFiles::SetCurrentDirectoryA(const std::string& path) {
    std::lock_guard guard(Lock);
    ++CurrentDirectorySets;
    auto p = Parse(path, TLastLink::Followed);
    if (!p) return false;
    if (!p->IsRoot) {
        auto it = Nodes.find(p->Key);
        if (it == Nodes.end()) return Fail(ParentIsFolder(*p) ? kErrorFileNotFound : kErrorPathNotFound);
        if (!it->second.Directory) return Fail(kErrorDirectoryName);
    }
    std::string folder = p->Full;
    if (!p->IsRoot && folder.ends_with('\\')) folder.pop_back();
    CurrentDirectory = folder;
    return true;
}

std::optional<std::string> SimFiles::GetFullPathNameA(const std::string& path) {
    std::lock_guard guard(Lock);
    auto full = FullPathName(path, CurrentDirectory);
    if (!full) return Fail(kErrorInvalidName), std::nullopt;
    return full;
}

std::string SimFiles::GetTempPathA() {
    std::lock_guard guard(Lock);
    return TempPath;
}

bool SimFiles::MoveFileExA(const std::string& from, const std::string& to, std::uint32_t flags) {
    std::lock_guard guard(Lock);
    if (MoveFailure.Times > 0) {
        --MoveFailure.Times;
        return Fail(MoveFailure.Error);
    }
    if (flags & ~kMoveFlagsKnown) return Fail(kErrorInvalidParameter);
    auto src = Parse(from);
    auto dst = src ? Parse(to) : std::nullopt;
    if (!src || !dst) return false;
    auto s = Nodes.find(src->Key);
    if (src->IsRoot || s == Nodes.end())
        return Fail(ParentIsFolder(*src) ? kErrorFileNotFound : kErrorPathNotFound);
    if (dst->IsRoot || dst->Key.starts_with(src->Key + '\\')) return Fail(kErrorAccessDenied);
    if (!ParentIsFolder(*dst)) return Fail(kErrorPathNotFound);
    bool folder = s->second.Directory;
    if (src->RootKey != dst->RootKey && (folder || !(flags & kMoveFileCopyAllowed)))
        return Fail(kErrorNotSameDevice);
    if (!HandlesAllowDelete(src->Key)) return Fail(kErrorSharingViolation);
    auto d = Nodes.find(dst->Key);
    if (d != Nodes.end() && dst->Key != src->Key) {
        if (!(flags & kMoveFileReplaceExisting)) return Fail(kErrorAlreadyExists);
        if (folder || d->second.Directory || (d->second.Attributes & kFileAttributeReadOnly))
            return Fail(kErrorAccessDenied);
        if (!HandlesAllowDelete(dst->Key))
            return Fail(kErrorAccessDenied); // as Windows answers for a busy target
    }
    if (!Change("move", src->Full + " -> " + dst->Full)) return true;
    if (!StillThere(src->Key)) return false;
    return MoveNode(*src, *dst);
}

bool SimFiles::MoveNode(const Parsed& from, const Parsed& to) {
    Node node = std::move(Nodes.at(from.Key));
    Nodes.erase(from.Key);
    Nodes.erase(to.Key);
    node.Name = to.Name;
    const std::string prefix = from.Key + '\\';
    std::vector<std::pair<std::string, Node>> children;
    for (auto it = Nodes.lower_bound(prefix); it != Nodes.end() && it->first.starts_with(prefix);)
        children.emplace_back(Rekeyed(it->first, from.Key, to.Key), std::move(it->second)),
            it = Nodes.erase(it);
    for (auto& [key, child] : children)
        Nodes[key] = std::move(child);
    Nodes[to.Key] = std::move(node);
    for (auto& [handle, open] : Handles)
        if (!open.Key.empty() && (open.Key == from.Key || open.Key.starts_with(prefix)))
            open.Key = Rekeyed(open.Key, from.Key, to.Key);
    SetLastError(kErrorSuccess);
    return true;
}

FileHandle SimFiles::OpenVolume(char letter, std::uint32_t access, std::uint32_t share) {
    auto drive = Volumes.Drive(letter);
    if (!drive || !drive->Present) return Fail(kErrorFileNotFound), kNoFile;
    if (!drive->VolumeOpens) return Fail(kErrorAccessDenied), kNoFile;
    FileHandle handle = NextHandle++;
    Handles[handle] = OpenFile{"", access, share, 0, letter};
    SetLastError(kErrorSuccess);
    return handle;
}

bool SimFiles::DeviceIoControl(FileHandle device, std::uint32_t controlCode, const void* in,
                               std::uint32_t inSize, void* out, std::uint32_t outSize,
                               std::uint32_t& returned) {
    std::lock_guard guard(Lock);
    returned = 0;
    auto h = Handles.find(device);
    if (h == Handles.end()) return Fail(kErrorInvalidHandle);
    if (h->second.Volume == 0 || controlCode != kIoctlStorageQueryProperty)
        return Fail(kErrorInvalidFunction);
    return QueryStorageProperty(h->second, in, inSize, out, outSize, returned);
}

bool SimFiles::QueryStorageProperty(const OpenFile& volume, const void* in, std::uint32_t inSize, void* out,
                                    std::uint32_t outSize, std::uint32_t& returned) {
    if (in == nullptr || inSize < kQuerySize) return Fail(kErrorInvalidParameter);
    std::uint32_t propertyId = 0, queryType = 0;
    std::memcpy(&propertyId, in, 4);
    std::memcpy(&queryType, static_cast<const std::uint8_t*>(in) + 4, 4);
    if (propertyId != 0 || queryType != 0) return Fail(kErrorInvalidParameter);
    auto drive = Volumes.Drive(volume.Volume);
    if (!drive || !drive->Present) return Fail(kErrorNotReady);
    if (!drive->QuerySucceeds) return Fail(kErrorInvalidFunction);
    if (out == nullptr || outSize < kDescriptorHeaderSize) return Fail(kErrorInsufficientBuffer);
    std::vector<std::uint8_t> descriptor = DeviceDescriptor(*drive);
    auto count = std::min<std::uint32_t>(outSize, static_cast<std::uint32_t>(descriptor.size()));
    std::memcpy(out, descriptor.data(), count);
    returned = count;
    SetLastError(kErrorSuccess);
    return true;
}

} // namespace ulv::sim
