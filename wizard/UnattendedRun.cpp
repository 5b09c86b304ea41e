// The installation without a person: the answers it gives, the checks that replace the ones a person would
// make on the pages, and the run without a window that follows the worker to the finish.
#include "wizard/UnattendedRun.h"
#include "engine/AskUser.h"
#include "engine/InstallThread.h"
#include "platform/ui/MessageDialog.h"
#include "utils/InstUtils.h"
#include "utils/RegistryAccess.h"
#include "wizard/Installation.h"
#include "wizard/MainDlg.h"
#include "wizard/PageFlow.h"

#include <vector>

namespace ulv {

int TUnattendedAnswers::Answer(const std::string& text, std::uint16_t buttons) {
    if (buttons & kButtonRetry) {
        if (text != Retrying) {
            Retrying = text;
            Retried = 0;
        }
        if (Retried < kRetries) {
            ++Retried;
            Clock.Sleep(kRetryDelayMs);
            return kResultRetry;
        }
        Retrying.clear();
        if (buttons & kButtonAbort) return kResultAbort;
        return CancelMessageResult(buttons);
    }
    if (buttons & kButtonOk) return kResultOk;
    if (buttons & kButtonYes) return kResultYes;
    if (buttons & kButtonAbort) return kResultAbort;
    return DefaultMessageResult(buttons);
}

bool TInstallation::CheckUnattended() {
    if (!CheckBeforeWriting()) return false;
    TRegistryAccess registry(Platform.Registry);
    MakeSettingsKeys(registry);
    return true;
}

bool TInstallation::CheckBeforeWriting() {
    if (WordProcessorRunningTold()) {
        Refusal = TRunRefusal::WordProcessorRunning;
        return false;
    }
    // The destination completed as the destination page completes it, then what a person would meet on the
    // way to the installation. Read from the machine once, as values: no page is walked for it.
    if (!IsAbsoluteDestination(Options.MainDir))
        return RefuseDestination(*DestinationRefusal(Options.MainDir, Options.Components, {}));
    Options.MainDir = CompletedDestination(Options.MainDir, 'c'); // an absolute path names its own drive
    TDestinationFacts facts;
    facts.ComponentSizes = ComponentSizes(Options.MainDir);
    facts.FreeBytes = FreeBytes(Options.MainDir);
    facts.CanBeMade = CanMakeFolder(Options.MainDir);
    // Asked while the drive is known to be there: a stick pulled after this check makes the installation
    // fail on its drive, never an ordinary one with its data and uninstall entry on the system.
    PortableAtCheck = IsPortableDestination();
    if (std::optional<std::string> why = DestinationRefusal(Options.MainDir, Options.Components, facts))
        return RefuseDestination(*why);
    if (!ProgramFolderRightsAccepted(*PortableAtCheck))
        return RefuseDestination("\"" + Options.MainDir + "\" est modifiable par d'autres utilisateurs");
    return true;
}

// Whether the folder can be made, asked of the nearest level that exists: it must be a folder that lets
// the setup add a folder to it. Nothing is made to find out: a folder made and removed again would be
// left behind by a run stopped between the two, and missing from the next run's log.
bool TInstallation::CanMakeFolder(std::string folder) {
    IFiles& files = Platform.Files;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    while (!folder.empty() && !Utils.IsExistingDirectory(folder)) {
        if (files.GetFileAttributesA(folder) != kInvalidFileAttributes) return false; // a file stands there
        size_t cut = folder.rfind('\\');
        // A drive root that is not there has no level above it to ask.
        if (cut == std::string::npos || cut < 2 || folder.size() <= 3) return false;
        folder.resize(cut == 2 ? 3 : cut); // "X:\" is asked with its backslash
    }
    UniqueFile level(files, files.CreateFileA(folder, kFileAddSubdirectory, kFileShareRead | kFileShareWrite,
                                              kOpenExisting, kFileFlagBackupSemantics));
    return static_cast<bool>(level);
}

bool TInstallation::RefuseDestination(const std::string& why) {
    Run.Log.Line("Destination refusée : " + why);
    Refusal = TRunRefusal::UnusableDestination;
    return false;
}

bool TInstallation::RunUnattended() {
    if (!CheckUnattended()) return false;
    Start();
    FollowWithoutWindow();
    return Finished;
}

// The worker followed on this thread, as the window's progress timer would follow it: its questions
// answered, its end taken to the finish.
void TInstallation::FollowWithoutWindow() {
    TInstallThreadStatus& status = Run.InstallStatus;
    for (;;) {
        switch (std::uint8_t state = status.Load()) {
        case isRunning:
        case isPaused:
        case isAnswered:
            (void)status.WaitWhile(state);
            break;
        case isAskUser:
            if (status.TakeQuestion()) status.Answer(Ask(status.DlgMsg, status.DlgType, status.DlgButtons));
            break;
        case isStopped:
            if (!status.Move(isStopped, isIdle)) break;
            FinishActions();
            FinishingStep();
            return;
        default:
            // Failed, or no worker left to wait for and no end seen: nothing else could end the run.
            EndedByFailure = true;
            return;
        }
    }
}

// The window of a /SILENT run, brought to the installing page once the checks a person would meet are
// passed; false when the run ends before anything is written.
bool TMainDlgForm::StartUnattended() {
    // The administrator accepts the licence by deploying the word processor.
    LicenseChkBx.SetChecked(true);
    if (!Installation.CheckUnattended()) return false;
    DestDirEdt.SetText(Installation.Options.MainDir);
    SwitchPage(kSelCompPage, kStartPage);
    SwitchPage(kStartPage, kInstallingPage);
    if (Installation.Switches.CancelLocked()) CancelBtn.SetEnabled(false);
    if (PgCtrl.ActivePage() == &InstallingTabSheet) return true;
    // Only a word processor started meanwhile keeps the run before the installing page.
    Installation.Refusal = TRunRefusal::WordProcessorRunning;
    return false;
}

// Once the files are written: the associations page and the finish page entered, then "Terminer".
void TMainDlgForm::FinishUnattended() {
    if (PgCtrl.ActivePage() == &AssocTabSheet) SwitchPage(kAssocPage, kFinishPage);
    SwitchPage(kFinishPage, kFinishingStep);
}

} // namespace ulv
