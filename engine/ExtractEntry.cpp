#include "AttachFiles.h"
#include "utils/InstUtils.h"

namespace ulv {

std::string CannotCreateFileText(const std::string& path) {
    return "Impossible de créer le fichier \"" + path +
           "\".\rCe fichier est peut-être actuellement utilisé par une autre application.\r\r"
           "Veuillez vous assurer que le processus d'installation du traitement de texte Ulvara n'est pas "
           "bloqué par votre logiciel de sécurité (pare-feu ou antivirus).\rEssayez de désactiver votre "
           "logiciel de sécurité et relancez l'installation d'Ulvara.";
}

const TAttachedFile* TAttachedFiles::FindLast(const std::string& name) {
    for (auto it = Entries.rbegin(); it != Entries.rend(); ++it)
        if (Utils->SameTextNoCase(it->Name, name)) return &*it;
    return nullptr;
}

std::optional<FileTime> TAttachedFiles::StampToFileTime(TDateTime stamp) {
    TCivilTime t;
    if (!DecodeDateTime(stamp, t) || t.Year < 1980 || t.Year > 2099) return std::nullopt;
    auto dosDate = static_cast<std::uint16_t>((t.Year - 1980) * 512 + t.Month * 32 + t.Day);
    auto dosTime = static_cast<std::uint16_t>(t.Hour * 2048 + t.Minute * 32 + t.Second / 2);
    FileTime local = 0, utc = 0;
    if (!Platform->Clock.DosDateTimeToFileTime(dosDate, dosTime, local)) return std::nullopt;
    if (!Platform->Clock.LocalFileTimeToFileTime(local, utc)) return std::nullopt;
    return utc;
}

// The file is written whole beside its target and moved over it, stamped before the move: a run cut short,
// a full disk or a drive pulled out leaves the old file or none, never a part that a later run would keep.
// A folder on the way to the shared data that the setup must not write through refuses the file without a
// question: the refusal is told once, with the others, and the installation goes on.
TAttachedFiles::TWrite TAttachedFiles::WriteEntry(const TAttachedFile& entry, const std::string& targetPath,
                                                  std::uint32_t& error) {
    size_t cut = targetPath.rfind('\\');
    if (cut != std::string::npos) {
        std::string folder = targetPath.substr(0, cut + 1);
        if (Utils->RefusedOnGuardedWay(folder)) return TWrite::Refused;
        Utils->MakeDirectoryTree(folder);
        if (Utils->RefusedOnGuardedWay(folder)) return TWrite::Refused;
    }
    std::optional<FileTime> stamp = StampToFileTime(entry.Time);
    std::string_view data(reinterpret_cast<const char*>(Payload()) + entry.DataOffset,
                          static_cast<size_t>(entry.Size));
    if (!Utils->WriteFileWhole(targetPath, data, stamp ? &*stamp : nullptr, &error)) return TWrite::Failed;
    Utils->AddLogLine(std::string(kFileCopyPrefix) + targetPath);
    return TWrite::Written;
}

void TAttachedFiles::LogFailure(const std::string& targetPath, std::uint32_t error) {
    if (!FailureLog || !FailureLog->IsOpen()) return;
    std::string reason = "erreur " + std::to_string(error);
    switch (error) {
    case kErrorAccessDenied:
        reason += " : accès refusé";
        break;
    case kErrorSharingViolation:
        reason += " : fichier ouvert par un autre programme";
        break;
    case kErrorHandleDiskFull:
    case kErrorDiskFull:
        reason += " : disque plein";
        break;
    case kErrorFileNotFound:
        reason += " : absent du programme d'installation";
        break;
    default:
        break;
    }
    FailureLog->Line("Échec : " + targetPath + " (" + reason + ")");
}

bool TAttachedFiles::ExtractEntry(const TAttachedFile* entry, const std::string& name,
                                  const std::string& targetPath) {
    if (!entry) entry = FindLast(name);
    for (;;) {
        std::uint32_t error = kErrorFileNotFound;
        if (entry && WriteEntry(*entry, targetPath, error) != TWrite::Failed) return true;
        LogFailure(targetPath, error);
        int answer = AskUser(CannotCreateFileText(targetPath), kDialogError, kButtonsAbortRetryIgnore);
        if (answer == kResultAbort) return false;
        if (answer == kResultIgnore) return true;
    }
}

} // namespace ulv
