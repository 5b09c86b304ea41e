// The installation without a person: the answers it gives, the checks that replace the ones a person would
// make on the pages, and the walk through the pages' entry work that the buttons would do.
#include "wizard/UnattendedRun.h"
#include "engine/AskUser.h"
#include "platform/ui/MessageDialog.h"
#include "utils/InstUtils.h"
#include "utils/RegistryAccess.h"
#include "wizard/Installation.h"
#include "wizard/MainDlg.h"
#include "wizard/PageFlow.h"

#include <vector>

namespace ulv {
namespace {

// Whether the folder can be made, asked of the nearest level that exists: it must be a folder that lets
// the setup add a folder to it. Nothing is made to find out: a folder made and removed again would be
// left behind by a run stopped between the two, and missing from the next run's log.
bool CanMakeFolder(TInstUtils& utils, IFiles& files, std::string folder) {
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    while (!folder.empty() && !utils.IsExistingDirectory(folder)) {
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

} // namespace

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

bool TMainDlgForm::StartUnattended() {
    // The administrator accepts the licence by deploying the word processor.
    LicenseChkBx.SetChecked(true);
    if (WordProcessorRunningTold()) {
        Refusal = TRunRefusal::WordProcessorRunning;
        return false;
    }
    if (!UsableDestination()) return false;
    SwitchPage(kSelCompPage, kStartPage);
    {
        TRegistryAccess registry(Platform.Registry);
        MakeSettingsKeys(registry);
    }
    SwitchPage(kStartPage, kInstallingPage);
    if (Switches.CancelLocked()) CancelBtn.SetEnabled(false);
    if (PgCtrl.ActivePage() == &InstallingTabSheet) return true;
    // Only a word processor started meanwhile keeps the run before the installing page.
    Refusal = TRunRefusal::WordProcessorRunning;
    return false;
}

// The destination completed as the destination page completes it, then what a person would meet on the way
// to the installation: an absolute path, room for the components, a folder that can be made. Read from the
// machine once, as values: no page is walked for it.
bool TMainDlgForm::UsableDestination() {
    if (!IsAbsoluteDestination(Options.MainDir))
        return RefuseDestination(*DestinationRefusal(Options.MainDir, Options.Components, {}));
    Options.MainDir = CompletedDestination(Options.MainDir);
    DestDirEdt.SetText(Options.MainDir);
    TDestinationFacts facts;
    for (int c = 0; c < kComponentCount; ++c)
        facts.ComponentSizes[static_cast<std::size_t>(c)] = AttachedFiles.ComponentSize(
            std::string(kComponentFiles[static_cast<std::size_t>(c)]), Options.MainDir);
    if (std::optional<TDiskFreeSpaceEx> space =
            Platform.Drives.GetDiskFreeSpaceExA(DrivePart(Options.MainDir)))
        facts.FreeBytes = space->FreeBytesAvailableToCaller;
    facts.CanBeMade = CanMakeFolder(Utils, Platform.Files, Options.MainDir);
    // Asked while the drive is known to be there: a stick pulled after this check makes the installation
    // fail on its drive, never an ordinary one with its data and uninstall entry on the system.
    PortableAtCheck = IsPortableDestination();
    if (std::optional<std::string> why = DestinationRefusal(Options.MainDir, Options.Components, facts))
        return RefuseDestination(*why);
    return true;
}

bool TMainDlgForm::RefuseDestination(const std::string& why) {
    Run.Log.Line("Destination refusée : " + why);
    Refusal = TRunRefusal::UnusableDestination;
    return false;
}

void TMainDlgForm::FollowInstallation() {
    TInstallThreadStatus& status = Run.InstallStatus;
    while (!ModalResult()) {
        std::uint8_t state = status.Load();
        if (state == isRunning || state == isPaused || state == isAnswered) {
            (void)status.WaitWhile(state);
            continue;
        }
        if (state == isIdle) {
            // No worker to wait for, and no end seen: nothing could end the run otherwise.
            EndedByFailure = true;
            EndWizard(kModalResultCancel);
            break;
        }
        ProgressTimer();
    }
}

// Once the files are written: the associations page and the finish page entered, then "Terminer".
void TMainDlgForm::FinishUnattended() {
    if (PgCtrl.ActivePage() == &AssocTabSheet) SwitchPage(kAssocPage, kFinishPage);
    SwitchPage(kFinishPage, kFinishingStep);
}

bool TMainDlgForm::LaunchAtEnd() const {
    return Switches.Unattended() ? Switches.LaunchAsked() : Choices.Launch;
}

} // namespace ulv
