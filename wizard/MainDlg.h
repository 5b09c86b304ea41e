#pragma once
// The wizard window: one fixed-size form with a white title band, a logo column, the page area and the
// button band. The controls are members named as in the layout and declared band by band; they are created
// (and numbered) depth-first: the page container with its sheets first, then the title band, the logo
// column and the button band, so Tab runs through the page before the buttons.
#include "engine/InstallThread.h"
#include "platform/Platform.h"
#include "platform/ui/Form.h"
#include "utils/DateTime.h"
#include "wizard/DestDirLists.h"
#include "wizard/InstallPlan.h"
#include "wizard/InstallSettings.h"
#include "wizard/InstallTarget.h"
#include "wizard/SetupSwitches.h"
#include "wizard/UnattendedRun.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ulv {

class TAttachedFiles;
class TInstUtils;
class TRegistryAccess;
constexpr int kPageCount = 8;

class TMainDlgForm : public TForm {
public:
    // The utilities (with the install log), the payload index and the run's shared records belong to the
    // program entry and outlive the window. `switches` are the command line's, as the entry read them. The
    // window is built as the user first sees it: stored choices read, timers started, the welcome page.
    // `readDrives` gives the drive list its first drives (the program's start has them read on another
    // thread meanwhile); without it they are read on the spot.
    TMainDlgForm(TPlatform& platform, TInstUtils& utils, TAttachedFiles& attachedFiles, TSetupRun& run,
                 const TSetupSwitches& switches, const std::function<TDriveReading()>& readDrives = {});

    // The page flow. Every page change, by the buttons or by the end of the installation, goes through
    // SwitchPage; some entries keep the wizard where it was (a running word processor, the licence declined).
    void SwitchPage(std::uint8_t fromPage, std::uint8_t toPage);
    void BNClick(TControl& sender);
    void CancelBtnClick();
    void FormCloseQuery(bool& canClose);
    void WMTimer(unsigned timerId);
    void ProgressTimer();
    void WMActivateApp(bool active);
    [[nodiscard]] TTabSheet* PageSheet(std::uint8_t page);
    // A top-level window carries the running word processor's property, or a process of any session has
    // the destination's vlmr.exe open, as the Restart Manager says.
    [[nodiscard]] bool IsWordProcessorRunning();
    // The wizard's message dialog; the worker's state is left alone while one is shown. An unattended run,
    // or one told to show no message box, gives the unattended answer instead (and shows nothing).
    int Ask(const std::string& text, int kind, std::uint16_t buttons);

    // The installation without the pages (/SILENT, /VERYSILENT): the entry work of each page up to the
    // installing page, the licence accepted; false when the run ends before anything is written (Refusal
    // says why). The worker then runs; its end walks the last pages by itself.
    [[nodiscard]] bool StartUnattended();
    // Stands for the modal loop when no window shows: takes the worker's questions and its end as the
    // progress timer would, until the run has ended.
    void FollowInstallation();

    // The choices of the last installation, from the current user's registry (creating both keys, unless the
    // run is unattended), with the switches over them, shown by the pages.
    void ReadInstallSettings(const TSetupSwitches& switches);
    // The pages as Choices has them.
    void ShowChoices();
    // Choices as the pages have them: the components, the shortcuts and the launch.
    void TakeChoicesFromPages();
    // Stores this run's choices in the install key and, on an ordinary installation, the uninstall entry.
    void SaveInstallSettings();
    // Fixes the installation's target from the destination, once, as the installation starts.
    void FixInstallTarget();
    // The target's folder of a kind, with one trailing backslash, created (with its parents) before it is
    // returned; empty when the target has none (no base folder known, or a link on its way), and then nothing
    // is created.
    [[nodiscard]] std::string DataFolder(TDataFolderKind kind);
    // A destination on a removable drive or on a USB or IEEE 1394 disk: everything stays beside the program.
    // Asked by the pages before the installation starts; from then on the target says it.
    [[nodiscard]] bool IsPortableDestination();
    // The component list item `item` shows; nullopt for an item beyond the catalogue's.
    [[nodiscard]] std::optional<std::uint8_t> ItemComponent(int item) const;
    // Queues the selected components' files, writes the install stamp on an ordinary installation and removes
    // the insert images older versions left behind.
    void BuildInstallPlan();
    // The destination edit's text as the installation takes it: trimmed, with a drive, the product folder
    // added to a drive root and to the program-files folder.
    void NormalizeDestDir();
    // `text` completed by that rule, as the destination page would complete it now.
    [[nodiscard]] std::string CompletedDestination(const std::string& text);
    // The folder list's change event: the edit follows the lists once the window is ready.
    void DestDirLstBxChange();
    // The drive polling (every second, on every page): a new drive is selected, a removed selected one gives
    // way to the program-files drive.
    void DriveTimer();
    // The components page: each item's size on the destination's volume (entering the page), the required
    // and free space with Next enabled only when the choice fits, the item drawing and the check rule.
    void StoreComponentSizes();
    void UpdateDiskSpace();
    void SelCompLstBxDrawItem(int index, TCanvas& canvas, const TRect& rect);
    void SelCompLstBxClickCheck();
    // The size rounded up to whole allocation units of the folder's volume.
    [[nodiscard]] std::int32_t RoundToCluster(const std::string& folder, std::int32_t size);
    // Adds this installation's section to the shared data root's Update.log; a failure is reported with a
    // warning and changes nothing else.
    void WriteUpdateLog();
    void LogInstallStart();

    // When set, a close request closes the window without asking.
    bool CloseAllowed = false;
    // A failure ended the wizard: the person abandoned after a file could not be written.
    bool EndedByFailure = false;
    // Why an unattended run ended before it wrote anything.
    TRunRefusal Refusal = TRunRefusal::None;
    // The command line's switches, and the choices they and the stored settings gave (with where each came
    // from) before the pages could change them.
    TSetupSwitches Switches;
    TResolvedChoices Resolved;
    // Set once construction is complete; until then the lists do not write into the edit.
    bool FormReady = false;
    TInstallChoices Choices;
    TOptions& Options = Choices.Options;
    // Fixed as the installation starts.
    TInstallTarget Target;
    // The component each item of SelCompLstBx shows, in item order.
    std::vector<std::uint8_t> CompIndexList;
    std::int32_t LastRunVersion = kNoLastRunVersion;
    // Bit n: list item n of SelCompLstBx was checked or locked when the installation began.
    std::uint8_t SelectedComps = 0;
    // Local time the installation began (ordinary installations only; 0 otherwise).
    TDateTime InstallTime = 0;

    // Makes sheet `page` (0..7) the visible one.
    void ShowSheet(int page);
    [[nodiscard]] TTabSheet& Sheet(int page) { return *Sheets[static_cast<std::size_t>(page)]; }

    TPageControl PgCtrl{this, "PgCtrl"};
    TPanel TopPanel{this, "TopPanel"};
    TLabel TopLbl{&TopPanel, "TopLbl"};
    TImage LogoSmallImage{&TopPanel, "LogoSmallImage"};
    TPanel A{this, "A"};
    TImage LogoImage{&A, "LogoImage"};
    TBevel B{&A, "B"};
    TPanel N{this, "N"};
    TButton BackBtn{&N, "BackBtn"};
    TButton NextBtn{&N, "NextBtn"};
    TButton CancelBtn{&N, "CancelBtn"};
    TPanel L{this, "L"};
    TBevel M{&L, "M"};

    TTabSheet WelcomeTabSheet{PgCtrl, "WelcomeTabSheet"};
    TLabel WelcomeLbl{&WelcomeTabSheet, "WelcomeLbl"};

    TTabSheet LicenseTabSheet{PgCtrl, "LicenseTabSheet"};
    TLabel C{&LicenseTabSheet, "C"};
    TMemo LicenseMemo{&LicenseTabSheet, "LicenseMemo"};
    TCheckBox LicenseChkBx{&LicenseTabSheet, "LicenseChkBx"};

    TTabSheet DestDirTabSheet{PgCtrl, "DestDirTabSheet"};
    TLabel D{&DestDirTabSheet, "D"};
    TEdit DestDirEdt{&DestDirTabSheet, "DestDirEdt"};
    TListBox DestDirLstBx{&DestDirTabSheet, "DestDirLstBx"};
    TComboBox DestDirCmbBx{&DestDirTabSheet, "DestDirCmbBx"};

    TTabSheet SelCompTabSheet{PgCtrl, "SelCompTabSheet"};
    TLabel SelCompLbl{&SelCompTabSheet, "SelCompLbl"};
    TCheckListBox SelCompLstBx{&SelCompTabSheet, "SelCompLstBx"};
    TPanel E{&SelCompTabSheet, "E"};
    TLabel F{&E, "F"};
    TLabel SelCompDiskSpaceReqLbl2{&E, "SelCompDiskSpaceReqLbl2"};
    TLabel G{&E, "G"};
    TLabel SelCompDiskSpaceAvailLbl2{&E, "SelCompDiskSpaceAvailLbl2"};

    TTabSheet StartTabSheet{PgCtrl, "StartTabSheet"};
    TLabel H{&StartTabSheet, "H"};
    TCheckBox InstallToAllChkBx{&StartTabSheet, "InstallToAllChkBx"};
    TCheckBox DesktopChkBx{&StartTabSheet, "DesktopChkBx"};

    TTabSheet InstallingTabSheet{PgCtrl, "InstallingTabSheet"};
    TLabel I{&InstallingTabSheet, "I"};
    TLabel InstallingLbl2{&InstallingTabSheet, "InstallingLbl2"};
    TLabel J{&InstallingTabSheet, "J"};
    TProgressBar InstallingProgressBar{&InstallingTabSheet, "InstallingProgressBar"};

    TTabSheet AssocTabSheet{PgCtrl, "AssocTabSheet"};
    TLabel K{&AssocTabSheet, "K"};
    TCheckBox AssocChkBx1{&AssocTabSheet, "AssocChkBx1"};
    TCheckBox AssocChkBx2{&AssocTabSheet, "AssocChkBx2"};
    TCheckBox AssocChkBx3{&AssocTabSheet, "AssocChkBx3"};
    TCheckBox AssocChkBx4{&AssocTabSheet, "AssocChkBx4"};

    TTabSheet FinishTabSheet{PgCtrl, "FinishTabSheet"};
    TLabel FinishLbl{&FinishTabSheet, "FinishLbl"};
    TCheckBox FinishChkBx{&FinishTabSheet, "FinishChkBx"};

private:
    void LayOutBands();
    void LayOutWelcomeAndLicense();
    void LayOutDestDir();
    void LayOutSelComp();
    void LayOutStartAndInstalling();
    void LayOutAssocAndFinish();
    void LoadLogos();
    void LoadGlyphs();
    void BindDestDirLists(const std::function<TDriveReading()>& readDrives);
    [[nodiscard]] char ListedStartDrive();
    void BindComponentsPage();
    void ApplyRunTimeTexts();
    void FillComponentList();
    void WriteUninstallEntry(TRegistryAccess& registry);
    void RunPlanStep(const TPlanStep& step);
    [[nodiscard]] std::string PrepareDataFolder(const std::string& folder);
    [[nodiscard]] bool RefusedForLink(const std::string& folder);
    void TellRefusedDataFolders();
    void TellUntold(const std::vector<std::string>& refused, std::size_t& told,
                    std::string (*text)(const std::vector<std::string>&));
    void WriteInstallStamp();
    void BindPageFlow();
    [[nodiscard]] std::optional<TControl*> EnterPage(std::uint8_t fromPage, std::uint8_t toPage);
    void ApplyPageFrame(std::uint8_t page);
    [[nodiscard]] bool LoadLicense();
    // Tells the user to close the running word processor; true when it runs.
    [[nodiscard]] bool WordProcessorRunningTold();
    void EnterComponentsPage(std::uint8_t fromPage);
    void EnterAssociationsPage();
    void StartInstallation();
    int AskAs(const std::string& text, int kind, std::uint16_t buttons, bool answerAlone);
    [[nodiscard]] bool UsableDestination();
    bool RefuseDestination(const std::string& why);
    void FinishUnattended();
    // The word processor starts at the end: as the finish page's box says in the wizard; in an unattended
    // run only when asked with /TASKS.
    [[nodiscard]] bool LaunchAtEnd() const;
    void ShowProgress();
    void FinishActions();
    void FinishingStep();
    // Ends the modal loop with the result, without the close question.
    void EndWizard(int result);

    TPlatform& Platform;
    TInstUtils& Utils;
    TAttachedFiles& AttachedFiles;
    TSetupRun& Run;
    int DialogsShown = 0;
    TUnattendedAnswers Answers{Platform.Clock};
    std::size_t RefusedLinksTold = 0;
    std::size_t RefusedForeignTold = 0;
    // Whether the destination is portable, as an unattended run found it when it checked the destination.
    std::optional<bool> PortableAtCheck;
    // The components page's space check: the chosen components fit on the destination's volume.
    bool ChoiceFits = false;
    std::array<TTabSheet*, kPageCount> Sheets;

public:
    // The destination page's pickers, bound to DestDirLstBx and DestDirCmbBx (made after the machine's
    // ports, which they use).
    TListGlyphs Glyphs;
    TFolderList FolderList{DestDirLstBx, Platform, Utils, Glyphs};
    TDriveList DriveList{DestDirCmbBx, Platform, Utils, Glyphs};
};

// "%s" placeholders replaced in order by first and second; other text kept as it stands.
[[nodiscard]] std::string FormatResourceText(std::string_view resourceText, std::string_view first,
                                             std::string_view second);

} // namespace ulv
