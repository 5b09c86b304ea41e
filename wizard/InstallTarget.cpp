// The installation's target, computed once at its start.
#include "wizard/InstallTarget.h"

#include "resources/ResConst.h"

namespace ulv {
namespace {

constexpr std::array<std::string_view, kDataFolderKinds> kBelowDataRoot = {"", "Hidden\\", "Public\\",
                                                                           "Public\\Orthographe\\"};
constexpr std::string_view kPortableSpelling = "Orthographe\\";

std::string WithBackslash(std::string folder) {
    return EnsureTrailingBackslash(folder);
}

} // namespace

TInstallTarget InstallTargetFor(const std::string& mainDir, bool portable, const std::string& commonAppData,
                                const std::string& personal) {
    TInstallTarget target;
    target.MainDir = mainDir;
    target.Portable = portable;
    if (portable) {
        std::string folder = WithBackslash(mainDir);
        target.OldImagesBase = folder;
        if (folder.empty()) return target;
        target.DataFolders = {folder, folder, folder, folder + std::string(kPortableSpelling)};
        return target;
    }
    if (!personal.empty()) target.OldImagesBase = JoinPath(personal, kProductFolderName) + "\\";
    // Neither is known: a folder relative to whatever is current would be no place for shared data.
    target.DataBase = WithBackslash(commonAppData.empty() ? personal : commonAppData);
    if (target.DataBase.empty()) return target;
    std::string root = target.DataBase + std::string(kProductFolderName) + "\\";
    for (std::size_t kind = 0; kind < kDataFolderKinds; ++kind)
        target.DataFolders[kind] = root + std::string(kBelowDataRoot[kind]);
    return target;
}

// The shared data is written with the rights of whoever installs, often an administrator, into folders any
// user may have made first: a junction there would lead those writes wherever its maker wants.
TInstallTarget ComputeInstallTarget(TInstUtils& utils, const std::string& mainDir, bool portable) {
    std::string commonAppData, personal;
    if (!portable) {
        commonAppData = utils.GetSpecialFolder(kCsidlCommonAppData);
        personal = utils.GetSpecialFolder(kCsidlPersonal);
    }
    TInstallTarget target = InstallTargetFor(mainDir, portable, commonAppData, personal);
    utils.SetGuardedBase(target.DataBase);
    if (target.DataBase.empty()) return target;
    for (std::size_t kind = 0; kind < kDataFolderKinds; ++kind) {
        const std::string& folder = target.DataFolders[kind];
        if (folder.empty()) continue; // refused already, through a level above it
        if (TFolderRefusal refusal = utils.FirstRefusedBelow(target.DataBase, folder))
            RefuseDataFoldersThrough(target, refusal);
    }
    return target;
}

void RefuseDataFoldersThrough(TInstallTarget& target, const TFolderRefusal& refusal) {
    std::string prefix = refusal.Level + "\\";
    for (std::string& folder : target.DataFolders)
        if (folder.size() >= prefix.size() && folder.compare(0, prefix.size(), prefix) == 0) folder.clear();
    std::vector<std::string>& known =
        refusal.Kind == TRefusalKind::Link ? target.RefusedLinks : target.RefusedForeign;
    for (const std::string& level : known)
        if (level == refusal.Level) return;
    known.push_back(refusal.Level);
}

std::string RefusedDataFoldersText(const std::vector<std::string>& links) {
    std::string names;
    for (const std::string& link : links)
        names += link + "\r";
    std::string head = links.size() > 1
                           ? "Les dossiers de données suivants n'ont pas été utilisés : ce sont des liens "
                             "(jonctions ou liens symboliques) qui mènent à d'autres emplacements"
                           : "Le dossier de données suivant n'a pas été utilisé : c'est un lien (jonction ou "
                             "lien symbolique) qui mène à un autre emplacement";
    return head + ", et l'installation n'écrit jamais à travers un lien.\r\r" + names +
           "\rLes fichiers partagés qui devaient y être placés n'ont pas été installés. Supprimez ce lien, "
           "puis relancez l'installation.";
}

std::string ForeignDataFoldersText(const std::vector<std::string>& folders) {
    std::string names;
    for (const std::string& folder : folders)
        names += folder + "\r";
    std::string head = folders.size() > 1
                           ? "Les dossiers de données suivants n'ont pas été utilisés : ils ont été créés par un "
                             "utilisateur qui n'est pas administrateur de cet ordinateur"
                           : "Le dossier de données suivant n'a pas été utilisé : il a été créé par un "
                             "utilisateur qui n'est pas administrateur de cet ordinateur";
    return head + ", et l'installation n'écrit jamais dans un dossier qu'un autre utilisateur contrôle.\r\r" +
           names +
           "\rLes fichiers partagés qui devaient y être placés n'ont pas été installés. Supprimez ce dossier, "
           "puis relancez l'installation.";
}

} // namespace ulv
