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
#include "wizard/Installation.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ulv {

constexpr int kPageCount = 8;

class TMainDlgForm : public TForm {
public:
    // The window shows `installation` and reads the person's choices back into it; the installation, with
    // the utilities, the payload index and the run's records it works on, outlives the window. The window
    // is built as the user first sees it: stored choices read, timers started, the welcome page.
    // `readDrives` gives the drive list its first drives (the program's start has them read on another
    // thread meanwhile); without it they are read on the spot.
    explicit TMainDlgForm(TInstallation& installation, const std::function<TDriveReading()>& readDrives = {});

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
    // The installation's question (the wizard's message dialog, or the unattended answer where none may
    // show); the worker's state is left alone while one is shown.
    int Ask(const std::string& text, int kind, std::uint16_t buttons);

    // A /SILENT run: the checks a person would meet passed, the window brought to the installing page, the
    // licence accepted; false when the run ends before anything is written (the installation's Refusal says
    // why). The worker then runs; its end walks the last pages by itself.
    [[nodiscard]] bool StartUnattended();

    // The stored choices with the switches over them, as the installation reads them, shown by the pages.
    void ReadInstallSettings();
    // The pages as the installation's choices have them.
    void ShowChoices();
    // The installation's choices as the pages up to the installing page have them: the components and the
    // shortcuts.
    void TakeChoicesFromPages();
    // The installation's store, with the finish page's launch box when the window closes there.
    void SaveInstallSettings();
    // The component list item `item` shows; nullopt for an item beyond the catalogue's.
    [[nodiscard]] std::optional<std::uint8_t> ItemComponent(int item) const;
    // The destination edit's text as the installation takes it: trimmed, with a drive, the product folder
    // added to a drive root and to the program-files folder.
    void NormalizeDestDir();
    // `text` completed by that rule, with the drive list's drive as the current one.
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

    TInstallation& Installation;
    // When set, a close request closes the window without asking.
    bool CloseAllowed = false;
    // Set once construction is complete; until then the lists do not write into the edit.
    bool FormReady = false;
    // The component each item of SelCompLstBx shows, in item order.
    std::vector<std::uint8_t> CompIndexList;

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
    void BindPageFlow();
    [[nodiscard]] std::optional<TControl*> EnterPage(std::uint8_t fromPage, std::uint8_t toPage);
    void ApplyPageFrame(std::uint8_t page);
    [[nodiscard]] bool LoadLicense();
    [[nodiscard]] bool EnterComponentsPage(std::uint8_t fromPage);
    void EnterAssociationsPage();
    void StartInstallation();
    int ShowQuestion(const std::string& text, int kind, std::uint16_t buttons);
    // The components' states by component, as the list shows them.
    [[nodiscard]] std::array<TCheckState, kComponentCount> ComponentStates() const;
    void FinishUnattended();
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
    // Each component's room on the destination's volume, read as the components page is entered.
    std::array<std::int32_t, kComponentCount> ComponentSizes{};
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
