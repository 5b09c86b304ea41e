// The wizard window as constructed, against the layout data the end-to-end test also checks the real
// window with (tests/e2e/wizard_layout.txt), on the headless backend.
#include "platform/sim/SimMachine.h"
#include "platform/sim/ui/HeadlessUi.h"
#include "tests/support/TestFiles.h"
#include "tests/unit/SampleRun.h"
#include "tests/unit/WizardFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace ulv {
namespace {

struct TLayoutRow {
    std::string Name, Id, Class, Parent, Left, Top, Width, Height, Shown, Kind, State, Font, Caption;
};

std::string Trim(std::string s) {
    auto first = s.find_first_not_of(' ');
    auto last = s.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

// The data file is UTF-8; the program's texts are Windows-1252.
std::string Latin1FromUtf8(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0xC0 && c < 0xE0 && i + 1 < utf8.size()) {
            out += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string Unescape(const std::string& caption) {
    if (caption == "\"\"") return "";
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '\\' && i + 1 < caption.size() && caption[i + 1] == 'r') {
            out += '\r';
            ++i;
        } else {
            out += caption[i];
        }
    }
    return Latin1FromUtf8(out);
}

std::vector<TLayoutRow> ReadLayout() {
    std::ifstream in(ULVARA_LAYOUT_FILE);
    std::vector<TLayoutRow> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        std::stringstream fields(line);
        std::string field;
        for (int i = 0; i < 12 && std::getline(fields, field, '|'); ++i)
            f.push_back(Trim(field));
        std::getline(fields, field);
        f.push_back(Trim(field)); // the caption may hold "|"
        if (f.size() != 13 || f[0] == "window") continue;
        rows.push_back({f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11], f[12]});
    }
    return rows;
}

// The program's logos, as the resources hold them.
bool PutLogos(sim::SimMachine& machine) {
    machine.Module.PutResource("LOGO", "PNG", test::ReadHostFile(std::string(ULVARA_ART_DIR) + "/logo.png"));
    machine.Module.PutResource("LOGOSMALL", "PNG",
                               test::ReadHostFile(std::string(ULVARA_ART_DIR) + "/logosmall.png"));
    headless::ClearMessages();
    return true;
}

class MainDlgLayoutTest : public ::testing::Test {
protected:
    TControl* Find(const std::string& name) {
        for (TControl* c : Form.AllControls())
            if (c->Name() == name) return c;
        return nullptr;
    }
    sim::SimMachine Machine;
    bool LogosPut = PutLogos(Machine);
    TPlatform Platform = Machine.Platform();
    TInstUtils Utils{Platform};
    std::unique_ptr<TAttachedFiles> AttachedFiles = test::LoadSamplePayload(Platform, Utils);
    TSetupRun Run;
    test::TWizardWindow Form{Platform, Utils, *AttachedFiles, Run};
};

TEST_F(MainDlgLayoutTest, EveryControlStandsAsDesigned) {
    Form.CreateHandles();
    std::vector<TLayoutRow> rows = ReadLayout();
    ASSERT_EQ(rows.size(), 50u);
    ASSERT_EQ(Form.AllControls().size(), 50u);
    EXPECT_EQ(Form.ClientWidth(), 492);
    EXPECT_EQ(Form.ClientHeight(), 351);
    EXPECT_EQ(Form.Caption(), "Installation du traitement de texte Ulvara");
    for (const TLayoutRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TControl* c = Find(row.Name);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(std::to_string(c->Id), row.Id);
        EXPECT_EQ(c->Parent() == &Form ? "form" : c->Parent()->Name(), row.Parent);
        const TBounds& b = c->Bounds();
        EXPECT_EQ(std::to_string(b.Left), row.Left);
        EXPECT_EQ(std::to_string(b.Top), row.Top);
        bool autoSized = c->Kind() == TControlKind::Label && static_cast<TLabel*>(c)->AutoSize();
        EXPECT_EQ(autoSized, row.Width == "auto");
        if (row.Width != "auto") {
            EXPECT_EQ(std::to_string(b.Width), row.Width);
        }
        if (row.Height != "auto") {
            // "NN+": the designed height; the Win32 backend may grow a wrapped label to fit its font.
            std::string height =
                row.Height.back() == '+' ? row.Height.substr(0, row.Height.size() - 1) : row.Height;
            EXPECT_EQ(std::to_string(b.Height), height);
        }
        if (row.Caption != "*") {
            EXPECT_EQ(c->Caption(), Unescape(row.Caption));
        }
        if (row.Font != "-") {
            TFont font = c->Font();
            std::string weight = font.Bold ? "700" : "400";
            EXPECT_EQ(font.Name + "," + std::to_string(font.Height) + "," + weight, row.Font);
        }
        if (row.Shown != "*") {
            EXPECT_EQ(c->Showing(), row.Shown == "all" || row.Shown == "0");
        }
    }
}

TEST_F(MainDlgLayoutTest, PageZeroButtonsTitleAndSheetTags) {
    EXPECT_FALSE(Form.BackBtn.Visible());
    EXPECT_EQ(Form.BackBtn.Caption(), "< &Retour");
    EXPECT_TRUE(Form.NextBtn.Enabled());
    EXPECT_TRUE(Form.NextBtn.Default);
    EXPECT_TRUE(Form.CancelBtn.Cancel);
    EXPECT_EQ(Form.TopLbl.Caption(), "Merci de faire confiance \xE0 Ulvara");
    EXPECT_EQ(Form.TopLbl.Font(), (TFont{"Arial", -15, true, kColorNavy}));
    EXPECT_EQ(Form.TopPanel.Color(), kColorWhite);
    EXPECT_EQ(Form.TopLbl.Bounds().Height, 18);
    EXPECT_EQ(Form.PgCtrl.ActivePage(), &Form.WelcomeTabSheet);
    EXPECT_TRUE(Form.LicenseChkBx.Checked());
    EXPECT_EQ(Form.J.Caption(), "");
    for (int page = 0; page < kPageCount; ++page) {
        EXPECT_EQ(Form.Sheet(page).Tag, page);
        EXPECT_EQ(Form.Sheet(page).PageIndex(), page);
    }
}

TEST_F(MainDlgLayoutTest, LogosAreDecodedFromTheProgramsResources) {
    ASSERT_TRUE(Form.LogoSmallImage.Picture().has_value());
    ASSERT_TRUE(Form.LogoImage.Picture().has_value());
    EXPECT_EQ(Form.LogoSmallImage.Picture()->Width, 32);
    EXPECT_EQ(Form.LogoImage.Picture()->Height, 260);

    // Without them the window still opens, with empty places.
    sim::SimMachine bare;
    TPlatform platform = bare.Platform();
    TInstUtils utils(platform);
    std::unique_ptr<TAttachedFiles> attachedFiles = test::LoadSamplePayload(platform, utils);
    TSetupRun run;
    test::TWizardWindow form(platform, utils, *attachedFiles, run);
    EXPECT_FALSE(form.LogoImage.Picture().has_value());
    EXPECT_TRUE(form.WelcomeTabSheet.Showing());
}

TEST_F(MainDlgLayoutTest, KeysOfTheWindow) {
    Form.CreateHandles();
    Form.ShowSheet(2);
    EXPECT_TRUE(Form.Accelerator('D'));
    EXPECT_EQ(Form.Focused(), &Form.DestDirEdt);
    Form.ShowSheet(3);
    EXPECT_TRUE(Form.Accelerator('C'));
    EXPECT_EQ(Form.Focused(), &Form.SelCompLstBx);
    // Tab goes from the page to Next and Cancel (Back is hidden on the first page).
    Form.KeyDown(kVkTab, false);
    EXPECT_EQ(Form.Focused(), &Form.NextBtn);
    Form.KeyDown(kVkTab, false);
    EXPECT_EQ(Form.Focused(), &Form.CancelBtn);

    // Esc is the Cancel button's: it asks the window to close.
    bool asked = false;
    Form.OnCloseQuery = [&](TForm&, bool&) { asked = true; };
    EXPECT_TRUE(Form.KeyDown(kVkEscape, false));
    EXPECT_TRUE(Form.ConfirmModalResult());
    EXPECT_TRUE(asked);
    EXPECT_EQ(Form.ModalResult(), kModalResultCancel);
}

TEST(FormatResourceTextTest, TheSecondPlaceholderVanishes) {
    EXPECT_EQ(FormatResourceText("%s (version 3.3.3.1%s) sur", "Traitement de texte Ulvara", ""),
              "Traitement de texte Ulvara (version 3.3.3.1) sur");
    EXPECT_EQ(FormatResourceText("100 % s\xFBr %s %s %s", "a", "b"), "100 % s\xFBr a b %s");
    EXPECT_EQ(FormatResourceText("%s", "%s", "x"), "%s");
}

} // namespace
} // namespace ulv
