// The folders the word processor keeps its shared data in, as the installation's target names them, made
// when they are first written into.
#include "platform/ui/MessageDialog.h"
#include "utils/InstUtils.h"
#include "wizard/InstallPlan.h"
#include "wizard/MainDlg.h"

namespace ulv {

void TMainDlgForm::FixInstallTarget() {
    Target = ComputeInstallTarget(Utils, Options.MainDir, IsPortableDestination());
}

std::string TMainDlgForm::DataFolder(TDataFolderKind kind) {
    return PrepareDataFolder(Target.DataFolder(kind));
}

// The parents are made first, each logged as made unless logging is suspended. A link that appeared on the
// way since the target was fixed refuses the folder as one found then would have, before anything is made
// through it and after.
std::string TMainDlgForm::PrepareDataFolder(const std::string& folder) {
    if (folder.empty() || RefusedForLink(folder)) return {};
    Utils.MakeDirectoryTree(folder);
    return RefusedForLink(folder) ? std::string() : folder;
}

bool TMainDlgForm::RefusedForLink(const std::string& folder) {
    if (Target.DataBase.empty()) return false;
    std::string link = Utils.FirstLinkBelow(Target.DataBase, folder);
    if (link.empty()) return false;
    RefuseDataFoldersThrough(Target, link);
    return true;
}

// Once per link: the person learns which folder was refused and why, and the installation goes on.
void TMainDlgForm::TellRefusedDataFolders() {
    const std::vector<std::string>& links = Target.RefusedLinks;
    if (RefusedLinksTold >= links.size()) return;
    std::vector<std::string> untold(links.begin() + static_cast<std::ptrdiff_t>(RefusedLinksTold),
                                    links.end());
    RefusedLinksTold = links.size();
    Ask(RefusedDataFoldersText(untold), kMessageWarning, kButtonOk);
}

} // namespace ulv
