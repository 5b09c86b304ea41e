#include "app/Startup.h"
#include "platform/sim/ui/HeadlessUi.h"
#include "tests/support/TestFiles.h"
#include "tests/unit/SampleRun.h"
#include "tests/unit/WizardFixture.h"

#include <gtest/gtest.h>

namespace ulv::test {
namespace {

const std::string kProgramFiles = "C:\\Program Files";

// What windres stores for a BITMAP resource: the file without its 14-byte header.
std::vector<std::uint8_t> Glyph(const std::string& name) {
    std::vector<std::uint8_t> file = ReadHostFile(std::string(ULVARA_ART_DIR) + "/" + name);
    return file.size() > 14 ? std::vector<std::uint8_t>(file.begin() + 14, file.end()) : file;
}

bool SameText(const std::string& a, const std::string& b) {
    return sim::SameTextNoCase(a, b);
}

// The machine: C: with the program-files folder, D: "Données", E: with the same tree as C:, a network N:, an
// optical O:, floppy letters A: and B:.
class DestDirPage : public ::testing::Test {
protected:
    void SetUp() override {
        for (std::string glyph : {"openfolder", "closedfolder", "removabledrive", "fixeddrive"})
            Machine.Module.PutResource(sim::UpperAnsi(glyph), "#2", Glyph(glyph + ".bmp"));
        Machine.Volumes.SetDrive({.Letter = 'A', .Type = kDriveRemovable, .Label = {}});
        Machine.Volumes.SetDrive({.Letter = 'D',
                                  .Label = "Donn\xE9"
                                           "es"});
        Machine.Volumes.SetDrive({.Letter = 'E', .Label = {}});
        Machine.Volumes.SetDrive(
            {.Letter = 'N', .Type = kDriveRemote, .Label = "PARTAGE", .RemoteName = "\\\\Serveur\\Partage"});
        Machine.Volumes.SetDrive({.Letter = 'O', .Type = kDriveCdrom, .Label = "DVD"});
        for (const char* folder :
             {"C:\\Program Files\\Commun", "C:\\Outils\\Sous", "E:\\Outils\\Sous", "D:\\Documents",
              "C:\\Windows", "C:\\Program Files\\Zèbre", "C:\\Program Files\\appli"})
            ASSERT_TRUE(Machine.Files.PutFolder(folder));
        ASSERT_TRUE(Machine.Files.PutFolder("C:\\Program Files\\Cach\xE9"));
        ASSERT_TRUE(Machine.Files.SetFileAttributesA("C:\\Program Files\\Cach\xE9",
                                                     kFileAttributeDirectory | kFileAttributeHidden));
        AttachedFiles = LoadSamplePayload(Platform, Utils);
        ASSERT_TRUE(AttachedFiles);
        Form = std::make_unique<TWizardWindow>(Platform, Utils, *AttachedFiles, Run, TSetupSwitches{});
    }
    // The end of construction: stored settings (none), the folder list on the destination, ready.
    void Construct(std::vector<std::string> params = {}) {
        Form.reset();
        Form =
            std::make_unique<TWizardWindow>(Platform, Utils, *AttachedFiles, Run, ParseSetupSwitches(params));
    }
    [[nodiscard]] std::vector<std::string> Texts(const TCustomList& list) const {
        std::vector<std::string> texts;
        for (const TListItem& item : list.Items())
            texts.push_back(item.Text);
        return texts;
    }
    void PickDrive(char letter) {
        const auto& items = Form->DestDirCmbBx.Items();
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].Text[0] == letter) return Form->DestDirCmbBx.UserSelect(static_cast<int>(i));
        ADD_FAILURE() << "no drive " << letter;
    }
    void PickFolder(const std::string& path) {
        const auto& items = Form->DestDirLstBx.Items();
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].Text == path) return Form->DestDirLstBx.UserSelect(static_cast<int>(i));
        ADD_FAILURE() << "no folder " << path;
    }
    [[nodiscard]] std::string Edit() const { return Form->DestDirEdt.Text(); }

    sim::SimMachine Machine;
    TPlatform Platform = Machine.Platform();
    TInstUtils Utils{Platform};
    std::unique_ptr<TAttachedFiles> AttachedFiles;
    TSetupRun Run;
    std::unique_ptr<TWizardWindow> Form;
};

TEST(DestDirRules, NormalizedDestination) {
    struct Case {
        const char* Typed;
        const char* Expected;
    };
    for (const Case& c :
         {Case{"  D:\\Outils\\  ", "D:\\Outils"}, Case{"d:", "d:\\Ulvara"}, Case{"d:\\", "d:\\Ulvara"},
          Case{"C:\\Program Files", "C:\\Program Files\\Ulvara"},
          Case{"c:\\PROGRAM FILES\\", "c:\\PROGRAM FILES\\Ulvara"},
          Case{"C:\\Program Files\\Ulvara\\", "C:\\Program Files\\Ulvara"},
          Case{"C:\\Program Files\\Commun", "C:\\Program Files\\Commun"},
          Case{"C:\\Program Files (x86)", "C:\\Program Files (x86)"}, Case{"Dossier", "e:\\Ulvara"},
          Case{"\\Dossier", "e:\\Ulvara"}, Case{"", "e:\\Ulvara"}, Case{"   ", "e:\\Ulvara"},
          Case{"\\\\serveur\\partage\\Ulvara\\", "\\\\serveur\\partage\\Ulvara"},
          Case{"\\\\serveur\\partage", "\\\\serveur\\partage"}, Case{"\\\\serveur", "e:\\Ulvara"},
          Case{"\\\\\\partage", "e:\\Ulvara"}, Case{"C:\\\\", "C:\\Ulvara"}})
        EXPECT_EQ(NormalizeDestination(c.Typed, 'e', kProgramFiles, SameText), c.Expected)
            << '"' << c.Typed << '"';
    EXPECT_EQ(NormalizeDestination("C:\\", 'e', "", SameText), "C:\\Ulvara")
        << "program-files folder unknown";
}

TEST(DestDirRules, DrivePolling) {
    constexpr std::uint32_t C = 1u << 2, D = 1u << 3, E = 1u << 4, R = 1u << 17, A = 1u << 0, O = 1u << 14;
    auto listed = [](char letter) { return letter != 'o'; };
    using enum TDrivePollAction;
    struct Case {
        std::uint32_t Before, Now;
        char Current;
        TDrivePollAction Action;
        char Letter;
    };
    for (const Case& c :
         {Case{C | D, C | D, 'c', Nothing, 0}, Case{C | D, C | D | R, 'c', SelectNew, 'r'},
          Case{C, C | E | R, 'c', SelectNew, 'e'}, Case{C | R, C, 'r', FallBackToProgramFiles, 0},
          Case{C | D | R, C | R, 'r', Reselect, 0}, Case{C | D, C | A, 'd', FallBackToProgramFiles, 0},
          Case{C, C | A, 'c', Reselect, 0}, Case{C | D, C | E, 'd', SelectNew, 'e'},
          Case{C | E, C | D, 'e', FallBackToProgramFiles, 0}, Case{C, C | O, 'c', Reselect, 0},
          Case{C, C | O | R, 'c', SelectNew, 'r'}}) {
        TDrivePoll poll = PollDrives(c.Before, c.Now, c.Current, listed);
        EXPECT_EQ(poll.Action, c.Action) << std::hex << c.Before << " -> " << c.Now;
        EXPECT_EQ(poll.Letter, c.Letter) << std::hex << c.Before << " -> " << c.Now;
    }
}

TEST_F(DestDirPage, FirstDisplayShowsTheDestinationAndItsNearestFolder) {
    // The construction's order: the lists write nothing into the edit until the window is ready.
    Form->FormReady = false;
    Form->DestDirEdt.SetText("ne change pas");
    Form->DestDirLstBxChange();
    EXPECT_EQ(Edit(), "ne change pas") << "nothing before the window is ready";
    const unsigned long userComparisons = Machine.Text.ComparisonsIn(kLocaleUserDefault);
    Form->ReadInstallSettings();
    Form->FormReady = true;
    EXPECT_EQ(Edit(), "C:\\Program Files\\Ulvara") << "the edit keeps a folder that does not exist yet";
    EXPECT_EQ(Form->FolderList.CurrentFolder(), "C:\\Program Files\\");
    EXPECT_EQ(Texts(Form->DestDirLstBx),
              (std::vector<std::string>{"C:\\", "C:\\Program Files", "C:\\Program Files\\appli",
                                        "C:\\Program Files\\Commun",
                                        "C:\\Program Files\\Z\xE8"
                                        "bre"}))
        << "sorted ignoring case, hidden folders left out";
    EXPECT_GT(Machine.Text.ComparisonsIn(kLocaleSystemDefault), 0u);
    EXPECT_EQ(Machine.Text.ComparisonsIn(kLocaleUserDefault), userComparisons) << "in the system's locale";
    EXPECT_EQ(Form->DestDirLstBx.ItemIndex(), 1);
    EXPECT_EQ(Texts(Form->DestDirCmbBx), (std::vector<std::string>{"c: ",
                                                                   "d: [donn\xE9"
                                                                   "es]",
                                                                   "e: ", "n: \\\\serveur\\partage"}))
        << "no A:, B: or optical drive; names in lower case";
    EXPECT_EQ(Form->DestDirCmbBx.Text(), "c: ");
    EXPECT_EQ(Form->DriveList.CurrentDrive(), 'c');
    std::vector<std::uint32_t> modes = Machine.Drives.ErrorModesAtVolumeQueries();
    EXPECT_GE(modes.size(), 5u) << "the four listed drives and the folder list's";
    for (std::uint32_t mode : modes)
        EXPECT_EQ(mode & kSemFailCriticalErrors, kSemFailCriticalErrors);
    EXPECT_EQ(Machine.Drives.ErrorMode(), 0u) << "restored after each query";
}

TEST_F(DestDirPage, PicksInTheListsRewriteTheEdit) {
    Construct();
    PickDrive('d');
    EXPECT_EQ(Edit(), "d:\\Ulvara") << "a drive root gets the product folder, the letter as listed";
    EXPECT_EQ(Form->FolderList.CurrentFolder(), "d:\\");
    PickFolder("d:\\Documents");
    EXPECT_EQ(Edit(), "d:\\Documents");
    PickDrive('c');
    EXPECT_EQ(Form->FolderList.CurrentFolder(), "C:\\Program Files\\") << "no Ulvara folder yet";
    EXPECT_EQ(Edit(), "C:\\Program Files\\Ulvara");
    PickFolder("C:\\Program Files\\Commun");
    EXPECT_EQ(Edit(), "C:\\Program Files\\Commun") << "any other folder exactly itself";
    PickFolder("C:\\");
    EXPECT_EQ(Edit(), "C:\\Ulvara");
    PickFolder("C:\\Outils");
    PickFolder("C:\\Outils\\Sous");
    PickDrive('e');
    EXPECT_EQ(Edit(), "e:\\Outils\\Sous") << "the same path on the other drive";
    PickDrive('d');
    EXPECT_EQ(Edit(), "d:\\Ulvara") << "not on D:: its root";
    PickDrive('c');
    PickFolder("C:\\");
    PickFolder("C:\\Windows");
    PickDrive('e');
    EXPECT_EQ(Form->FolderList.CurrentFolder(), "e:\\");

    ASSERT_TRUE(Machine.Files.PutFolder("C:\\Program Files\\Ulvara"));
    PickDrive('c');
    EXPECT_EQ(Form->FolderList.CurrentFolder(), "C:\\Program Files\\Ulvara");
    EXPECT_EQ(Edit(), "C:\\Program Files\\Ulvara");
}

TEST_F(DestDirPage, DrivesThatComeAndGo) {
    Construct();
    Form->ShowSheet(4);
    Machine.Volumes.SetDrive({.Letter = 'R',
                              .Type = kDriveRemovable,
                              .BusType = kBusTypeUsb,
                              .RemovableMedia = true,
                              .Label = "CLE"});
    Form->DriveTimer();
    EXPECT_EQ(Edit(), "r:\\Ulvara") << "a stick plugged in is taken at once, whatever the page";
    EXPECT_EQ(Form->DestDirCmbBx.Text(), "r: [cle]");
    EXPECT_EQ(Form->DestDirCmbBx.ItemData(Form->DestDirCmbBx.ItemIndex()), 1u) << "the removable glyph";

    Machine.Volumes.SetPresent('E', false);
    Form->DriveTimer();
    EXPECT_EQ(Form->DestDirCmbBx.Text(), "r: [cle]") << "another drive gone: the selection stays";
    EXPECT_EQ(Edit(), "r:\\Ulvara");
    EXPECT_EQ(Form->DestDirCmbBx.Count(), 4);

    // A DVD drive appearing (an ISO image mounted) is never taken.
    Machine.Volumes.SetDrive({.Letter = 'P', .Type = kDriveCdrom, .Label = "DVD"});
    Form->DriveTimer();
    EXPECT_EQ(Form->DestDirCmbBx.Text(), "r: [cle]");
    EXPECT_EQ(Form->DriveList.CurrentDrive(), 'r');
    EXPECT_EQ(Edit(), "r:\\Ulvara");

    Machine.Volumes.SetPresent('R', false);
    Form->DriveTimer();
    EXPECT_EQ(Form->DestDirCmbBx.Text(), "c: ") << "the selected stick gone: back to the program-files drive";
    EXPECT_EQ(Edit(), "C:\\Program Files\\Ulvara");
    Form->DriveTimer();
    EXPECT_EQ(Edit(), "C:\\Program Files\\Ulvara");
}

// A drive that changes again while a tick reads the drives: the list is rebuilt for the drives the tick saw,
// a drive stays selected, and the next tick follows the latest change.
TEST_F(DestDirPage, DrivesChangingWithinATick) {
    const sim::TSimDrive stick{
        .Letter = 'R', .Type = kDriveRemovable, .BusType = kBusTypeUsb, .Label = "CLE"};
    struct Case {
        const char* Name;
        bool PluggedBefore, PresentAtTick, PresentAfterRead;
        std::array<const char*, 2> Shown; // after the tick and after the next one
    };
    for (const Case& c :
         {Case{"plugged for an instant", false, true, false, {"r: ", "c: "}},
          Case{"the selected stick pulled and plugged back", true, false, true, {"c: ", "r: [cle]"}}}) {
        SCOPED_TRACE(c.Name);
        Machine.Volumes.RemoveDrive('R');
        Construct();
        if (c.PluggedBefore) {
            Machine.Volumes.SetDrive(stick);
            Form->DriveTimer();
            ASSERT_EQ(Form->DestDirCmbBx.Text(), "r: [cle]");
        }
        Machine.Volumes.SetDrive(stick);
        Machine.Volumes.SetPresent('R', c.PresentAtTick);
        Machine.Drives.AfterNextLogicalDrives([&] { Machine.Volumes.SetPresent('R', c.PresentAfterRead); });
        for (const char* shown : c.Shown) {
            Form->DriveTimer();
            EXPECT_EQ(Form->DestDirCmbBx.Text(), shown);
        }
    }
}

TEST_F(DestDirPage, DestinationSwitchAndUnknownFolders) {
    Construct({"-dD:\\Nouveau\\Dossier"});
    EXPECT_EQ(Edit(), "D:\\Nouveau\\Dossier");
    EXPECT_EQ(Form->FolderList.CurrentFolder(), "D:\\");
    EXPECT_EQ(Form->DriveList.CurrentDrive(), 'd');
    EXPECT_EQ(Form->DestDirCmbBx.Text(), "d: [donn\xE9"
                                         "es]");
    Form->DestDirEdt.SetText("  Dossier ");
    Form->NormalizeDestDir();
    EXPECT_EQ(Edit(), "d:\\Ulvara");
}

TEST_F(DestDirPage, NetworkDestinationStaysInTheEditWhileTheListsShowTheCurrentDrive) {
    Construct({"-d\\\\serveur\\partage\\Ulvara"});
    EXPECT_EQ(Edit(), "\\\\serveur\\partage\\Ulvara");
    EXPECT_EQ(Form->FolderList.CurrentFolder(), "C:\\Program Files\\");
    EXPECT_EQ(Form->DestDirCmbBx.Text(), "c: ");
}

TEST(DestDirStart, SetupRunFromADvdStartsTheListsOnTheProgramFilesDrive) {
    sim::SimMachine machine;
    machine.Volumes.SetDrive({.Letter = 'O', .Type = kDriveCdrom, .Label = "SETUP"});
    ASSERT_TRUE(machine.Files.PutFolder("O:\\Setup") && machine.Files.PutFolder("C:\\Program Files"));
    ASSERT_TRUE(machine.Files.SetCurrentDirectoryA("O:\\Setup"));
    TPlatform platform = machine.Platform();
    TInstUtils utils(platform);
    auto files = LoadSamplePayload(platform, utils);
    TSetupRun run;
    TWizardWindow form(platform, utils, *files, run);
    EXPECT_EQ(form.DriveList.CurrentDrive(), 'c');
    EXPECT_EQ(form.DestDirCmbBx.Text(), "c: ");
    EXPECT_EQ(form.FolderList.CurrentFolder(), "C:\\Program Files\\");
}

// The program as a whole: an empty card reader plugged in while the wizard is open is followed by the lists
// without the system's "no disk" box.
TEST(DestDirStart, AnEmptyCardReaderRaisesNoSystemPrompt) {
    sim::SimMachine machine;
    machine.Module.PutResource("FILES", "FILES", ReadHostFile(ULVARA_SAMPLE_PAYLOAD));
    ASSERT_TRUE(machine.Files.PutFolder("C:\\Program Files"));
    std::string edit;
    headless::ScriptModalLoop({[&](TForm& form) {
        auto& wizard = static_cast<TMainDlgForm&>(form);
        wizard.ReadInstallSettings();
        wizard.FormReady = true;
        machine.Volumes.SetDrive({.Letter = 'E', .Type = kDriveRemovable, .Label = {}, .HasMedia = false});
        wizard.DriveTimer();
        edit = wizard.DestDirEdt.Text();
        wizard.CancelBtn.Click();
    }});
    TPlatform platform = machine.Platform();
    EXPECT_EQ(RunSetup(platform, ""), kExitCancelled);
    EXPECT_EQ(edit, "e:\\Ulvara");
    EXPECT_EQ(machine.Volumes.NoDiskPrompts(), 0);
}

TEST_F(DestDirPage, DrawingFollowsTheVolumesCase) {
    Construct();
    PickFolder("C:\\Program Files\\Commun");
    using V = std::vector<std::string>;
    EXPECT_EQ(
        headless::DrawItem(Form->DestDirLstBx, 0),
        (V{"FillRect 0,0,341,17 80000005", "DrawTransparent 3,0 16x16", "TextOut 23,2 \"C:\" 80000008"}));
    EXPECT_EQ(headless::DrawItem(Form->DestDirLstBx, 2, {.Selected = true}),
              (V{"FillRect 0,34,341,51 8000000D", "DrawTransparent 27,34 16x16",
                 "TextOut 47,36 \"Commun\" 8000000E"}));
    // An old FAT disk keeps no case: names are shown in lower case, sub-folders one step right of the
    // current.
    Machine.Volumes.SetDrive({.Letter = 'C', .Label = {}, .FileSystemFlags = 0});
    ASSERT_TRUE(Machine.Files.PutFolder("C:\\Program Files\\Commun\\Sous Dossier"));
    Form->FolderList.Rebuild();
    EXPECT_EQ(headless::DrawItem(Form->DestDirLstBx, 1)[2], "TextOut 35,19 \"program files\" 80000008");
    EXPECT_EQ(headless::DrawItem(Form->DestDirLstBx, 3),
              (V{"FillRect 0,51,341,68 80000005", "DrawTransparent 39,51 16x16",
                 "TextOut 59,53 \"sous dossier\" 80000008"}));

    Machine.Volumes.SetDrive({.Letter = 'R', .Type = kDriveRemovable, .Label = "A&B"});
    Form->DriveList.Rebuild();
    // Window colours even for the selected item; "&" drawn as it is.
    EXPECT_EQ(headless::DrawItem(Form->DestDirCmbBx, 4, {.Selected = true}),
              (V{"FillRect 0,60,324,75 80000005", "DrawTransparent 2,62 16x10",
                 "DrawText 22,60,324,75 \"r: [a&b]\" 0824 80000008"}));
    EXPECT_EQ(headless::DrawItem(Form->DestDirCmbBx, 0)[1], "DrawTransparent 2,2 16x11");
}

} // namespace
} // namespace ulv::test
