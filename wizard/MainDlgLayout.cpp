// The wizard window as designed: every control with its place, size, caption, font and first state, then
// what construction changes at run time.
#include "platform/ui/Images.h"
#include "resources/ResConst.h"
#include "wizard/MainDlg.h"
#include "wizard/PageFlow.h"

namespace ulv {
namespace {

// Heights the toolkit gives check boxes and single-line edits when the layout leaves them to it.
constexpr int kCheckBoxHeight = 17;
constexpr int kEditHeight = 21;
constexpr int kCheckListItemHeight = 16;
constexpr int kFolderListItemHeight = 17;
// The larger of the dialog font's height plus 4 and the fixed-drive glyph's 11 pixels.
constexpr int kDriveListItemHeight = 11 + 4;

void Place(TControl& c, int left, int top, int width, int height) {
    c.SetBounds({left, top, width, height});
}

// An auto-sized label: the width (and height) follow the caption.
void PlaceAuto(TLabel& label, int left, int top, std::string_view caption) {
    label.SetBounds({left, top, 0, 0});
    label.SetCaption(std::string(caption));
    label.SetAutoSize(true);
}

void PlaceFixed(TLabel& label, int left, int top, int width, int height, std::string_view caption) {
    Place(label, left, top, width, height);
    label.SetCaption(std::string(caption));
}

void PlaceCheckBox(TCheckBox& box, int left, int top, int width, std::string_view caption) {
    Place(box, left, top, width, kCheckBoxHeight);
    box.SetCaption(std::string(caption));
}

} // namespace

std::string FormatResourceText(std::string_view resourceText, std::string_view first,
                               std::string_view second) {
    std::string out;
    int used = 0;
    for (std::size_t i = 0; i < resourceText.size(); ++i) {
        if (resourceText[i] == '%' && i + 1 < resourceText.size() && resourceText[i + 1] == 's' && used < 2) {
            out += used++ == 0 ? first : second;
            ++i;
            continue;
        }
        out += resourceText[i];
    }
    return out;
}

TMainDlgForm::TMainDlgForm(TInstallation& installation, const std::function<TDriveReading()>& readDrives)
    : TForm("MainDlgForm"), Installation(installation), Platform(installation.Platform),
      Utils(installation.Utils), AttachedFiles(installation.AttachedFiles),
      Run(installation.Run), Sheets{&WelcomeTabSheet, &LicenseTabSheet, &DestDirTabSheet,
                                    &SelCompTabSheet, &StartTabSheet,   &InstallingTabSheet,
                                    &AssocTabSheet,   &FinishTabSheet} {
    SetClientSize(492, 351);
    Icon = Platform.Module.LoadIconA(kAppIconId);
    LayOutBands();
    LayOutWelcomeAndLicense();
    LayOutDestDir();
    LayOutSelComp();
    LayOutStartAndInstalling();
    LayOutAssocAndFinish();
    for (int page = 0; page < kPageCount; ++page)
        Sheet(page).Tag = page;
    ApplyRunTimeTexts();
    LoadLogos();
    LoadGlyphs();
    BindDestDirLists(readDrives);
    BindComponentsPage();
    BindPageFlow();
    ReadInstallSettings();
    StartTimer(kProgressTimerId, kProgressTimerMs);
    StartTimer(kDriveTimerId, kDriveTimerMs);
    SwitchPage(kNoPage, kWelcomePage);
    FormReady = true;
}

void TMainDlgForm::LayOutBands() {
    Place(PgCtrl, 120, 41, 375, 268);

    Place(TopPanel, 0, 0, 492, 46);
    TopPanel.BevelInner = TBevelCut::Raised;
    TopPanel.BevelOuter = TBevelCut::Lowered;
    TopPanel.SetColor(kColorWhite);
    TopLbl.SetFont(TFont{"Arial", -15, true, kColorNavy});
    TopLbl.SetBounds({20, 14, 0, 18});
    TopLbl.SetAutoSize(true, true);
    Place(LogoSmallImage, 440, 6, 34, 34);

    Place(A, 0, 46, 123, 301);
    Place(LogoImage, 1, 0, 120, 260);
    Place(B, 121, 0, 2, 301);
    B.Shape = TBevelShape::LeftLine;

    Place(N, 0, 307, 492, 44);
    Place(BackBtn, 210, 12, 85, 22);
    Place(NextBtn, 295, 12, 85, 22);
    NextBtn.Default = true;
    Place(CancelBtn, 392, 12, 85, 22);
    CancelBtn.Cancel = true;

    Place(L, 0, 306, 492, 2);
    Place(M, 1, 0, 491, 2);
    M.Shape = TBevelShape::Box;
}

void TMainDlgForm::LayOutWelcomeAndLicense() {
    PlaceFixed(WelcomeLbl, 12, 27, 349, 115, kWelcomeTextTemplate);

    PlaceAuto(C, 12, 7, "Veuillez lire l'Accord de licence ci-dessous :");
    Place(LicenseMemo, 12, 25, 345, 207);
    LicenseMemo.ReadOnly = true;
    PlaceCheckBox(LicenseChkBx, 12, 237, 310,
                  "J'&accepte l'Accord de licence ci-dessus dans son intégralité.");
    LicenseChkBx.SetChecked(true);
}

void TMainDlgForm::LayOutDestDir() {
    PlaceFixed(D, 11, 7, 345, 30,
               "Veuillez indiquer dans quel &dossier vous voulez installer\rTraitement de texte Ulvara :");
    D.FocusControl = &DestDirEdt;
    Place(DestDirEdt, 11, 43, 345, kEditHeight);
    Place(DestDirLstBx, 11, 65, 345, 157);
    DestDirLstBx.ItemHeight = kFolderListItemHeight;
    Place(DestDirCmbBx, 11, 225, 345, 19);
    DestDirCmbBx.ItemHeight = kDriveListItemHeight;
}

void TMainDlgForm::LayOutSelComp() {
    // Its caption takes three lines of the dialog font; from 4 pixels down they end where the list begins.
    PlaceFixed(SelCompLbl, 11, 4, 345, 39, "");
    SelCompLbl.FocusControl = &SelCompLstBx;
    Place(SelCompLstBx, 11, 43, 345, 148);
    SelCompLstBx.ItemHeight = kCheckListItemHeight;
    Place(E, 11, 200, 345, 49);
    E.BevelInner = TBevelCut::Raised;
    E.BevelOuter = TBevelCut::Lowered;
    PlaceAuto(F, 8, 8, "Espace disque requis :");
    PlaceFixed(SelCompDiskSpaceReqLbl2, 185, 8, 150, 13, "");
    SelCompDiskSpaceReqLbl2.Alignment = TAlignment::Right;
    PlaceAuto(G, 8, 25, "Espace disque libre :");
    PlaceFixed(SelCompDiskSpaceAvailLbl2, 185, 25, 150, 13, "");
    SelCompDiskSpaceAvailLbl2.Alignment = TAlignment::Right;
}

void TMainDlgForm::LayOutStartAndInstalling() {
    PlaceFixed(
        H, 11, 7, 345, 58,
        "Traitement de texte Ulvara est maintenant prêt à être installé.\r\rCliquez sur \"Suite\" pour "
        "commencer l'installation. Cliquez sur \"Retour\" pour revoir ou modifier les options de "
        "l'installation.");
    PlaceCheckBox(InstallToAllChkBx, 11, 189, 275, "Installer pour &tous les utilisateurs de cet ordinateur");
    PlaceCheckBox(DesktopChkBx, 11, 212, 230, "Créer un raccourci &Bureau");

    PlaceAuto(I, 11, 170, "Installation :");
    InstallingLbl2.SetFont(TFont{DefaultFont().Name, -11, true, kColorDefault});
    PlaceAuto(InstallingLbl2, 73, 170, "");
    PlaceAuto(J, 350, 170, "");
    Place(InstallingProgressBar, 11, 190, 345, 16);
}

void TMainDlgForm::LayOutAssocAndFinish() {
    PlaceFixed(K, 11, 7, 320, 32,
               "Veuillez cocher les cases correspondant aux types de document que vous voulez associer à "
               "Traitement de texte Ulvara :");
    PlaceCheckBox(AssocChkBx1, 40, 76, 203, "Documents RTF");
    PlaceCheckBox(AssocChkBx2, 40, 103, 169, "Documents COD cryptés");
    PlaceCheckBox(AssocChkBx3, 40, 130, 173, "Documents MS Word DOC");
    PlaceCheckBox(AssocChkBx4, 40, 157, 180, "Documents MS Word DOCX");

    PlaceFixed(FinishLbl, 11, 7, 345, 160, kFinishTextTemplate);
    PlaceCheckBox(FinishChkBx, 40, 190, 300, "&Lancer Traitement de texte Ulvara tout de suite");
}

void TMainDlgForm::ApplyRunTimeTexts() {
    SetCaption(std::string(kAppTitle));
    WelcomeLbl.SetCaption(FormatResourceText(kWelcomeTextTemplate, kProductName, ""));
    FinishLbl.SetCaption(FormatResourceText(kFinishTextTemplate, kProductName, ""));
    SelCompLbl.SetCaption(std::string(kSelCompCaption));
    BackBtn.SetCaption(std::string(kBackCaption));
    BackBtn.SetVisible(false);
    NextBtn.SetCaption(std::string(kNextCaption));
    NextBtn.SetEnabled(true);
    CancelBtn.SetCaption(std::string(kCancelCaption));
    CancelBtn.SetEnabled(true);
    TopLbl.SetCaption(std::string(kWelcomeTitle));
}

void TMainDlgForm::LoadLogos() {
    // A missing or damaged picture leaves its place empty; the wizard works without it.
    auto load = [this](const char* name, TImage& image) {
        auto bytes = Platform.Module.FindResourceData(name, kPngResourceType);
        if (!bytes) return;
        if (auto picture = DecodePng(*bytes)) image.SetPicture(std::move(*picture));
    };
    load(kLogoSmallResource, LogoSmallImage);
    load(kLogoResource, LogoImage);
}

void TMainDlgForm::LoadGlyphs() {
    auto load = [this](const char* name) -> std::optional<TBitmapImage> {
        auto bytes = Platform.Module.FindResourceData(name, kBitmapResourceType);
        return bytes ? DecodeDib(*bytes) : std::nullopt;
    };
    Glyphs.OpenFolder = load(kOpenFolderResource);
    Glyphs.ClosedFolder = load(kClosedFolderResource);
    Glyphs.RemovableDrive = load(kRemovableDriveResource);
    Glyphs.FixedDrive = load(kFixedDriveResource);
}

void TMainDlgForm::ShowSheet(int page) {
    if (page < 0 || page >= kPageCount) return;
    PgCtrl.SetActivePage(&Sheet(page));
}

} // namespace ulv
