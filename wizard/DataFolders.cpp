// The folders the word processor keeps its shared data in, as the installation's target names them, made
// when they are first written into.
#include "platform/ui/MessageDialog.h"
#include "utils/InstUtils.h"
#include "wizard/InstallPlan.h"
#include "wizard/Installation.h"

namespace ulv {

void TInstallation::FixInstallTarget() {
    Target = ComputeInstallTarget(Utils, Options.MainDir, PortableAtCheck.value_or(IsPortableDestination()));
}

std::string TInstallation::DataFolder(TDataFolderKind kind) {
    return PrepareDataFolder(Target.DataFolder(kind));
}

// The parents are made first, each logged as made unless logging is suspended. A link that appeared on the
// way since the target was fixed refuses the folder as one found then would have, before anything is made
// through it and after.
std::string TInstallation::PrepareDataFolder(const std::string& folder) {
    if (folder.empty() || RefusedForLink(folder)) return {};
    Utils.MakeDirectoryTree(folder);
    return RefusedForLink(folder) ? std::string() : folder;
}

bool TInstallation::RefusedForLink(const std::string& folder) {
    if (Target.DataBase.empty()) return false;
    TFolderRefusal refusal = Utils.FirstRefusedBelow(Target.DataBase, folder);
    if (!refusal) return false;
    RefuseDataFoldersThrough(Target, refusal);
    return true;
}

// Once per refused folder, with those the install thread met: the person learns which folder was refused
// and why, and the installation goes on.
void TInstallation::TellRefusedDataFolders() {
    for (const TFolderRefusal& refusal : Utils.TakeRefusals())
        RefuseDataFoldersThrough(Target, refusal);
    TellUntold(Target.RefusedLinks, RefusedLinksTold, RefusedDataFoldersText);
    TellUntold(Target.RefusedForeign, RefusedForeignTold, ForeignDataFoldersText);
}

void TInstallation::TellUntold(const std::vector<std::string>& refused, std::size_t& told,
                               std::string (*text)(const std::vector<std::string>&)) {
    if (told >= refused.size()) return;
    std::vector<std::string> untold(refused.begin() + static_cast<std::ptrdiff_t>(told), refused.end());
    told = refused.size();
    Ask(text(untold), kMessageWarning, kButtonOk);
}

} // namespace ulv
