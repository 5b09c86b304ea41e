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
    // A stick's file system keeps no rights, and a portable installation starts nothing elevated.
    utils.SetProgramFolder(portable ? std::string() : mainDir);
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

namespace {

// The warning for refused data folders: why (for one folder or several), the rule, the folders one per
// line, and what the person can do about it.
std::string RefusalText(const std::vector<std::string>& levels, std::string_view one, std::string_view many,
                        std::string_view rule, std::string_view what) {
    std::string text(levels.size() > 1 ? many : one);
    text += ", et l'installation n'écrit jamais ";
    text += rule;
    text += ".\r\r";
    for (const std::string& level : levels)
        text += level + "\r";
    text += "\rLes fichiers partagés qui devaient y être placés n'ont pas été installés. Supprimez ce ";
    text += what;
    text += ", puis relancez l'installation.";
    return text;
}

} // namespace

std::string RefusedDataFoldersText(const std::vector<std::string>& links) {
    return RefusalText(
        links,
        "Le dossier de données suivant n'a pas été utilisé : c'est un lien (jonction ou lien "
        "symbolique) qui mène à un autre emplacement",
        "Les dossiers de données suivants n'ont pas été utilisés : ce sont des liens (jonctions "
        "ou liens symboliques) qui mènent à d'autres emplacements",
        "à travers un lien", "lien");
}

std::string ForeignDataFoldersText(const std::vector<std::string>& folders) {
    return RefusalText(folders,
                       "Le dossier de données suivant n'a pas été utilisé : il a été créé par un utilisateur "
                       "qui n'est pas administrateur de cet ordinateur",
                       "Les dossiers de données suivants n'ont pas été utilisés : ils ont été créés par un "
                       "utilisateur qui n'est pas administrateur de cet ordinateur",
                       "dans un dossier qu'un autre utilisateur contrôle", "dossier");
}

} // namespace ulv
