#include "wizard/InstallPlan.h"
#include "tests/unit/WizardFixture.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace ulv::test {
namespace {

const std::string kProgramFolder = "C:\\Program Files\\Ulvara";
const std::string kPublic = "C:\\ProgramData\\Ulvara\\Public\\";
const std::string kSpelling = kPublic + "Orthographe\\";

// The rows as "1 2 S 3 ... R 14": a request or the clean-up by its step, S and R for suspending and resuming
// the install log.
std::string Steps(const std::vector<TPlanRow>& rows) {
    std::ostringstream out;
    for (const TPlanRow& row : rows) {
        if (out.tellp() > 0) out << ' ';
        if (row.Action == TPlanAction::SuspendLogging)
            out << 'S';
        else if (row.Action == TPlanAction::ResumeLogging)
            out << 'R';
        else
            out << row.Step;
    }
    return out.str();
}

class InstallPlan : public WizardTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(AttachedFiles);
        for (const char* folder : {"C:\\ProgramData", "C:\\Program Files", "C:\\users\\test\\Documents"})
            ASSERT_TRUE(Machine.Files.PutFolder(folder));
    }
    [[nodiscard]] bool Exists(const std::string& path) {
        return Machine.Files.GetFileAttributesA(path) != kInvalidFileAttributes;
    }
};

TEST(InstallPlanRows, FollowTheTable) {
    struct Row {
        int Step, Component;
        const char* Name;
        TPlanFolder Folder;
        TInstallMode Mode;
    };
    using enum TPlanFolder;
    const TInstallMode missing = TInstallMode::IfMissing, changed = TInstallMode::IfChanged;
    const std::vector<Row> expected = {
        {1, 0, "vlmr.exe", MainDir, changed},
        {2, 0, "Licence.txt", MainDir, changed},
        {3, 1, "French.asc", Spelling, missing},
        {4, 1,
         "fran\xE7"
         "ais.zlx",
         Spelling, changed},
        {5, 1, "persodicfr.tlx", Spelling, missing},
        {6, 2, "English (American).asc", Spelling, missing},
        {7, 2, "English (American).cache", Spelling, missing},
        {8, 2, "English (British).asc", Spelling, missing},
        {9, 2, "English (American).cache", BritishCache, missing},
        {10, 2, "english.zlx", Spelling, changed},
        {11, 2, "us.zlx", Spelling, changed},
        {12, 2, "uk.zlx", Spelling, changed},
        {13, 2, "userdicen.tlx", Spelling, missing},
        {14, 3, "Coupe de mots.dat", MainDir, changed},
        {15, 4, "Mod\xE8les de document\\", Public, missing},
        {16, 5, "Collections d'inserts\\", Public, missing},
        {18, 6, "Basic.asn", Public, changed},
    };
    std::vector<Row> requests;
    for (const TPlanRow& row : InstallPlanTable())
        if (row.Action == TPlanAction::Request)
            requests.push_back({row.Step, row.Component, row.Name.data(), row.Folder, row.Mode});
    ASSERT_EQ(requests.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(requests[i].Step, expected[i].Step);
        EXPECT_EQ(requests[i].Component, expected[i].Component) << expected[i].Step;
        EXPECT_EQ(std::string(requests[i].Name), expected[i].Name) << expected[i].Step;
        EXPECT_EQ(requests[i].Folder, expected[i].Folder) << expected[i].Step;
        EXPECT_EQ(requests[i].Mode, expected[i].Mode) << expected[i].Step;
    }
}

TEST(InstallPlanRows, ComponentsAndLastRunVersionDecideWhatRuns) {
    const std::string head = "1 2 S 3 4 5 6 7 8 9 10 11 12 13 R 14 S 15";
    struct Case {
        std::int32_t LastRun;
        bool Inserts;
        std::string Tail;
    };
    for (const Case& c : {
             Case{kNoLastRunVersion, true, " 16 R 18"},
             Case{kNoLastRunVersion, false, " R 18"},
             Case{20003999, false, " 16 17 R 18"},
             Case{20003999, true, " 16 17 R 18"},
             Case{-5, false, " 16 17 R 18"},
             Case{20004000, false, " R 18"},
             Case{20004000, true, " 16 17 R 18"},
             Case{29999999, true, " 16 17 R 18"},
             Case{29999999, false, " R 18"},
             Case{30000000, true, " 16 R 18"},
             Case{30000000, false, " R 18"},
         }) {
        std::uint8_t selected = c.Inserts ? 0x7F : 0x7F & ~(1u << 5);
        EXPECT_EQ(Steps(PlanRowsFor(selected, c.LastRun)), head + c.Tail) << c.LastRun << " " << c.Inserts;
    }
    // The word processor's own files are requested whatever the set says; the log is suspended and resumed
    // all the same.
    EXPECT_EQ(Steps(PlanRowsFor(0, kNoLastRunVersion)), "1 2 S R S R");
    EXPECT_EQ(Steps(PlanRowsFor(0, 20003999)), "1 2 S R S 16 17 R");
    EXPECT_EQ(Steps(PlanRowsFor(1u << 2 | 1u << 6, kNoLastRunVersion)), "1 2 S 6 7 8 9 10 11 12 13 R S R 18");
}

TEST(DataFolderPaths, OrdinaryPortableAndUnknown) {
    using enum TDataFolderKind;
    const std::string data = "C:\\ProgramData", docs = "C:\\users\\test\\Documents";
    EXPECT_EQ(DataFolderPath(Shared, false, "C:\\Dest", data, docs), "C:\\ProgramData\\Ulvara\\");
    EXPECT_EQ(DataFolderPath(Hidden, false, "C:\\Dest", data, docs), "C:\\ProgramData\\Ulvara\\Hidden\\");
    EXPECT_EQ(DataFolderPath(Public, false, "C:\\Dest", data, docs), "C:\\ProgramData\\Ulvara\\Public\\");
    EXPECT_EQ(DataFolderPath(Spelling, false, "C:\\Dest", data, docs),
              "C:\\ProgramData\\Ulvara\\Public\\Orthographe\\");
    EXPECT_EQ(DataFolderPath(Public, false, "C:\\Dest", "", docs),
              "C:\\users\\test\\Documents\\Ulvara\\Public\\");
    EXPECT_EQ(DataFolderPath(Shared, false, "C:\\Dest", "", ""), "")
        << "never relative to the current folder";
    for (TDataFolderKind kind : {Shared, Hidden, Public})
        EXPECT_EQ(DataFolderPath(kind, true, "E:\\Ulvara", data, docs), "E:\\Ulvara\\");
    EXPECT_EQ(DataFolderPath(Spelling, true, "E:\\Ulvara", data, docs), "E:\\Ulvara\\Orthographe\\");
    EXPECT_EQ(DataFolderPath(Shared, true, "E:\\Ulvara/", data, docs), "E:\\Ulvara\\");
    EXPECT_EQ(DataFolderPath(Hidden, true, "E:\\Ulvara\\", data, docs), "E:\\Ulvara\\");
    EXPECT_EQ(DataFolderPath(Spelling, true, "", data, docs), "");
}

TEST_F(InstallPlan, DataFoldersAreMadeOuterFirstAndLoggedUnlessSuspended) {
    Form.Options.MainDir = kProgramFolder;
    Utils.CreateInstallLog(kProgramFolder, false);
    EXPECT_EQ(Form.DataFolder(TDataFolderKind::Spelling), kSpelling);
    EXPECT_EQ(Utils.InstallLog(),
              (std::vector<std::string>{"Made Dir: C:\\ProgramData\\Ulvara\\", "Made Dir: " + kPublic,
                                        "Made Dir: " + kSpelling}));
    Utils.SuspendLogging();
    EXPECT_EQ(Form.DataFolder(TDataFolderKind::Hidden), "C:\\ProgramData\\Ulvara\\Hidden\\");
    Utils.ResumeLogging();
    EXPECT_TRUE(Exists("C:\\ProgramData\\Ulvara\\Hidden"));
    EXPECT_EQ(Utils.InstallLog().size(), 3u);

    // Without the common application-data folder the data root lies in the documents; without either,
    // nothing is made anywhere.
    Machine.Shell.SetFolderResult(kCsidlCommonAppData, kEFail);
    EXPECT_EQ(Form.DataFolder(TDataFolderKind::Public), "C:\\users\\test\\Documents\\Ulvara\\Public\\");
    EXPECT_TRUE(Exists("C:\\users\\test\\Documents\\Ulvara\\Public"));
    Machine.Shell.SetFolderResult(kCsidlPersonal, kEFail);
    EXPECT_EQ(Form.DataFolder(TDataFolderKind::Spelling), "");
    EXPECT_FALSE(Exists("C:\\Ulvara"));
}

TEST_F(InstallPlan, PortableDataFoldersStayBesideTheProgram) {
    AddStick('E');
    Form.Options.MainDir = "E:\\Ulvara/";
    EXPECT_EQ(Form.DataFolder(TDataFolderKind::Shared), "E:\\Ulvara\\");
    EXPECT_EQ(Form.DataFolder(TDataFolderKind::Hidden), "E:\\Ulvara\\");
    EXPECT_EQ(Form.DataFolder(TDataFolderKind::Spelling), "E:\\Ulvara\\Orthographe\\");
    EXPECT_TRUE(Exists("E:\\Ulvara\\Orthographe"));
    EXPECT_FALSE(Exists("C:\\ProgramData\\Ulvara"));
}

TEST_F(InstallPlan, OrdinaryInstallationOfEverything) {
    Machine.Clock.SetUtcNow(133'000'000'000'000'000ull);
    Install(kProgramFolder);
    const std::vector<size_t> perComponent = {2, 3, 8, 1, 29, 216, 1};
    for (int c = 0; c < kQueueCount; ++c)
        EXPECT_EQ(AttachedFiles->Queues[static_cast<size_t>(c)].size(), perComponent[static_cast<size_t>(c)])
            << c;
    EXPECT_EQ(QueuedCount(), 260u);
    EXPECT_EQ(QueuedTargets(0),
              (std::vector<std::string>{kProgramFolder + "\\vlmr.exe", kProgramFolder + "\\Licence.txt"}));
    EXPECT_EQ(QueuedTargets(3), std::vector<std::string>{kProgramFolder + "\\Coupe de mots.dat"});
    EXPECT_EQ(QueuedTargets(6), std::vector<std::string>{kPublic + "Basic.asn"});
    const std::vector<std::string> english = {"English (American).asc",
                                              "English (American).cache",
                                              "English (British).asc",
                                              "English (British).cache",
                                              "english.zlx",
                                              "us.zlx",
                                              "uk.zlx",
                                              "userdicen.tlx"};
    for (size_t i = 0; i < english.size(); ++i)
        EXPECT_EQ(QueuedTargets(2)[i], kSpelling + english[i]);
    const TFileToInstall& british = AttachedFiles->Queues[2][3];
    EXPECT_EQ(british.Entry.Name, "English (American).cache");
    EXPECT_EQ(british.Entry.Size, 8022);
    EXPECT_EQ(Machine.Files.FileContent(kSpelling + "English (British).cache")->size(), 8022u);
    for (const auto& queue : AttachedFiles->Queues)
        for (const TFileToInstall& item : queue) {
            bool programFile =
                item.TargetPath.starts_with(kProgramFolder) || item.TargetPath.ends_with("Basic.asn");
            EXPECT_EQ(item.LogFlag, programFile) << item.TargetPath;
        }

    // Every shared file, and the IfMissing ones marked.
    const std::vector<std::string>& updates = AttachedFiles->UpdateList;
    ASSERT_EQ(updates.size(), 257u);
    size_t marked = 0;
    for (const std::string& line : updates) {
        EXPECT_TRUE(line.starts_with(kPublic)) << line;
        bool mark = line.ends_with("\t!");
        marked += mark;
        bool changedMode = line.ends_with(".zlx") || line.ends_with("Basic.asn");
        EXPECT_NE(mark, changedMode) << line;
    }
    EXPECT_EQ(marked, 2u + 5u + 29u + 216u);
    EXPECT_NE(std::find(updates.begin(), updates.end(), kSpelling + "English (British).cache\t!"),
              updates.end());

    // Only the program's own files and the folders made while the log records.
    std::vector<std::string> log = Utils.InstallLog();
    std::sort(log.begin(), log.end());
    EXPECT_EQ(log, (std::vector<std::string>{
                       "File Copy: " + kProgramFolder + "\\Coupe de mots.dat",
                       "File Copy: " + kProgramFolder + "\\Licence.txt",
                       "File Copy: " + kProgramFolder + "\\vlmr.exe", "File Copy: " + kPublic + "Basic.asn",
                       "Made Dir: " + kProgramFolder + "\\", "Made Dir: C:\\ProgramData\\Ulvara\\Hidden\\"}));

    // The stamp holds the install time's eight bytes.
    TCivilTime now;
    ASSERT_TRUE(DecodeDateTime(Form.InstallTime, now));
    EXPECT_EQ(now.Year, 2022);
    std::optional<std::string> stamp =
        Machine.Files.FileContent("C:\\ProgramData\\Ulvara\\Hidden\\install_stamp");
    ASSERT_TRUE(stamp);
    ASSERT_EQ(stamp->size(), 8u);
    EXPECT_EQ(std::memcmp(stamp->data(), &Form.InstallTime, 8), 0);
}

TEST_F(InstallPlan, OrdinaryReinstallationRewritesEveryFile) {
    Install(kProgramFolder);
    TInstUtils utils(Platform);
    auto files = LoadSamplePayload(Platform, utils);
    TSetupRun run;
    TMainDlgForm again(Platform, utils, *files, run, {});
    again.Options.MainDir = kProgramFolder;
    again.SelectedComps = kAllSelected;
    ASSERT_TRUE(Exists(kSpelling + "persodicfr.tlx"));
    again.BuildInstallPlan();
    size_t total = 0;
    for (const auto& queue : files->Queues)
        total += queue.size();
    EXPECT_EQ(total, 260u);
    const auto& french = files->Queues[1];
    EXPECT_EQ(french[2].TargetPath, kSpelling + "persodicfr.tlx");
    EXPECT_EQ(files->Queues[2][7].TargetPath, kSpelling + "userdicen.tlx");
}

TEST_F(InstallPlan, PortableReinstallationKeepsWhatThePersonMayHaveChanged) {
    AddStick();
    Install("R:\\Ulvara");
    EXPECT_TRUE(AttachedFiles->UpdateList.empty());
    EXPECT_EQ(Form.InstallTime, 0.0);
    EXPECT_FALSE(Exists("R:\\Ulvara\\install_stamp"));
    EXPECT_FALSE(Exists("C:\\ProgramData\\Ulvara"));
    EXPECT_EQ(QueuedCount(), 260u);
    // Everything beside the program, the dictionaries in their own folder.
    EXPECT_EQ(QueuedTargets(0)[0], "R:\\Ulvara\\vlmr.exe");
    EXPECT_EQ(QueuedTargets(1)[0], "R:\\Ulvara\\Orthographe\\French.asc");
    EXPECT_EQ(QueuedTargets(2)[3], "R:\\Ulvara\\Orthographe\\English (British).cache");
    EXPECT_EQ(QueuedTargets(3)[0], "R:\\Ulvara\\Coupe de mots.dat");
    EXPECT_TRUE(QueuedTargets(4)[0].starts_with("R:\\Ulvara\\Mod\xE8les de document\\"));
    EXPECT_TRUE(QueuedTargets(5)[0].starts_with("R:\\Ulvara\\Collections d'inserts\\"));
    EXPECT_EQ(QueuedTargets(6)[0], "R:\\Ulvara\\Basic.asn");
    EXPECT_TRUE(Exists("R:\\Ulvara\\Orthographe\\English (British).cache"));
    EXPECT_TRUE(Exists("R:\\Ulvara\\Basic.asn"));

    // The user edits a dictionary and a template, removes another template; the program's time changes.
    const FileTime later = 134'000'000'000'000'000ull;
    ASSERT_TRUE(Machine.Files.PutFile("R:\\Ulvara\\Orthographe\\French.asc", "mes mots", later));
    ASSERT_TRUE(Machine.Files.PutFile("R:\\Ulvara\\vlmr.exe", "autre", later));
    const std::string templates = "R:\\Ulvara\\Mod\xE8les de document\\";
    const TAttachedFile* gone = nullptr;
    for (const TAttachedFile& e : AttachedFiles->Entries)
        if (e.Name.starts_with("Mod\xE8les de document\\") && !gone) gone = &e;
    ASSERT_TRUE(gone);
    ASSERT_TRUE(Machine.Files.DeleteFileA("R:\\Ulvara\\" + gone->Name));

    TInstUtils utils(Platform);
    auto files = LoadSamplePayload(Platform, utils);
    TSetupRun run;
    TMainDlgForm again(Platform, utils, *files, run, {});
    again.Options.MainDir = "R:\\Ulvara";
    again.SelectedComps = kAllSelected;
    again.BuildInstallPlan();
    std::vector<std::string> queued;
    for (const auto& queue : files->Queues)
        for (const TFileToInstall& item : queue)
            queued.push_back(item.TargetPath);
    EXPECT_EQ(queued, (std::vector<std::string>{"R:\\Ulvara\\vlmr.exe", "R:\\Ulvara\\" + gone->Name}));
    EXPECT_EQ(*Machine.Files.FileContent("R:\\Ulvara\\Orthographe\\French.asc"), "mes mots");
}

class OldInsertImages : public InstallPlan {
protected:
    const std::string Base = "C:\\users\\test\\Documents\\Ulvara\\Collections d'inserts\\Images\\";
    void PutOldImages(const std::string& base) {
        for (int n = 1; n <= 32; ++n)
            ASSERT_TRUE(Machine.Files.PutFile(base + "Puces\\Puce " + std::to_string(n) + ".gif", "gif"));
        for (const char* kept :
             {"Puces\\Puce 01.gif", "Puces\\Puce 1.png", "Puces\\Puce 33.gif", "Puces\\Autre.gif"})
            ASSERT_TRUE(Machine.Files.PutFile(base + kept, "kept"));
        ASSERT_TRUE(Machine.Files.PutFile(base + "Puces\\Cible.gif", "gif"));
        ASSERT_TRUE(Machine.Files.PutFile(base + "Coches\\Coche.gif", "gif"));
        ASSERT_TRUE(Machine.Files.PutFile(base + "Coches\\Plus\\Coche 2.gif", "gif"));
    }
    void ExpectCleaned(const std::string& base) {
        for (int n = 1; n <= 32; ++n)
            EXPECT_FALSE(Exists(base + "Puces\\Puce " + std::to_string(n) + ".gif")) << n;
        EXPECT_FALSE(Exists(base + "Puces\\Cible.gif"));
        EXPECT_FALSE(Exists(base + "Coches"));
        for (const char* kept :
             {"Puces\\Puce 01.gif", "Puces\\Puce 1.png", "Puces\\Puce 33.gif", "Puces\\Autre.gif"})
            EXPECT_TRUE(Exists(base + kept)) << kept;
    }
    void Plan(const std::string& mainDir, std::int32_t lastRun, std::uint8_t selected) {
        Form.Options.MainDir = mainDir;
        Form.LastRunVersion = lastRun;
        Form.SelectedComps = selected;
        Form.BuildInstallPlan();
    }
};

TEST_F(OldInsertImages, GoWhenAnOldVersionRanAndOnlyThen) {
    PutOldImages(Base);
    Plan(kProgramFolder, 30000000, kAllSelected);
    EXPECT_TRUE(Exists(Base + "Puces\\Puce 7.gif")) << "a version with PNG bullets ran last";
    Plan(kProgramFolder, 20004000, kAllSelected & ~(1u << 5));
    EXPECT_TRUE(Exists(Base + "Coches")) << "no inserts requested, no clean-up";
    Plan(kProgramFolder, 20003999, kAllSelected & ~(1u << 5));
    ExpectCleaned(Base);
    EXPECT_EQ(AttachedFiles->Queues[5].size(), 216u) << "the collections come all the same";
    EXPECT_TRUE(AttachedFiles->Queues[5][0].TargetPath.starts_with(kPublic));
}

TEST_F(OldInsertImages, PortableBaseIsTheDestination) {
    AddStick();
    const std::string base = "R:\\Ulvara\\Collections d'inserts\\Images\\";
    PutOldImages(base);
    PutOldImages(Base);
    Plan("R:\\Ulvara", 29999999, kAllSelected);
    ExpectCleaned(base);
    EXPECT_TRUE(Exists(Base + "Coches")) << "the documents are not the portable installation's";
}

TEST_F(OldInsertImages, NothingIsDeletedWithoutTheDocumentsFolder) {
    Machine.Shell.SetFolderResult(kCsidlPersonal, kEFail);
    ASSERT_TRUE(Machine.Files.SetCurrentDirectoryA("C:\\"));
    const std::string relative = "C:\\Ulvara\\Collections d'inserts\\Images\\";
    PutOldImages(relative);
    Plan(kProgramFolder, 1, kAllSelected);
    EXPECT_TRUE(Exists(relative + "Puces\\Puce 1.gif"));
    EXPECT_TRUE(Exists(relative + "Coches\\Coche.gif"));
}

} // namespace
} // namespace ulv::test
