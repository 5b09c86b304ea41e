// The destination's rights, checked before the installation goes on: the setup runs elevated, and the word
// processor's elevated commands start vlmr.exe from this folder.
#include "engine/InstallThread.h"
#include "platform/ui/MessageDialog.h"
#include "utils/InstUtils.h"
#include "wizard/Installation.h"

namespace ulv {

std::string ChangeableDestinationText(const std::string& folder) {
    return "D'autres utilisateurs de cet ordinateur peuvent modifier le dossier \"" + folder +
           "\", et donc les programmes qui y seront installés : l'un d'eux pourrait y "
           "remplacer le traitement de texte Ulvara par un programme de son choix, que "
           "Windows lancerait ensuite avec les droits d'un administrateur.\r\r"
           "Voulez-vous tout de même installer le traitement de texte Ulvara dans ce dossier ?";
}

bool TInstallation::ProgramFolderRightsAccepted(bool portable) {
    if (portable || !Utils.OthersMayChange(Options.MainDir)) return true;
    Run.Log.Line("Dossier du programme modifiable par d'autres utilisateurs : " + Options.MainDir);
    return Ask(ChangeableDestinationText(Options.MainDir), kMessageWarning, kButtonYes | kButtonNo) ==
           kResultYes;
}

} // namespace ulv
