// The work of the finish page that lives on the window: what entering the page does, and the finishing step
// of "Terminer".
#include "engine/AttachFiles.h"
#include "platform/ui/MessageDialog.h"
#include "utils/InstUtils.h"
#include "wizard/MainDlg.h"
#include "wizard/PageFlow.h"
#include "wizard/UpdateLog.h"

namespace ulv {

// Entering the finish page. The word processor registers the associations itself; nothing it or the
// shortcuts answer is reported.
void TMainDlgForm::FinishActions() {
    std::string shared = DataFolder(TDataFolderKind::Shared);
    TellRefusedDataFolders();
    if (!shared.empty())
        (void)Utils.ReplaceFile(shared + std::string(kCommonDataName), CommonDataContent(Utils.LocalNow()));
    if (Target.Portable) return;
    std::array<bool, 4> boxes = {AssocChkBx1.Checked(), AssocChkBx2.Checked(), AssocChkBx3.Checked(),
                                 AssocChkBx4.Checked()};
    Options.Extensions = ExtensionsOf(boxes);
    (void)Platform.System.WinExec(AssociationCommandLine(Target.MainDir, boxes), kSwShow);
    Run.Log.Line("Associations : \"" + Options.Extensions + "\"" +
                 ChoiceOriginText(Resolved.Origins.Extensions,
                                  Options.Extensions != Resolved.Choices.Options.Extensions));
    Utils.ShortcutSet(Choices.InstallToAll, Choices.DesktopShortcut, Target.MainDir);
}

// "Terminer" on the finish page; the buttons, the title and the page stay as they are.
void TMainDlgForm::FinishingStep() {
    if (!Target.Portable) WriteUpdateLog();
    Choices.Launch = FinishChkBx.Checked();
    const bool launch = LaunchAtEnd();
    if (launch) (void)Platform.System.WinExec(LaunchCommandLine(Target.MainDir), kSwShow);
    // Without /TASKS an unattended run never starts the word processor, whatever was stored.
    const bool byRule = Switches.Unattended() && !Switches.Tasks;
    Run.Log.Line(std::string("Lancement : ") + (launch ? "oui" : "non") +
                 ChoiceOriginText(byRule ? TChoiceOrigin::Default : Resolved.Origins.Launch,
                                  !byRule && Choices.Launch != Resolved.Choices.Launch));
    EndWizard(kModalResultOk);
}

void TMainDlgForm::WriteUpdateLog() {
    if (AttachedFiles.UpdateList.empty()) return; // nothing shared was written: the file is not even read
    std::string shared = DataFolder(TDataFolderKind::Shared);
    TellRefusedDataFolders();
    if (shared.empty()) return;
    TUpdateLogResult result = StoreUpdateLog(Platform, Utils, shared, AttachedFiles.UpdateList, InstallTime);
    // The files are installed either way; only the word processor's record of them is missing.
    if (result == TUpdateLogResult::LeftUnchanged || result == TUpdateLogResult::WriteFailed)
        Ask(UpdateLogFailureText(shared + std::string(kUpdateLogName)), kMessageWarning, kButtonOk);
}

} // namespace ulv
