// Files written whole or not at all, and deletions that never go through a link: the setup runs elevated, or
// as SYSTEM, in folders that other users may write (ENGINEERING.md, section 12).
#include "InstUtils.h"

#include <algorithm>

namespace ulv {
namespace {

// Names tried for a work file before giving up: a leftover or another's file stands at the others.
constexpr std::uint32_t kWorkNames = 64;

std::string FolderOf(const std::string& path) {
    size_t cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string WorkFileName(std::uint32_t number) {
    return std::string(kWorkFilePrefix) + std::to_string(number) + std::string(kWorkFileSuffix);
}

} // namespace

bool IsWorkFileName(std::string_view name) {
    if (!name.starts_with(kWorkFilePrefix) || !name.ends_with(kWorkFileSuffix)) return false;
    std::string_view digits = name.substr(kWorkFilePrefix.size());
    digits.remove_suffix(kWorkFileSuffix.size());
    return !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<std::pair<std::string, UniqueFile>> NewWorkFile(IFiles& files, const std::string& folder,
                                                              std::uint32_t access, std::uint32_t share,
                                                              std::uint32_t* error) {
    for (std::uint32_t number = 1; number <= kWorkNames; ++number) {
        std::string name = folder + WorkFileName(number);
        UniqueFile file(files, files.CreateFileA(name, access, share, kCreateNew,
                                                 kFileAttributeNormal | kFileFlagOpenReparsePoint));
        if (file) return std::pair{std::move(name), std::move(file)};
        // Only what stands at the name sends it to the next one: a folder there, a leftover held open, a
        // link to nothing (whose attributes Wine does not give).
        std::uint32_t code = files.LastError();
        if (error) *error = code;
        if (code != kErrorFileExists && code != kErrorAlreadyExists &&
            files.GetFileAttributesA(name) == kInvalidFileAttributes)
            return std::nullopt;
    }
    return std::nullopt;
}

// The target is looked at first, as itself: one that another program holds open without letting it be
// replaced, or that is read-only or a folder, fails here, before megabytes are written for nothing, and with
// the reason the old in-place write gave.
bool TInstUtils::WriteFileWhole(const std::string& path, std::string_view content, const FileTime* lastWrite,
                                std::uint32_t* error) {
    IFiles& files = Platform.Files;
    auto failed = [&](std::uint32_t code) {
        if (error) *error = code;
        return false;
    };
    const std::string folder = FolderOf(path);
    RemoveWorkLeftovers(folder);
    // Most files of an installation go into folders it has just made: a name that shows no attributes needs
    // no open (which Wine pays for with two trips to its server). One that appears after this look is
    // replaced by the rename, or makes it fail.
    if (files.GetFileAttributesA(path) != kInvalidFileAttributes || files.LastError() != kErrorFileNotFound) {
        UniqueFile target(files, files.CreateFileA(path, kDeleteAccess, kFileShareRead | kFileShareWrite,
                                                   kOpenExisting, kFileFlagOpenReparsePoint));
        std::uint32_t code = files.LastError();
        if (!target && code != kErrorFileNotFound) return failed(code);
        TFileInformation info;
        if (target && files.GetFileInformationByHandle(target.Get(), info) &&
            (info.Attributes & kFileAttributeReadOnly) && !(info.Attributes & kFileAttributeReparsePoint))
            return failed(kErrorAccessDenied);
    }
    std::uint32_t code = 0;
    auto made = NewWorkFile(files, folder, kGenericWrite | kDeleteAccess, 0, &code);
    if (!made) return failed(code);
    auto& [work, file] = *made;
    std::uint32_t written = 0;
    auto size = static_cast<std::uint32_t>(content.size());
    if (!files.WriteFile(file.Get(), content.data(), size, written) || written != size) {
        std::uint32_t code = written != size && files.LastError() == kErrorSuccess ? kErrorDiskFull
                                                                                     : files.LastError();
        (void)files.DeleteByHandle(file.Get());
        return failed(code);
    }
    if (lastWrite) (void)files.SetFileTime(file.Get(), nullptr, nullptr, lastWrite);
    if (!file.Reset()) {
        std::uint32_t code = files.LastError();
        (void)files.DeleteFileA(work);
        return failed(code);
    }
    if (!files.MoveFileExA(work, path, kMoveFileReplaceExisting | kMoveFileWriteThrough)) {
        std::uint32_t code = files.LastError();
        (void)files.DeleteFileA(work);
        return failed(code);
    }
    return true;
}

bool TInstUtils::ReplaceFile(const std::string& path, std::string_view content) {
    return WriteFileWhole(path, content, nullptr);
}

void TInstUtils::RemoveWorkLeftovers(const std::string& folder) {
    {
        std::lock_guard guard(WorkLock);
        std::string key = folder;
        Platform.Text.CharUpperBuffA(key);
        if (std::find(SweptFolders.begin(), SweptFolders.end(), key) != SweptFolders.end()) return;
        SweptFolders.push_back(std::move(key));
    }
    for (const TFindData& entry : ListFolder(folder)) {
        if (!IsWorkFileName(entry.Name) || (entry.Attributes & kFileAttributeDirectory)) continue;
        // By its name: DeleteFileA removes what stands at a name, a link as a link, and goes through
        // nothing (the folder is one the setup writes into); Wine shows a link to a file as a file, and
        // a deletion through a handle opened on one would take the file it leads to.
        (void)Platform.Files.DeleteFileA(folder + entry.Name);
    }
}

UniqueFile TInstUtils::OpenAsItself(const std::string& path) {
    return UniqueFile(Platform.Files,
                      Platform.Files.CreateFileA(path, kDeleteAccess | kReadControl,
                                                 kFileShareRead | kFileShareWrite, kOpenExisting,
                                                 kFileFlagOpenReparsePoint | kFileFlagBackupSemantics));
}

// What the handle shows decides, not what a listing said: a link goes as a link, and a folder is emptied
// through its own name while the handle keeps anyone from putting something else there.
void TInstUtils::DeleteHeld(const std::string& path, UniqueFile& held) {
    IFiles& files = Platform.Files;
    TFileInformation info;
    if (!files.GetFileInformationByHandle(held.Get(), info)) return;
    // Wine opens a link on its Linux side as what it leads to, and only the name's attributes tell: such a
    // link goes by its name, as a link, and nothing is entered.
    std::uint32_t attributes = files.GetFileAttributesA(path);
    if (!(info.Attributes & kFileAttributeReparsePoint) && attributes != kInvalidFileAttributes &&
        (attributes & kFileAttributeReparsePoint)) {
        held.Reset();
        (void)(attributes & kFileAttributeDirectory ? files.RemoveDirectoryA(path) : files.DeleteFileA(path));
        return;
    }
    // A file goes by its name, which removes a link as a link; only a real folder, held open so that its
    // name keeps leading to it, is emptied and deleted through its handle.
    if (!(info.Attributes & kFileAttributeDirectory)) {
        held.Reset();
        (void)files.DeleteFileA(path);
        return;
    }
    if (!(info.Attributes & kFileAttributeReparsePoint)) {
        std::string folder = path;
        EnsureTrailingBackslash(folder);
        for (const TFindData& entry : ListFolder(folder)) {
            UniqueFile child = OpenAsItself(folder + entry.Name);
            if (child)
                DeleteHeld(folder + entry.Name, child);
            else if (!(entry.Attributes & kFileAttributeDirectory))
                (void)files.DeleteFileA(folder + entry.Name); // a link to nothing cannot be opened
        }
    }
    (void)files.DeleteByHandle(held.Get());
}

// The starting folder is opened as well: it may itself be a link. Its name is taken without a final
// backslash, which would name the target rather than the link (but "C:" would be the drive's current
// folder, so a root keeps it).
void TInstUtils::DeleteDirectoryTree(const std::string& path) {
    std::string name = path;
    while (name.size() > 1 && (name.back() == '\\' || name.back() == '/') && name[name.size() - 2] != ':')
        name.pop_back();
    if (name.empty()) return;
    UniqueFile held = OpenAsItself(name);
    TFileInformation info;
    if (!held || !Platform.Files.GetFileInformationByHandle(held.Get(), info) ||
        !(info.Attributes & kFileAttributeDirectory))
        return;
    DeleteHeld(name, held);
}

void TInstUtils::DeleteBelow(const std::string& base, const std::string& path) {
    if (path.size() <= base.size()) return;
    std::vector<UniqueFile> levels;
    for (size_t cut = path.find('\\', base.size()); cut != std::string::npos && cut + 1 < path.size();
         cut = path.find('\\', cut + 1)) {
        UniqueFile level = OpenAsItself(path.substr(0, cut));
        TFileInformation info;
        if (!level || !Platform.Files.GetFileInformationByHandle(level.Get(), info) ||
            ((info.Attributes | Platform.Files.GetFileAttributesA(path.substr(0, cut))) &
             kFileAttributeReparsePoint) ||
            !(info.Attributes & kFileAttributeDirectory))
            return;
        levels.push_back(std::move(level));
    }
    std::string name = path;
    if (name.back() == '\\') name.pop_back();
    UniqueFile held = OpenAsItself(name);
    if (held) DeleteHeld(name, held);
}

void TInstUtils::DeleteTempLeftovers() {
    const std::string folder = GetTempFolder();
    if (folder.empty()) return;
    const std::string prefix = TempNamePrefix();
    for (const TFindData& entry : ListFolder(folder)) {
        if (!entry.Name.starts_with(prefix)) continue; // case-sensitive, as the names are ours
        UniqueFile held = OpenAsItself(folder + entry.Name);
        if (held) DeleteHeld(folder + entry.Name, held);
    }
}

} // namespace ulv
