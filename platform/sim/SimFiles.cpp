#include "SimFiles.h"

#include "SimErrors.h"
#include "SimPaths.h"
#include "SimText.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace ulv::sim {
namespace {

bool IsInvalidNameChar(unsigned char c) {
    return c < 0x20 || std::strchr("<>:\"|?*", c) != nullptr;
}

// Wildcard match of an upper-cased name against an upper-cased pattern: * is any run, ? any one character.
bool Matches(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*") pattern = "*";
    size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// The path a link leads to: its target followed by what came after the link.
TPathParts Substituted(const TPathParts& parts, size_t link, TPathParts target) {
    target.Components.insert(target.Components.end(), parts.Components.begin() + link + 1,
                             parts.Components.end());
    target.TrailingBackslash = parts.TrailingBackslash;
    return target;
}

void AppendComponentKey(std::string& key, std::string_view component) {
    key += '\\';
    for (char c : component)
        key += UpperAnsi(c);
}

// The folder that holds the last component of a full path, with its trailing backslash.
std::string ParentOf(const std::string& full) {
    return full.substr(0, full.find_last_of('\\', full.find_last_not_of('\\')) + 1);
}

bool AccessConflicts(std::uint32_t access, std::uint32_t otherShare) {
    if ((access & kGenericRead) && !(otherShare & kFileShareRead)) return true;
    if ((access & kGenericWrite) && !(otherShare & kFileShareWrite)) return true;
    if ((access & kDeleteAccess) && !(otherShare & kFileShareDelete)) return true;
    return false;
}

} // namespace

SimFiles::SimFiles(SimClock& clock, SimVolumes& volumes) : Clock(clock), Volumes(volumes) {}

void SimFiles::AddDrive(char letter) {
    TSimDrive drive;
    drive.Letter = letter;
    Volumes.SetDrive(drive);
}

bool SimFiles::Fail(std::uint32_t error) const {
    SetLastError(error);
    return false;
}

std::uint32_t SimFiles::LastError() const {
    return LastErrorOfThread();
}

bool SimFiles::RootIsReachable(const std::string& root) const {
    if (root.size() == 2) {
        if (Volumes.IsPresent(root[0])) return true;
        if (auto drive = Volumes.Drive(root[0]); drive && drive->Present) {
            Volumes.NoteAccessWithoutMedium(); // an empty card reader or floppy drive
            return Fail(kErrorNotReady);
        }
        return Fail(kErrorPathNotFound);
    }
    if (Volumes.Share(root)) return true;
    return Fail(kErrorBadNetPath);
}

std::optional<SimFiles::Parsed> SimFiles::Parse(const std::string& path, TLastLink lastLink) const {
    auto full = FullPathName(path, CurrentDirectory);
    if (!full) return Fail(path.empty() ? kErrorPathNotFound : kErrorInvalidName), std::nullopt;
    auto parts = SplitFullPath(*full);
    if (!parts) return Fail(kErrorInvalidName), std::nullopt;
    if (!RootIsReachable(parts->Root)) return std::nullopt;
    for (auto& part : parts->Components)
        if (std::any_of(part.begin(), part.end(), [](char c) { return IsInvalidNameChar(c); }))
            return Fail(kErrorInvalidName), std::nullopt;
    Parsed p;
    p.Full = std::move(*full);
    if (!Resolve(std::move(*parts), lastLink, p)) return std::nullopt;
    return p;
}

// Each link met on the way is replaced by its target, as the I/O manager reparses a name, until none is
// left; a chain that never ends (a link inside its own target) is cut where NTFS cuts it. The key is built as
// the links are looked for, and completed past where the look stopped.
bool SimFiles::Resolve(TPathParts parts, TLastLink lastLink, Parsed& p) const {
    size_t walked = 0;
    for (int substitutions = 0;; ++substitutions) {
        auto link = FirstLink(parts, lastLink, p.Key, walked);
        if (!link) break;
        if (substitutions == kMaxLinkSubstitutions) return Fail(kErrorCantResolveFilename);
        auto target = SplitFullPath(link->Link->Target);
        if (!target) return Fail(kErrorInvalidName);
        if (link->Component + 1 == parts.Components.size()) {
            p.LastWasLink = true;
            p.ToFile = !link->Link->Directory;
        }
        parts = Substituted(parts, link->Component, std::move(*target));
        if (!RootIsReachable(parts.Root)) return false;
    }
    p.RootKey = UpperAnsi(parts.Root);
    for (size_t i = walked; i < parts.Components.size(); ++i)
        AppendComponentKey(p.Key, parts.Components[i]);
    p.IsRoot = parts.Components.empty();
    if (!p.IsRoot) {
        p.ParentEnd = p.Key.rfind('\\');
        p.Name = parts.Components.back();
    }
    return true;
}

// The first component that is a link, looking no further than a missing entry or a file. `key` is left
// with the key of the root and of the `walked` components looked at.
std::optional<SimFiles::LinkAt> SimFiles::FirstLink(const TPathParts& parts, TLastLink lastLink,
                                                    std::string& key, size_t& walked) const {
    size_t count = parts.Components.size();
    if (lastLink == TLastLink::Kept && count > 0) --count;
    key.clear();
    for (char c : parts.Root)
        key += UpperAnsi(c);
    for (walked = 0; walked < count;) {
        AppendComponentKey(key, parts.Components[walked]);
        ++walked;
        auto it = Nodes.find(key);
        if (it == Nodes.end()) return std::nullopt;
        if (!it->second.Target.empty()) return LinkAt{walked - 1, &it->second};
        if (!it->second.Directory) return std::nullopt;
    }
    return std::nullopt;
}

// Opening a link's own name reaches its target, which is a folder or nothing: never a file to open or create.
std::uint32_t SimFiles::LinkOpenError(const Parsed& p) const {
    if (p.IsRoot || Nodes.contains(p.Key)) return kErrorAccessDenied;
    return ParentIsFolder(p) ? kErrorFileNotFound : kErrorPathNotFound;
}

bool SimFiles::IsFolderKey(std::string_view key) const {
    auto it = Nodes.find(key);
    return it != Nodes.end() && it->second.Directory;
}

bool SimFiles::ParentIsFolder(const Parsed& p) const {
    return p.ParentKey() == p.RootKey || IsFolderKey(p.ParentKey());
}

bool SimFiles::SharingAllows(const std::string& key, std::uint32_t access, std::uint32_t share) const {
    for (auto& [handle, open] : Handles) {
        if (open.Key.empty() || open.Key != key) continue;
        if (AccessConflicts(access, open.Share) || AccessConflicts(open.Access, share)) return false;
    }
    return true;
}

bool SimFiles::HasOpenHandles(const std::string& key) const {
    return std::any_of(Handles.begin(), Handles.end(), [&](auto& h) { return h.second.Key == key; });
}

FileHandle SimFiles::OpenNode(const std::string& key, std::uint32_t access, std::uint32_t share) {
    FileHandle handle = NextHandle++;
    Handles[handle] = OpenFile{key, access, share, 0};
    return handle;
}

FileHandle SimFiles::CreateFileA(const std::string& path, std::uint32_t access, std::uint32_t share,
                                 std::uint32_t disposition, std::uint32_t flagsAndAttributes) {
    std::lock_guard guard(Lock);
    char volume = 0;
    if (IsVolumeDeviceName(path, volume)) return OpenVolume(volume, access, share);
    bool asItself = flagsAndAttributes & kFileFlagOpenReparsePoint;
    bool backup = flagsAndAttributes & kFileFlagBackupSemantics;
    auto p = Parse(path, asItself ? TLastLink::Kept : TLastLink::Followed);
    if (!p) return kNoFile;
    if (CreateThrows.erase(p->Key)) throw std::runtime_error("unforeseen failure opening " + path);
    if (auto f = CreateFailures.find(p->Key); f != CreateFailures.end() && f->second.Times > 0) {
        --f->second.Times;
        return Fail(f->second.Error), kNoFile;
    }
    // A link to a file is followed to it, as the system follows a symbolic link; one to a folder names
    // a folder, which only backup semantics open.
    if (p->LastWasLink && !p->ToFile && !(backup && IsFolderKey(p->Key)))
        return Fail(LinkOpenError(*p)), kNoFile;
    if (p->IsRoot && backup) return OpenFolder(*p, access, share, disposition);
    if (p->IsRoot || !ParentIsFolder(*p)) return Fail(kErrorPathNotFound), kNoFile;
    auto it = Nodes.find(p->Key);
    bool exists = it != Nodes.end();
    if (exists && it->second.Directory) {
        if (!backup) return Fail(kErrorAccessDenied), kNoFile;
        return OpenFolder(*p, access, share, disposition);
    }
    if (exists && it->second.DeletePending) return Fail(kErrorAccessDenied), kNoFile;
    bool readOnly = exists && (it->second.Attributes & kFileAttributeReadOnly);
    bool truncates = disposition == kCreateAlways || disposition == kTruncateExisting;
    if (readOnly && ((access & kGenericWrite) || truncates)) return Fail(kErrorAccessDenied), kNoFile;
    if (exists && !SharingAllows(p->Key, access, share)) return Fail(kErrorSharingViolation), kNoFile;
    switch (disposition) {
    case kCreateNew:
        if (exists) return Fail(kErrorFileExists), kNoFile;
        break;
    case kOpenExisting:
    case kTruncateExisting:
        if (!exists) return Fail(kErrorFileNotFound), kNoFile;
        break;
    case kCreateAlways:
    case kOpenAlways:
        break;
    default:
        return Fail(kErrorInvalidParameter), kNoFile;
    }
    bool changes = !exists || (truncates && !it->second.Data->empty());
    if (changes && !Change(exists ? "truncate" : "create", p->Full)) return DeadHandle();
    if (changes && !StillThere(p->Key)) return kNoFile;
    FileTime now = Clock.UtcNowTime();
    if (!exists) {
        Node node;
        node.Name = p->Name;
        node.Attributes = (flagsAndAttributes & 0xFFFF & ~kFileAttributeNormal) | kFileAttributeArchive;
        node.Creation = node.LastAccess = node.LastWrite = now;
        node.Owner = KeepsOwners(p->RootKey) ? NewOwner() : std::string();
        Nodes[p->Key] = std::move(node);
    } else if (truncates) {
        it->second.Data->clear();
        it->second.LastWrite = now;
    }
    SetLastError(exists && (disposition == kCreateAlways || disposition == kOpenAlways) ? kErrorAlreadyExists
                                                                                        : kErrorSuccess);
    return OpenNode(p->Key, access, share);
}

// A folder (or a link opened as itself) is only ever opened, never created or truncated through CreateFileA.
FileHandle SimFiles::OpenFolder(const Parsed& p, std::uint32_t access, std::uint32_t share,
                                std::uint32_t disposition) {
    if (disposition == kCreateNew) return Fail(kErrorFileExists), kNoFile;
    if (disposition != kOpenExisting && disposition != kOpenAlways) return Fail(kErrorAccessDenied), kNoFile;
    if (!p.IsRoot && Nodes.at(p.Key).DeletePending) return Fail(kErrorAccessDenied), kNoFile;
    if (!SharingAllows(p.Key, access, share)) return Fail(kErrorSharingViolation), kNoFile;
    SetLastError(kErrorSuccess);
    return OpenNode(p.Key, access, share);
}

bool SimFiles::WriteFile(FileHandle file, const void* data, std::uint32_t size, std::uint32_t& written) {
    std::lock_guard guard(Lock);
    written = 0;
    if (IsDead(file)) return written = size, true;
    auto h = Handles.find(file);
    if (h == Handles.end() || h->second.Key.empty()) return Fail(kErrorInvalidHandle);
    if (!(h->second.Access & kGenericWrite)) return Fail(kErrorAccessDenied);
    Node& node = Nodes.at(h->second.Key);
    if (node.Directory) return Fail(kErrorAccessDenied);
    if (!Change("write", node.Name)) return written = size, true;
    if (!StillThere(h->second.Key)) return false;
    std::uint32_t asked = size;
    bool shortened = ApplyShortWrite(h->second.Key, size);
    auto& bytes = *node.Data;
    std::uint64_t end = h->second.Position + size;
    if (bytes.size() < end) bytes.resize(end);
    if (size > 0) std::memcpy(bytes.data() + h->second.Position, data, size);
    h->second.Position = end;
    node.LastWrite = Clock.UtcNowTime();
    written = size;
    if (shortened && size < asked) return Fail(kErrorDiskFull);
    return true;
}

bool SimFiles::ReadFile(FileHandle file, void* data, std::uint32_t size, std::uint32_t& read) {
    std::lock_guard guard(Lock);
    read = 0;
    if (IsDead(file)) return true;
    auto h = Handles.find(file);
    if (h == Handles.end() || h->second.Key.empty()) return Fail(kErrorInvalidHandle);
    if (!(h->second.Access & kGenericRead)) return Fail(kErrorAccessDenied);
    auto& bytes = *Nodes.at(h->second.Key).Data;
    std::uint64_t pos = std::min<std::uint64_t>(h->second.Position, bytes.size());
    auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, bytes.size() - pos));
    if (count > 0) std::memcpy(data, bytes.data() + pos, count);
    h->second.Position = pos + count;
    read = count;
    return true;
}

bool SimFiles::SetFileTime(FileHandle file, const FileTime* creation, const FileTime* lastAccess,
                           const FileTime* lastWrite) {
    std::lock_guard guard(Lock);
    if (IsDead(file)) return true;
    auto h = Handles.find(file);
    if (h == Handles.end() || h->second.Key.empty()) return Fail(kErrorInvalidHandle);
    if (!(h->second.Access & kGenericWrite)) return Fail(kErrorAccessDenied);
    Node& node = Nodes.at(h->second.Key);
    if (!Change("set times", node.Name)) return true;
    if (!StillThere(h->second.Key)) return false;
    if (creation) node.Creation = *creation;
    if (lastAccess) node.LastAccess = *lastAccess;
    if (lastWrite) node.LastWrite = *lastWrite;
    return true;
}

bool SimFiles::GetFileTime(FileHandle file, FileTime* creation, FileTime* lastAccess, FileTime* lastWrite) {
    std::lock_guard guard(Lock);
    if (IsDead(file)) return Fail(kErrorInvalidHandle);
    auto h = Handles.find(file);
    if (h == Handles.end() || h->second.Key.empty()) return Fail(kErrorInvalidHandle);
    const Node& node = Nodes.at(h->second.Key);
    if (creation) *creation = node.Creation;
    if (lastAccess) *lastAccess = node.LastAccess;
    if (lastWrite) *lastWrite = node.LastWrite;
    return true;
}

std::optional<std::uint64_t> SimFiles::GetFileSize(FileHandle file) {
    std::lock_guard guard(Lock);
    auto h = Handles.find(file);
    if (h == Handles.end() || h->second.Key.empty()) return Fail(kErrorInvalidHandle), std::nullopt;
    return Nodes.at(h->second.Key).Data->size();
}

// The last handle of an entry marked for deletion takes it away, whoever closes it: the system closes a
// killed process's handles too.
bool SimFiles::CloseHandle(FileHandle file) {
    std::lock_guard guard(Lock);
    auto h = Handles.find(file);
    if (h == Handles.end() || h->second.Elsewhere) return Fail(kErrorInvalidHandle);
    std::string key = h->second.Key;
    Handles.erase(h);
    if (!key.empty()) RemoveOnLastClose(key);
    return true;
}

bool SimFiles::RemoveOnLastClose(const std::string& key) {
    auto it = Nodes.find(key);
    if (it == Nodes.end() || !it->second.DeletePending || HasOpenHandles(key)) return false;
    Nodes.erase(it);
    return true;
}

bool SimFiles::DeleteFileA(const std::string& path) {
    std::lock_guard guard(Lock);
    auto p = Parse(path);
    if (!p) return false;
    auto it = Nodes.find(p->Key);
    if (it == Nodes.end()) return Fail(ParentIsFolder(*p) ? kErrorFileNotFound : kErrorPathNotFound);
    if (it->second.Directory || (it->second.Attributes & kFileAttributeReadOnly))
        return Fail(kErrorAccessDenied);
    if (!HandlesAllowDelete(p->Key)) return Fail(kErrorSharingViolation);
    if (!Change("delete", p->Full)) return true;
    if (!StillThere(p->Key)) return false;
    Nodes.erase(it); // the name goes at once, as with the deletion Windows 10 makes by name
    return true;
}

bool SimFiles::CreateDirectoryA(const std::string& path) {
    return MakeFolder(path, std::nullopt);
}

bool SimFiles::MakeFolder(const std::string& path, const std::optional<std::string>& dacl) {
    std::lock_guard guard(Lock);
    auto p = Parse(path);
    if (!p) return false;
    if (p->IsRoot || Nodes.contains(p->Key)) return Fail(kErrorAlreadyExists);
    if (!ParentIsFolder(*p)) return Fail(kErrorPathNotFound);
    if (!Change("make folder", p->Full)) return true;
    if (!StillThere(p->Key)) return false;
    Node node;
    node.Name = p->Name;
    node.Directory = true;
    node.Owner = KeepsOwners(p->RootKey) ? NewOwner() : std::string();
    if (dacl && !node.Owner.empty()) node.Dacl = *dacl;
    node.Attributes = kFileAttributeDirectory;
    node.Creation = node.LastAccess = node.LastWrite = Clock.UtcNowTime();
    Nodes[p->Key] = std::move(node);
    return true;
}

bool SimFiles::RemoveDirectoryA(const std::string& path) {
    std::lock_guard guard(Lock);
    auto p = Parse(path);
    if (!p) return false;
    auto it = Nodes.find(p->Key);
    if (p->IsRoot || it == Nodes.end()) return Fail(p->IsRoot ? kErrorAccessDenied : kErrorFileNotFound);
    if (!it->second.Directory) return Fail(kErrorDirectoryName);
    if (it->second.Attributes & kFileAttributeReadOnly) return Fail(kErrorAccessDenied);
    auto child = Nodes.lower_bound(p->Key + '\\');
    if (child != Nodes.end() && child->first.starts_with(p->Key + '\\')) return Fail(kErrorDirNotEmpty);
    if (!HandlesAllowDelete(p->Key)) return Fail(kErrorSharingViolation);
    if (!Change("remove folder", p->Full)) return true;
    if (!StillThere(p->Key)) return false;
    Nodes.erase(it);
    return true;
}

std::uint32_t SimFiles::GetFileAttributesA(const std::string& path) {
    std::lock_guard guard(Lock);
    auto p = Parse(path);
    if (!p) return kInvalidFileAttributes;
    if (p->IsRoot) return kFileAttributeDirectory;
    auto it = Nodes.find(p->Key);
    if (it == Nodes.end()) {
        // A name whose opening is to fail stands for a file that something holds: the system then answers
        // with that failure rather than with "not found" (as it does for the paging file).
        auto f = CreateFailures.find(p->Key);
        Fail(f != CreateFailures.end() && f->second.Times > 0 ? f->second.Error
             : ParentIsFolder(*p)                             ? kErrorFileNotFound
                                                              : kErrorPathNotFound);
        return kInvalidFileAttributes;
    }
    return it->second.Attributes;
}

bool SimFiles::SetFileAttributesA(const std::string& path, std::uint32_t attributes) {
    std::lock_guard guard(Lock);
    auto p = Parse(path);
    if (!p) return false;
    auto it = Nodes.find(p->Key);
    if (it == Nodes.end()) return Fail(kErrorFileNotFound);
    if (!Change("set attributes", p->Full)) return true;
    if (!StillThere(p->Key)) return false;
    std::uint32_t kept = it->second.Attributes & (kFileAttributeDirectory | kFileAttributeReparsePoint);
    std::uint32_t settable =
        kFileAttributeReadOnly | kFileAttributeHidden | kFileAttributeSystem | kFileAttributeArchive;
    it->second.Attributes = kept | (attributes & settable);
    if (it->second.Attributes == 0) it->second.Attributes = kFileAttributeNormal;
    return true;
}

TFindData SimFiles::FindDataOf(const Node& node, const std::string& name) const {
    TFindData d;
    d.Attributes = node.Attributes;
    d.CreationTime = node.Creation;
    d.LastAccessTime = node.LastAccess;
    d.LastWriteTime = node.LastWrite;
    d.Size = node.Directory ? 0 : node.Data->size();
    d.Name = name;
    return d;
}

FindHandle SimFiles::FindFirstFileA(const std::string& pattern, TFindData& found) {
    std::lock_guard guard(Lock);
    size_t cut = pattern.find_last_of("\\/");
    auto folder =
        Parse(cut == std::string::npos ? std::string(".") : pattern.substr(0, cut + 1), TLastLink::Followed);
    if (!folder) return kNoFind;
    if (!folder->IsRoot) {
        auto it = Nodes.find(folder->Key);
        if (it == Nodes.end() || !it->second.Directory) return Fail(kErrorPathNotFound), kNoFind;
    }
    std::string wanted = UpperAnsi(cut == std::string::npos ? pattern : pattern.substr(cut + 1));
    Search search;
    if (!folder->IsRoot) {
        const Node& self = Nodes.at(folder->Key);
        for (const char* dots : {".", ".."})
            if (Matches(dots, wanted)) search.Results.push_back(FindDataOf(self, dots));
    }
    std::string prefix = folder->Key + '\\';
    for (auto it = Nodes.lower_bound(prefix); it != Nodes.end() && it->first.starts_with(prefix); ++it) {
        std::string_view rest = std::string_view(it->first).substr(prefix.size());
        if (rest.find('\\') != std::string_view::npos) continue;
        if (Matches(rest, wanted)) search.Results.push_back(FindDataOf(it->second, it->second.Name));
    }
    if (search.Results.empty()) return Fail(kErrorFileNotFound), kNoFind;
    found = search.Results[0];
    search.Next = 1;
    FindHandle handle = NextHandle++;
    Searches[handle] = std::move(search);
    return handle;
}

bool SimFiles::FindNextFileA(FindHandle find, TFindData& found) {
    std::lock_guard guard(Lock);
    auto it = Searches.find(find);
    if (it == Searches.end()) return Fail(kErrorInvalidHandle);
    if (it->second.Next >= it->second.Results.size()) return Fail(kErrorNoMoreFiles);
    found = it->second.Results[it->second.Next++];
    return true;
}

bool SimFiles::FindClose(FindHandle find) {
    std::lock_guard guard(Lock);
    if (Searches.erase(find) == 0) return Fail(kErrorInvalidHandle);
    return true;
}

bool SimFiles::MakeFolderChain(const Parsed& p) {
    if (p.IsRoot || IsFolderKey(p.Key)) return true;
    auto parent = Parse(ParentOf(p.Full));
    if (!parent || !MakeFolderChain(*parent)) return false;
    return CreateDirectoryA(p.Full);
}

bool SimFiles::PutFolder(const std::string& path) {
    std::lock_guard guard(Lock);
    ++SetupDepth;
    auto p = Parse(path);
    bool made = p && MakeFolderChain(*p);
    --SetupDepth;
    return made;
}

bool SimFiles::PutFile(const std::string& path, std::string_view content, FileTime lastWrite) {
    std::lock_guard guard(Lock);
    ++SetupDepth;
    bool put = PutFileQuietly(path, content, lastWrite);
    --SetupDepth;
    return put;
}

bool SimFiles::PutFileQuietly(const std::string& path, std::string_view content, FileTime lastWrite) {
    auto p = Parse(path);
    if (!p || p->IsRoot) return false;
    if (!ParentIsFolder(*p)) {
        auto parent = Parse(ParentOf(p->Full));
        if (!parent || !MakeFolderChain(*parent)) return false;
    }
    FileHandle h = CreateFileA(p->Full, kGenericWrite, 0, kCreateAlways, kFileAttributeNormal);
    if (h == kNoFile) return false;
    std::uint32_t written = 0;
    bool ok = WriteFile(h, content.data(), static_cast<std::uint32_t>(content.size()), written);
    if (ok && lastWrite != 0) ok = SetFileTime(h, nullptr, nullptr, &lastWrite);
    CloseHandle(h);
    return ok;
}

bool SimFiles::PutFolderLink(const std::string& linkPath, const std::string& targetPath) {
    std::lock_guard guard(Lock);
    auto target = FullPathName(targetPath, CurrentDirectory);
    if (!target || target->starts_with("\\\\.\\") || target->starts_with("\\\\?\\") ||
        !SplitFullPath(*target))
        return false;
    auto p = Parse(linkPath);
    if (!p || p->IsRoot || Nodes.contains(p->Key)) return false;
    auto parent = Parse(ParentOf(p->Full));
    ++SetupDepth;
    bool chain = parent && MakeFolderChain(*parent);
    --SetupDepth;
    if (!chain) return false;
    PutLinkNode(*p, *target, true);
    return true;
}

void SimFiles::PutLinkNode(const Parsed& p, const std::string& target, bool folder) {
    Node node;
    node.Name = p.Name;
    node.Directory = folder;
    node.Owner = KeepsOwners(p.RootKey) ? SetupOwner : std::string();
    node.Attributes = (folder ? kFileAttributeDirectory : kFileAttributeArchive) | kFileAttributeReparsePoint;
    node.Creation = node.LastAccess = node.LastWrite = Clock.UtcNowTime();
    node.Target = target;
    Nodes[p.Key] = std::move(node);
}

bool SimFiles::PutFileLink(const std::string& linkPath, const std::string& targetPath) {
    std::lock_guard guard(Lock);
    auto target = FullPathName(targetPath, CurrentDirectory);
    auto p = Parse(linkPath);
    if (!target || !SplitFullPath(*target) || !p || p->IsRoot || Nodes.contains(p->Key) ||
        !ParentIsFolder(*p))
        return false;
    PutLinkNode(*p, *target, false);
    return true;
}

std::optional<std::string> SimFiles::FileContent(const std::string& path) const {
    std::lock_guard guard(Lock);
    auto p = Parse(path, TLastLink::Followed);
    if (!p) return std::nullopt;
    auto it = Nodes.find(p->Key);
    if (it == Nodes.end() || it->second.Directory) return std::nullopt;
    const auto& data = *it->second.Data;
    return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

std::optional<FileTime> SimFiles::LastWriteOf(const std::string& path) const {
    std::lock_guard guard(Lock);
    auto p = Parse(path);
    if (!p) return std::nullopt;
    auto it = Nodes.find(p->Key);
    if (it == Nodes.end()) return std::nullopt;
    return it->second.LastWrite;
}

size_t SimFiles::OpenHandleCount() const {
    std::lock_guard guard(Lock);
    return std::count_if(Handles.begin(), Handles.end(), [](auto& h) { return !h.second.Elsewhere; });
}

FileHandle SimFiles::HoldElsewhere(const std::string& path, std::uint32_t access, std::uint32_t share) {
    std::lock_guard guard(Lock);
    auto p = Parse(path, TLastLink::Followed);
    auto node = p ? Nodes.find(p->Key) : Nodes.end();
    if (node == Nodes.end() || node->second.Directory) return kNoFile;
    FileHandle handle = NextHandle++;
    OpenFile open{p->Key, access, share, 0};
    open.Elsewhere = true;
    Handles[handle] = open;
    return handle;
}

void SimFiles::ReleaseElsewhere(FileHandle handle) {
    std::lock_guard guard(Lock);
    auto h = Handles.find(handle);
    if (h == Handles.end() || !h->second.Elsewhere) return;
    std::string key = h->second.Key;
    Handles.erase(h);
    RemoveOnLastClose(key);
}

SimFiles::TFileUsers SimFiles::UsersOf(const std::string& path) const {
    std::lock_guard guard(Lock);
    TFileUsers users;
    auto p = Parse(path, TLastLink::Followed);
    if (!p) return users;
    for (auto& [handle, open] : Handles) {
        if (open.Key.empty() || open.Key != p->Key) continue;
        if (open.Elsewhere)
            users.Elsewhere.push_back(handle);
        else
            users.Program = true;
    }
    return users;
}

void SimFiles::AttachChanges(SimChanges& changes) {
    std::lock_guard guard(Lock);
    Changes = &changes;
}

bool SimFiles::Change(std::string_view what, const std::string& path) {
    return SetupDepth > 0 || Changes == nullptr || Changes->Begin(what, path);
}

// What a change's own hook may have done: the drive it was about to change is gone, and the change fails as
// any call on it would.
bool SimFiles::StillThere(const std::string& key) {
    if (!key.starts_with("\\\\")) return RootIsReachable(key.substr(0, key.find('\\')));
    size_t share = key.find('\\', 2);
    return share == std::string::npos || RootIsReachable(key.substr(0, key.find('\\', share + 1)));
}

FileHandle SimFiles::DeadHandle() {
    FileHandle handle = NextHandle++;
    OpenFile open;
    open.Dead = true;
    Handles[handle] = open;
    SetLastError(kErrorSuccess);
    return handle;
}

bool SimFiles::IsDead(FileHandle file) const {
    auto h = Handles.find(file);
    return h != Handles.end() && h->second.Dead;
}

SimFiles::Node* SimFiles::NodeOf(FileHandle file) {
    auto h = Handles.find(file);
    if (h == Handles.end() || h->second.Key.empty()) return nullptr;
    auto it = Nodes.find(h->second.Key);
    return it == Nodes.end() ? nullptr : &it->second;
}

bool SimFiles::KeepsOwners(const std::string& rootKey) const {
    if (rootKey.size() != 2) return true; // a share: the server's NTFS
    auto drive = Volumes.Drive(rootKey[0]);
    return !drive || drive->FileSystemName == "NTFS";
}

const std::string& SimFiles::NewOwner() const {
    return SetupDepth > 0 ? SetupOwner : CreatorOwner;
}

void SimFiles::SetCreatorOwner(const std::string& sid) {
    std::lock_guard guard(Lock);
    CreatorOwner = sid;
}

void SimFiles::SetSetupOwner(const std::string& sid) {
    std::lock_guard guard(Lock);
    SetupOwner = sid;
}

const SimFiles::Node* SimFiles::NodeAt(const std::string& path) const {
    auto p = Parse(path);
    if (!p) return nullptr;
    auto it = Nodes.find(p->Key);
    return it == Nodes.end() ? nullptr : &it->second;
}

bool SimFiles::SetOwner(const std::string& path, const std::string& sid) {
    std::lock_guard guard(Lock);
    Node* node = NodeAt(path);
    if (node) node->Owner = sid;
    return node != nullptr;
}

std::optional<std::string> SimFiles::OwnerOf(const std::string& path) const {
    std::lock_guard guard(Lock);
    const Node* node = NodeAt(path);
    if (!node) return std::nullopt;
    return node->Owner;
}

bool SimFiles::UserMove(const std::string& from, const std::string& to) {
    std::lock_guard guard(Lock);
    ++SetupDepth;
    bool moved = MoveFileExA(from, to, 0);
    --SetupDepth;
    return moved;
}

void SimFiles::CloseAllHandles() {
    std::lock_guard guard(Lock);
    std::vector<FileHandle> open;
    for (auto& [handle, file] : Handles)
        if (!file.Elsewhere) open.push_back(handle);
    for (FileHandle handle : open)
        (void)CloseHandle(handle);
    Searches.clear();
}

bool SimFiles::GetFileInformationByHandle(FileHandle file, TFileInformation& info) {
    std::lock_guard guard(Lock);
    Node* node = NodeOf(file);
    if (!node) return Fail(kErrorInvalidHandle);
    info.Attributes = node->Attributes;
    info.LastWriteTime = node->LastWrite;
    info.Size = node->Directory ? 0 : node->Data->size();
    info.NumberOfLinks = 1;
    return true;
}

std::optional<std::string> SimFiles::GetOwnerSid(FileHandle file) {
    std::lock_guard guard(Lock);
    auto h = Handles.find(file);
    Node* node = NodeOf(file);
    if (!node) return Fail(kErrorInvalidHandle), std::nullopt;
    if (!(h->second.Access & (kReadControl | kGenericRead))) return Fail(kErrorAccessDenied), std::nullopt;
    if (node->Owner.empty()) return Fail(kErrorNotSupported), std::nullopt;
    return node->Owner;
}

bool SimFiles::DeleteByHandle(FileHandle file) {
    std::lock_guard guard(Lock);
    if (IsDead(file)) return true;
    auto h = Handles.find(file);
    Node* node = NodeOf(file);
    if (!node) return Fail(kErrorInvalidHandle);
    if (!(h->second.Access & kDeleteAccess)) return Fail(kErrorAccessDenied);
    if (node->Attributes & kFileAttributeReadOnly) return Fail(kErrorAccessDenied);
    const std::string& key = h->second.Key;
    if (node->Directory && node->Target.empty()) {
        auto child = Nodes.lower_bound(key + '\\');
        if (child != Nodes.end() && child->first.starts_with(key + '\\')) return Fail(kErrorDirNotEmpty);
    }
    if (!Change("delete", node->Name)) return true;
    if (!StillThere(key)) return false;
    node->DeletePending = true;
    return true;
}

} // namespace ulv::sim
