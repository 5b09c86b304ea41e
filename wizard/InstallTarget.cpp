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
    if (target.DataBase.empty()) return target;
    for (std::size_t kind = 0; kind < kDataFolderKinds; ++kind) {
        const std::string& folder = target.DataFolders[kind];
        if (folder.empty()) continue; // refused already, through a link above it
        if (std::string link = utils.FirstLinkBelow(target.DataBase, folder); !link.empty())
            RefuseDataFoldersThrough(target, link);
    }
    return target;
}

void RefuseDataFoldersThrough(TInstallTarget& target, const std::string& link) {
    std::string prefix = link + "\\";
    for (std::string& folder : target.DataFolders)
        if (folder.size() >= prefix.size() && folder.compare(0, prefix.size(), prefix) == 0) folder.clear();
    for (const std::string& known : target.RefusedLinks)
        if (known == link) return;
    target.RefusedLinks.push_back(link);
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

} // namespace ulv
