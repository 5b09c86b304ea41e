#pragma once
// The wizard window: one fixed-size form with a white title band, a logo column, the page area and the
// button band. The controls are members named as in the layout and declared band by band; they are created
// (and numbered) depth-first: the page container with its sheets first, then the title band, the logo
// column and the button band, so Tab runs through the page before the buttons.
#include "platform/Platform.h"
#include "platform/ui/Form.h"

#include <array>
#include <string>
#include <string_view>

namespace ulv {

constexpr int kPageCount = 8;

class TMainDlgForm : public TForm {
public:
    explicit TMainDlgForm(TPlatform& platform);

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
    void ApplyRunTimeTexts();

    TPlatform& Platform;
    std::array<TTabSheet*, kPageCount> Sheets;
};

// "%s" placeholders replaced in order by first and second; other text kept as it stands.
[[nodiscard]] std::string FormatResourceText(std::string_view resourceText, std::string_view first,
                                             std::string_view second);

} // namespace ulv
