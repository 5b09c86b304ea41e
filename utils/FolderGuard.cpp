// The folders below the common application-data folder, which every user may add to: the setup writes only
// through levels that are real folders belonging to an administrator (or to the account it runs as).
#include "InstUtils.h"

#include <algorithm>

namespace ulv {

const std::string& TInstUtils::OwnSid() {
    if (!OwnSidValue) OwnSidValue = Platform.System.ProcessUserSid();
    return *OwnSidValue;
}

std::string TInstUtils::ProgramFolderSddl() {
    std::string sddl(kProgramFolderSddl);
    if (!Platform.System.InAdministratorsGroup() && !OwnSid().empty())
        sddl += "(A;OICI;FA;;;" + OwnSid() + ")";
    return sddl;
}

bool TInstUtils::OwnedByTrusted(FileHandle handle) {
    std::optional<std::string> owner = Platform.Files.GetOwnerSid(handle);
    if (!owner) return true; // a file system without owners: no other user's folder can be told apart
    std::lock_guard guard(GuardLock);
    return *owner == kSidAdministrators || *owner == kSidLocalSystem || *owner == kSidTrustedInstaller ||
           (!OwnSid().empty() && *owner == OwnSid());
}

// A level that cannot be opened to be looked at is judged by its attributes alone, as before handles were
// asked: a folder the setup may not even read it will not manage to write into either.
TInstUtils::TLevel TInstUtils::JudgeLevel(const std::string& level) {
    IFiles& files = Platform.Files;
    UniqueFile held(files,
                    files.CreateFileA(level, kReadControl, kFileShareRead | kFileShareWrite, kOpenExisting,
                                      kFileFlagOpenReparsePoint | kFileFlagBackupSemantics));
    TFileInformation info;
    if (!held || !files.GetFileInformationByHandle(held.Get(), info)) {
        std::uint32_t attributes = files.GetFileAttributesA(level);
        if (attributes == kInvalidFileAttributes) return TLevel::Missing;
        return attributes & kFileAttributeReparsePoint ? TLevel::Link : TLevel::Sound;
    }
    // Wine opens a link on its Linux side as what it leads to, and only its attributes show it.
    if ((info.Attributes | files.GetFileAttributesA(level)) & kFileAttributeReparsePoint) return TLevel::Link;
    if (!(info.Attributes & kFileAttributeDirectory)) return TLevel::Missing; // a file: the write will fail
    return OwnedByTrusted(held.Get()) ? TLevel::Sound : TLevel::Foreign;
}

TFolderRefusal TInstUtils::FirstRefusedBelow(const std::string& base, const std::string& path) {
    if (path.size() <= base.size()) return {};
    for (size_t cut = path.find('\\', base.size());; cut = path.find('\\', cut + 1)) {
        std::string level = path.substr(0, cut);
        switch (JudgeLevel(level)) {
        case TLevel::Missing:
            return {}; // nothing below a missing level exists yet
        case TLevel::Link:
            return {level, TRefusalKind::Link};
        case TLevel::Foreign:
            return {level, TRefusalKind::Foreign};
        case TLevel::Sound:
            break;
        }
        if (cut == std::string::npos || cut + 1 >= path.size()) return {};
    }
}

void TInstUtils::SetGuardedBase(const std::string& base) {
    std::lock_guard guard(GuardLock);
    GuardedBase = base;
    SoundWays.clear();
}

// Each level found sound is remembered for the rest of the run, so that the plan's hundreds of files and
// the worker ask the system once per folder.
bool TInstUtils::RefusedOnGuardedWay(const std::string& folder) {
    std::string base;
    {
        std::lock_guard guard(GuardLock);
        base = GuardedBase;
    }
    if (base.empty() || folder.size() <= base.size() || !SameTextNoCase(folder.substr(0, base.size()), base))
        return false;
    TFolderRefusal refusal;
    for (size_t cut = folder.find('\\', base.size()); cut != std::string::npos && !refusal;
         cut = cut + 1 < folder.size() ? folder.find('\\', cut + 1) : std::string::npos) {
        std::string level = folder.substr(0, cut), key = level;
        Platform.Text.CharUpperBuffA(key);
        {
            std::lock_guard guard(GuardLock);
            if (std::find(SoundWays.begin(), SoundWays.end(), key) != SoundWays.end()) continue;
        }
        TLevel judged = JudgeLevel(level);
        if (judged == TLevel::Missing) break; // nothing below a missing level exists yet
        if (judged == TLevel::Sound) {
            std::lock_guard guard(GuardLock);
            SoundWays.push_back(std::move(key));
            continue;
        }
        refusal = {level, judged == TLevel::Link ? TRefusalKind::Link : TRefusalKind::Foreign};
    }
    if (!refusal) return false;
    std::lock_guard guard(GuardLock);
    auto known = [&](const std::vector<TFolderRefusal>& list) {
        return std::find(list.begin(), list.end(), refusal) != list.end();
    };
    if (!known(Refusals) && !known(RefusalsTaken)) Refusals.push_back(refusal);
    return true;
}

std::vector<TFolderRefusal> TInstUtils::TakeRefusals() {
    std::lock_guard guard(GuardLock);
    std::vector<TFolderRefusal> taken = std::move(Refusals);
    Refusals.clear();
    RefusalsTaken.insert(RefusalsTaken.end(), taken.begin(), taken.end());
    return taken;
}

} // namespace ulv
