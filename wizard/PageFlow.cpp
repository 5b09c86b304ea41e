// The spine of the wizard: every page change goes through SwitchPage, which does the entry work of the page,
// then sets the buttons and the title; the close request, the two timers and the worker's progress.
#include "wizard/PageFlow.h"
#include "engine/AttachFiles.h"
#include "engine/InstallThread.h"
#include "platform/ui/MessageDialog.h"
#include "resources/ResConst.h"
#include "utils/InstUtils.h"
#include "utils/TextLines.h"
#include "wizard/MainDlg.h"

#include <cstring>

namespace ulv {
namespace {

constexpr std::array<std::string_view, 4> kAssociationSuffixes = {"_rtf", "_cod", "_doc", "_docx"};
constexpr std::string_view kAssociationCommand = "-assoc adpr";
// Far above any licence text; a payload entry is trusted no further than this.
constexpr std::uint64_t kMaxLicenceBytes = 4u << 20;
constexpr std::int32_t kCommonDataVersion = 1;
constexpr std::int32_t kCommonDataSize = 8;

void AppendLittleEndian(std::string& out, const void* value, std::size_t size) {
    // Every Windows target is little-endian, as the file is.
    out.append(static_cast<const char*>(value), size);
}

} // namespace

TPageFrame PageFrame(std::uint8_t page) {
    TPageFrame frame;
    frame.BackVisible = page != kWelcomePage;
    frame.BackEnabled = page < kInstallingPage;
    frame.NextEnabled = page != kInstallingPage;
    frame.CancelEnabled = page != kFinishPage;
    frame.BackCaption = kBackCaption;
    frame.NextCaption = page == kFinishPage ? kFinishCaption : kNextCaption;
    frame.CancelCaption = kCancelCaption;
    frame.Title = page < kPageTitles.size() ? kPageTitles[page] : std::string_view{};
    return frame;
}

std::string AssociationCommandLine(const std::string& mainDir, const std::array<bool, 4>& boxes) {
    std::string command = LaunchCommandLine(mainDir) + " " + std::string(kAssociationCommand);
    for (std::size_t i = 0; i < boxes.size(); ++i)
        if (boxes[i]) command += kAssociationSuffixes[i];
    return command;
}

std::string LaunchCommandLine(const std::string& mainDir) {
    return "\"" + JoinPath(mainDir, kProgramName) + "\"";
}

std::string CommonDataContent(TDateTime now) {
    std::string bytes;
    AppendLittleEndian(bytes, &kCommonDataVersion, sizeof kCommonDataVersion);
    AppendLittleEndian(bytes, &kCommonDataSize, sizeof kCommonDataSize);
    AppendLittleEndian(bytes, &now, sizeof now);
    return bytes;
}

void TMainDlgForm::BindPageFlow() {
    BackBtn.OnClick = [this](TControl& sender) { BNClick(sender); };
    NextBtn.OnClick = [this](TControl& sender) { BNClick(sender); };
    CancelBtn.OnClick = [this](TControl&) { CancelBtnClick(); };
    OnCloseQuery = [this](TForm&, bool& canClose) { FormCloseQuery(canClose); };
    OnUnexpectedFailure = [this](TForm&) {
        Run.Log.Line(std::string(kUnexpectedFailureLogLine));
        return !Installation.Switches.ShowsNoMessage();
    };
    OnTimer = [this](TForm&, unsigned id) { WMTimer(id); };
    OnActivateApp = [this](TForm&, bool active) { WMActivateApp(active); };
    // The worker's news, as soon as it has some: the same handler as the timer's, with its guards.
    OnWake = [this](TForm&) { ProgressTimer(); };
    Installation.ShowQuestion = [this](const std::string& text, int kind, std::uint16_t buttons) {
        return ShowQuestion(text, kind, buttons);
    };
}

int TMainDlgForm::Ask(const std::string& text, int kind, std::uint16_t buttons) {
    return Installation.Ask(text, kind, buttons);
}

// The installation's questions, shown in the wizard's own dialog.
int TMainDlgForm::ShowQuestion(const std::string& text, int kind, std::uint16_t buttons) {
    ++DialogsShown;
    const int result = ShowWizardMessage(this, text, kind, buttons);
    --DialogsShown;
    return result;
}

void TMainDlgForm::EndWizard(int result) {
    CloseAllowed = true;
    SetModalResult(result);
}

TTabSheet* TMainDlgForm::PageSheet(std::uint8_t page) {
    for (TTabSheet* sheet : PgCtrl.Sheets())
        if ((sheet->Tag & 0xFF) == page) return sheet;
    return nullptr;
}

void TMainDlgForm::SwitchPage(std::uint8_t fromPage, std::uint8_t toPage) {
    if (toPage == kAssocPage && Installation.Target.Portable) toPage = kFinishPage;
    if (toPage == kFinishingStep) {
        FinishingStep();
        return;
    }
    std::optional<TControl*> focus = EnterPage(fromPage, toPage);
    if (!focus) return;
    ApplyPageFrame(toPage);
    if (*focus) FocusControl(**focus);
    if (toPage == kInstallingPage) StartInstallation();
}

// The page's entry work; nullopt when the wizard stays where it was, else the control to focus (or none).
std::optional<TControl*> TMainDlgForm::EnterPage(std::uint8_t fromPage, std::uint8_t toPage) {
    switch (toPage) {
    case kLicensePage:
        if (fromPage == kWelcomePage && LicenseMemo.Lines().empty() && !LoadLicense()) return std::nullopt;
        return &LicenseMemo;
    case kDestDirPage:
        if (fromPage == kLicensePage && !LicenseChkBx.Checked()) {
            if (Ask(std::string(kLicenceDeclinedText), kMessageInformation, kButtonYes | kButtonNo) ==
                kResultYes)
                EndWizard(kModalResultCancel);
            return std::nullopt;
        }
        return &DestDirEdt;
    case kSelCompPage:
        if (!EnterComponentsPage(fromPage)) return std::nullopt;
        return &SelCompLstBx;
    case kStartPage: {
        bool ordinary = !Installation.IsPortableDestination();
        InstallToAllChkBx.SetVisible(ordinary);
        DesktopChkBx.SetVisible(ordinary);
        return &NextBtn;
    }
    case kInstallingPage:
        if (Installation.WordProcessorRunningTold()) return std::nullopt;
        return nullptr;
    case kAssocPage:
        EnterAssociationsPage();
        return &AssocChkBx1;
    case kFinishPage:
        FinishActions();
        return nullptr;
    default:
        return nullptr;
    }
}

void TMainDlgForm::ApplyPageFrame(std::uint8_t page) {
    TPageFrame frame = PageFrame(page);
    BackBtn.SetVisible(frame.BackVisible);
    BackBtn.SetEnabled(frame.BackEnabled);
    BackBtn.SetCaption(std::string(frame.BackCaption));
    // The components page keeps Next as the space check left it: a choice that does not fit is not offered.
    NextBtn.SetEnabled(frame.NextEnabled && (page != kSelCompPage || ChoiceFits));
    NextBtn.SetCaption(std::string(frame.NextCaption));
    CancelBtn.SetEnabled(frame.CancelEnabled);
    CancelBtn.SetCaption(std::string(frame.CancelCaption));
    TopLbl.SetCaption(std::string(frame.Title));
    if (TTabSheet* sheet = PageSheet(page)) PgCtrl.SetActivePage(sheet);
}

// The first Next from the welcome page: the licence text, extracted to a temporary file and read back.
// False when the wizard stays on the welcome page.
bool TMainDlgForm::LoadLicense() {
    if (Installation.WordProcessorRunningTold()) return false;
    NextBtn.SetEnabled(false);
    CancelBtn.SetEnabled(false);
    SetWaitCursor();
    std::string temp = Utils.NewTempFileName();
    bool extracted = false;
    {
        TLogSuspension quiet(Utils, true);
        extracted = AttachedFiles.ExtractEntry(nullptr, std::string(kLicenceEntryName), temp);
    }
    if (!extracted) {
        // The extraction has asked already, and the user abandoned.
        (void)Platform.Files.DeleteFileA(temp);
        Installation.EndedByFailure = true;
        EndWizard(kModalResultCancel);
        return true;
    }
    if (std::optional<std::string> text = ReadWholeFile(Platform.Files, temp, kMaxLicenceBytes))
        LicenseMemo.SetLines(SplitTextLines(*text));
    (void)Platform.Files.DeleteFileA(temp);
    PgCtrl.SetActivePage(&LicenseTabSheet);
    return true;
}

// False when the wizard stays on the destination page.
bool TMainDlgForm::EnterComponentsPage(std::uint8_t fromPage) {
    if (fromPage == kDestDirPage) {
        NormalizeDestDir();
        Installation.Options.MainDir = DestDirEdt.Text();
        if (!Installation.ProgramFolderRightsAccepted(Installation.IsPortableDestination())) return false;
    }
    StoreComponentSizes();
    UpdateDiskSpace();
    return true;
}

void TMainDlgForm::EnterAssociationsPage() {
    InstallingProgressBar.SetPosition(InstallingProgressBar.Max());
    std::array<bool, 4> boxes = AssociationBoxes(Installation.Options.Extensions);
    AssocChkBx1.SetChecked(boxes[0]);
    AssocChkBx2.SetChecked(boxes[1]);
    AssocChkBx3.SetChecked(boxes[2]);
    AssocChkBx4.SetChecked(boxes[3]);
}

// Runs once the installing page shows: the person's choices read back, then the installation started.
void TMainDlgForm::StartInstallation() {
    TakeChoicesFromPages();
    Installation.Start(DriveList.CurrentDrive());
    InstallingProgressBar.SetMax(AttachedFiles.QueuedTotal());
}

void TMainDlgForm::BNClick(TControl& sender) {
    TTabSheet* active = PgCtrl.ActivePage();
    if (!active) return;
    auto page = static_cast<std::uint8_t>(active->Tag & 0xFF);
    if (&sender == &BackBtn)
        SwitchPage(page, static_cast<std::uint8_t>(page - 1));
    else if (&sender == &NextBtn)
        SwitchPage(page, static_cast<std::uint8_t>(page + 1));
}

void TMainDlgForm::CancelBtnClick() {
    Close();
}

// Every close request: the worker is held while the question shows; a confirmed close stops it, whatever
// it was doing by then.
void TMainDlgForm::FormCloseQuery(bool& canClose) {
    TInstallThreadStatus& status = Run.InstallStatus;
    bool held = status.PauseForClose();
    // Annuler is the person's own request: a /SILENT run still asks them, unless told to show no message;
    // told /NOCANCEL, it refuses without asking.
    const TSetupSwitches& switches = Installation.Switches;
    if (!CloseAllowed && !switches.CancelLocked())
        CloseAllowed =
            Installation.AskAs(std::string(kAbortQuestionText), kMessageConfirmation,
                               kButtonNo | kButtonAbort, switches.SuppressMsgBoxes) == kResultAbort;
    status.EndCloseRequest(held, CloseAllowed);
    canClose = CloseAllowed;
}

void TMainDlgForm::WMTimer(unsigned timerId) {
    if (timerId == kProgressTimerId) ProgressTimer();
    if (timerId == kDriveTimerId) DriveTimer();
}

// While one of the wizard's own dialogs is up (the close question, above all) the worker's state is left
// as it is: its question waits for that dialog to go, and an end it reports moves no page under it.
void TMainDlgForm::ProgressTimer() {
    if (DialogsShown > 0) return;
    TInstallThreadStatus& status = Run.InstallStatus;
    switch (status.Load()) {
    case isRunning:
        ShowProgress();
        break;
    case isAskUser:
        if (status.TakeQuestion()) status.Answer(Ask(status.DlgMsg, status.DlgType, status.DlgButtons));
        break;
    case isStopped:
        if (!status.Move(isStopped, isIdle)) break;
        SwitchPage(kInstallingPage, kAssocPage);
        if (Installation.Switches.Unattended()) FinishUnattended();
        break;
    case isFailed:
        Installation.EndedByFailure = true;
        EndWizard(kModalResultCancel);
        break;
    default:
        break;
    }
}

void TMainDlgForm::ShowProgress() {
    TInstallThreadStatus& status = Run.InstallStatus;
    std::uint8_t component = status.CurComp.load(std::memory_order_relaxed);
    if (component == kNoComponent) return;
    InstallingProgressBar.SetPosition(status.Progress.load(std::memory_order_relaxed));
    if (component >= kComponentNames.size()) return;
    std::string caption = CaptionLiteral(kComponentNames[component]);
    if (InstallingLbl2.Caption() != caption) InstallingLbl2.SetCaption(std::move(caption));
}

void TMainDlgForm::WMActivateApp(bool active) {
    if (active && PgCtrl.ActivePage() == &SelCompTabSheet) UpdateDiskSpace();
}

} // namespace ulv
