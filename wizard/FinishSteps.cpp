// The finish: what entering the finish page does, and the finishing step of "Terminer"; the window's glue
// reads the person's last choices into the installation first.
#include "engine/AttachFiles.h"
#include "platform/ui/MessageDialog.h"
#include "utils/InstUtils.h"
#include "wizard/Installation.h"
#include "wizard/MainDlg.h"
#include "wizard/PageFlow.h"
#include "wizard/UpdateLog.h"

#include <cstdio>

namespace ulv {
namespace {

std::string HResultText(HResult result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}

} // namespace

// The word processor registers the associations itself; nothing it or the shortcuts answer is reported.
void TInstallation::FinishActions() {
    std::string shared = DataFolder(TDataFolderKind::Shared);
    TellRefusedDataFolders();
    if (!shared.empty())
        (void)Utils.ReplaceFile(shared + std::string(kCommonDataName), CommonDataContent(Utils.LocalNow()));
    if (Target.Portable) return;
    // Letters kept as the boxes show them: A to D, in order.
    const std::array<bool, 4> boxes = AssociationBoxes(Options.Extensions);
    Options.Extensions = ExtensionsOf(boxes);
    // Started with the setup's rights, which registering the associations for every user needs, from the
    // program folder rather than from wherever the setup was started.
    (void)Platform.System.CreateProcessA(AssociationCommandLine(Target.MainDir, boxes), Target.MainDir,
                                         kSwShow);
    Run.Log.Line("Associations : \"" + Options.Extensions + "\"" +
                 ChoiceOriginText(Resolved.Origins.Extensions,
                                  Options.Extensions != Resolved.Choices.Options.Extensions));
    Utils.ShortcutSet(Choices.InstallToAll, Choices.DesktopShortcut, Target.MainDir);
}

void TInstallation::FinishingStep() {
    if (!Target.Portable) WriteUpdateLog();
    const bool launch = LaunchAtEnd();
    // Without /TASKS an unattended run never starts the word processor, whatever was stored.
    const bool byRule = Switches.Unattended() && !Switches.Tasks;
    Run.Log.Line(std::string("Lancement : ") + (launch ? "oui" : "non") +
                 ChoiceOriginText(byRule ? TChoiceOrigin::Default : Resolved.Origins.Launch,
                                  !byRule && Choices.Launch != Resolved.Choices.Launch));
    if (launch) LaunchWordProcessor();
    Finished = true;
}

// The word processor runs as the person who started the setup, never with rights the setup was given: an
// elevated setup, or one run as SYSTEM, hands it to the person's desktop shell, which runs it unelevated
// from the program folder; where there is none, it is not started. A setup without elevation starts it
// itself, as the person already.
void TInstallation::LaunchWordProcessor() {
    const bool system = Platform.System.ProcessUserSid() == kSidLocalSystem;
    const bool elevated = Platform.System.TokenElevationType() == kTokenElevationTypeFull;
    if (!system && !elevated) {
        (void)Platform.System.WinExec(LaunchCommandLine(Target.MainDir), kSwShow);
        Run.Log.Line("Démarrage : par le programme d'installation, qui n'a pas de droits élevés");
        return;
    }
    const HResult result = Platform.Shell.ShellExecuteFromDesktop(JoinPath(Target.MainDir, kProgramName), "",
                                                                  Target.MainDir, kSwShow);
    if (result == kSOk) {
        Run.Log.Line("Démarrage : par le bureau de l'utilisateur, sans droits élevés");
        return;
    }
    Run.Log.Line(std::string("Démarrage : non, ") +
                 (system ? "le programme d'installation s'exécute en tant que SYSTEM et " : "") +
                 "aucun bureau d'utilisateur ne peut démarrer le traitement de texte sans droits élevés (" +
                 HResultText(result) + ")");
}

void TInstallation::WriteUpdateLog() {
    if (AttachedFiles.UpdateList.empty()) return; // nothing shared was written: the file is not even read
    std::string shared = DataFolder(TDataFolderKind::Shared);
    TellRefusedDataFolders();
    if (shared.empty()) return;
    TUpdateLogResult result = StoreUpdateLog(Platform, Utils, shared, AttachedFiles.UpdateList, InstallTime);
    // The files are installed either way; only the word processor's record of them is missing.
    if (result == TUpdateLogResult::LeftUnchanged || result == TUpdateLogResult::WriteFailed)
        Ask(UpdateLogFailureText(shared + std::string(kUpdateLogName)), kMessageWarning, kButtonOk);
}

// Entering the finish page: the associations as the boxes of the page before say them.
void TMainDlgForm::FinishActions() {
    if (!Installation.Target.Portable)
        Installation.Options.Extensions = ExtensionsOf(
            {AssocChkBx1.Checked(), AssocChkBx2.Checked(), AssocChkBx3.Checked(), AssocChkBx4.Checked()});
    Installation.FinishActions();
}

// "Terminer" on the finish page; the buttons, the title and the page stay as they are.
void TMainDlgForm::FinishingStep() {
    Installation.Choices.Launch = FinishChkBx.Checked();
    Installation.FinishingStep();
    EndWizard(kModalResultOk);
}

} // namespace ulv
