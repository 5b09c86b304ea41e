#include "wizard/InstallPlan.h"
#include "platform/sim/SimText.h"
#include "tests/unit/WizardFixture.h"
#include "tools/payload/Catalogue.h"
#include "tools/payload/Packer.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace ulv::test::install_plan {
namespace {

const std::string kProgramFolder = "C:\\Program Files\\Ulvara";
const std::string kPublic = "C:\\ProgramData\\Ulvara\\Public\\";
const std::string kSpelling = kPublic + "Orthographe\\";

// The steps by their numbers: "1 2 3 ... 18".
std::string Steps(const std::vector<TPlanStep>& steps) {
    std::ostringstream out;
    for (const TPlanStep& step : steps)
        out << (out.tellp() > 0 ? " " : "") << step.Step;
    return out.str();
}

// A step as one line: its number, the folder made first, the target (whole path or folder), the rule, and
// whether the log records it and Update.log lists it.
std::string Line(const TPlanStep& step) {
    if (step.Action == TPlanAction::CleanUpOldInsertImages)
        return std::to_string(step.Step) + " clean " + step.OldTree + " +" +
               std::to_string(step.OldFiles.size());
    const TInstallRequest& r = step.Request;
    static const char* const kModes[] = {"missing", "changed", "always"};
    static const char* const kMarks[] = {"", " listed", " kept"};
    return std::to_string(step.Step) + " c" + std::to_string(r.Component) + " " + r.Name + " [" +
           step.Folder + "] " + r.Target + (r.WholePath ? " (whole)" : "") + " " +
           kModes[static_cast<int>(r.Mode)] + (r.Logged ? " log" : "") + kMarks[static_cast<int>(r.Update)];
}

std::vector<std::string> Lines(const std::vector<TPlanStep>& steps) {
    std::vector<std::string> lines;
    for (const TPlanStep& step : steps)
        lines.push_back(Line(step));
    return lines;
}

class InstallPlan : public InstallationTest {
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

// The whole plan as data, for the two kinds of target: every request's concrete target and rule.
TEST(InstallPlanSteps, OrdinaryAndPortableTargets) {
    const std::string fr = "fran\xE7"
                           "ais.zlx",
                      templates = "Mod\xE8les de document\\";
    const std::string inserts = "Collections d'inserts\\";
    const std::vector<TPlanRow> rows = PlanRowsFor(0x7F, 20003999);
    TInstallTarget ordinary = InstallTargetFor(kProgramFolder, false, "C:\\ProgramData", "C:\\Docs");
    const std::string p = kPublic, s = kSpelling, m = kProgramFolder;
    EXPECT_EQ(
        Lines(PlanSteps(rows, ordinary)),
        (std::vector<std::string>{
            "1 c0 vlmr.exe [] " + m + " always log",
            "2 c0 Licence.txt [] " + m + " always log",
            "3 c1 French.asc [" + s + "] " + s + " always kept",
            "4 c1 " + fr + " [" + s + "] " + s + " always listed",
            "5 c1 persodicfr.tlx [" + s + "] " + s + " always kept",
            "6 c2 English (American).asc [" + s + "] " + s + " always kept",
            "7 c2 English (American).cache [" + s + "] " + s + " always kept",
            "8 c2 English (British).asc [" + s + "] " + s + " always kept",
            "9 c2 English (American).cache [" + s + "] " + s + "English (British).cache (whole) always kept",
            "10 c2 english.zlx [" + s + "] " + s + " always listed",
            "11 c2 us.zlx [" + s + "] " + s + " always listed",
            "12 c2 uk.zlx [" + s + "] " + s + " always listed",
            "13 c2 userdicen.tlx [" + s + "] " + s + " always kept",
            "14 c3 Coupe de mots.dat [] " + m + " always log",
            "15 c4 " + templates + " [" + p + "] " + p + " always kept",
            "16 c5 " + inserts + " [" + p + "] " + p + " always kept",
            "17 clean C:\\Docs\\Ulvara\\Collections d'inserts\\Images\\Coches +33",
            "18 c6 Basic.asn [" + p + "] " + p + " always log listed",
        }));

    TInstallTarget portable = InstallTargetFor("R:\\Ulvara", true, "", "C:\\Docs");
    const std::string r = "R:\\Ulvara", rr = "R:\\Ulvara\\", o = "R:\\Ulvara\\Orthographe\\";
    EXPECT_EQ(
        Lines(PlanSteps(rows, portable)),
        (std::vector<std::string>{
            "1 c0 vlmr.exe [] " + r + " changed log",
            "2 c0 Licence.txt [] " + r + " changed log",
            "3 c1 French.asc [" + o + "] " + o + " missing",
            "4 c1 " + fr + " [" + o + "] " + o + " changed",
            "5 c1 persodicfr.tlx [" + o + "] " + o + " missing",
            "6 c2 English (American).asc [" + o + "] " + o + " missing",
            "7 c2 English (American).cache [" + o + "] " + o + " missing",
            "8 c2 English (British).asc [" + o + "] " + o + " missing",
            "9 c2 English (American).cache [" + o + "] " + o + "English (British).cache (whole) missing",
            "10 c2 english.zlx [" + o + "] " + o + " changed",
            "11 c2 us.zlx [" + o + "] " + o + " changed",
            "12 c2 uk.zlx [" + o + "] " + o + " changed",
            "13 c2 userdicen.tlx [" + o + "] " + o + " missing",
            "14 c3 Coupe de mots.dat [] " + r + " changed log",
            "15 c4 " + templates + " [" + rr + "] " + rr + " missing",
            "16 c5 " + inserts + " [" + rr + "] " + rr + " missing",
            "17 clean " + rr + "Collections d'inserts\\Images\\Coches +33",
            "18 c6 Basic.asn [" + rr + "] " + rr + " changed log",
        }));
    const std::vector<std::string> old = PlanSteps(rows, portable)[16].OldFiles;
    EXPECT_EQ(old.front(), rr + "Collections d'inserts\\Images\\Puces\\Puce 1.gif");
    EXPECT_EQ(old[31], rr + "Collections d'inserts\\Images\\Puces\\Puce 32.gif");
    EXPECT_EQ(old.back(), rr + "Collections d'inserts\\Images\\Puces\\Cible.gif");

    // Without the common data folder the data root lies in the documents, and its files are listed all the
    // same: Update.log lies beside them.
    TInstallTarget documents = InstallTargetFor(kProgramFolder, false, "", "C:\\Docs");
    EXPECT_EQ(Line(PlanSteps(rows, documents).back()),
              "18 c6 Basic.asn [C:\\Docs\\Ulvara\\Public\\] C:\\Docs\\Ulvara\\Public\\ always log listed");
    // Without a data folder its requests go, never to a folder relative to the current one; without the
    // documents folder, the clean-up.
    TInstallTarget unknown = InstallTargetFor(kProgramFolder, false, "", "");
    EXPECT_EQ(Steps(PlanSteps(rows, unknown)), "1 2 14");
}

TEST(InstallPlanRows, ComponentsAndLastRunVersionDecideWhatRuns) {
    const TInstallTarget target = InstallTargetFor(kProgramFolder, false, "C:\\ProgramData", "C:\\Docs");
    const std::string head = "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15";
    struct Case {
        std::int32_t LastRun;
        bool Inserts;
        std::string Tail;
    };
    for (const Case& c : {
             Case{kNoLastRunVersion, true, " 16 18"},
             Case{kNoLastRunVersion, false, " 18"},
             Case{20003999, false, " 16 17 18"},
             Case{20003999, true, " 16 17 18"},
             Case{-5, false, " 16 17 18"},
             Case{20004000, false, " 18"},
             Case{20004000, true, " 16 17 18"},
             Case{29999999, true, " 16 17 18"},
             Case{29999999, false, " 18"},
             Case{30000000, true, " 16 18"},
             Case{30000000, false, " 18"},
         }) {
        std::uint8_t selected = c.Inserts ? 0x7F : 0x7F & ~(1u << 5);
        EXPECT_EQ(Steps(PlanSteps(PlanRowsFor(selected, c.LastRun), target)), head + c.Tail)
            << c.LastRun << " " << c.Inserts;
    }
    // The word processor's own files are requested whatever the set says.
    EXPECT_EQ(Steps(PlanSteps(PlanRowsFor(0, kNoLastRunVersion), target)), "1 2");
    EXPECT_EQ(Steps(PlanSteps(PlanRowsFor(0, 20003999), target)), "1 2 16 17");
    EXPECT_EQ(Steps(PlanSteps(PlanRowsFor(1u << 2 | 1u << 6, kNoLastRunVersion), target)),
              "1 2 6 7 8 9 10 11 12 13 18");
}

// A release packs exactly the catalogue: each of its files must be one the plan asks for, under the component
// that selects it, and each request of the plan must find its files there.
TEST(InstallPlanRows, AskForTheCatalogueAndNothingElse) {
    std::vector<int> matched(InstallPlanTable().size());
    for (const pack::TCatalogueRow& entry : pack::Catalogue()) {
        std::string name;
        ASSERT_TRUE(pack::Utf8ToCp1252(entry.Path, name)) << entry.Path;
        std::replace(name.begin(), name.end(), '/', '\\');
        bool asked = false;
        for (size_t i = 0; i < InstallPlanTable().size(); ++i) {
            const TPlanRow& row = InstallPlanTable()[i];
            std::string_view wanted = row.Name;
            bool hit = wanted.ends_with('\\') ? sim::SameTextNoCase(name.substr(0, wanted.size()), wanted)
                                              : sim::SameTextNoCase(name, wanted);
            if (row.Action != TPlanAction::Request || !hit) continue;
            EXPECT_EQ(row.Component, entry.Component) << entry.Path;
            asked = true;
            ++matched[i];
        }
        EXPECT_TRUE(asked) << entry.Path << " is carried, and nothing installs it";
    }
    for (size_t i = 0; i < matched.size(); ++i) {
        if (InstallPlanTable()[i].Action != TPlanAction::Request) continue;
        EXPECT_GT(matched[i], 0) << InstallPlanTable()[i].Name << " is asked for, and not carried";
    }
}

TEST(InstallTargets, DataFoldersOrdinaryPortableAndUnknown) {
    using enum TDataFolderKind;
    const std::string data = "C:\\ProgramData", docs = "C:\\users\\test\\Documents";
    const TInstallTarget ordinary = InstallTargetFor("C:\\Dest", false, data, docs);
    EXPECT_EQ(ordinary.DataFolders,
              (std::array<std::string, 4>{"C:\\ProgramData\\Ulvara\\", "C:\\ProgramData\\Ulvara\\Hidden\\",
                                          "C:\\ProgramData\\Ulvara\\Public\\",
                                          "C:\\ProgramData\\Ulvara\\Public\\Orthographe\\"}));
    EXPECT_EQ(ordinary.DataBase, "C:\\ProgramData\\");
    EXPECT_EQ(ordinary.OldImagesBase, docs + "\\Ulvara\\");
    EXPECT_EQ(InstallTargetFor("C:\\Dest", false, "", docs).DataFolder(Public), docs + "\\Ulvara\\Public\\");
    EXPECT_EQ(InstallTargetFor("C:\\Dest", false, "", "").DataFolder(Shared), "")
        << "never relative to the current folder";
    for (const char* dest : {"E:\\Ulvara", "E:\\Ulvara/", "E:\\Ulvara\\"}) {
        const TInstallTarget portable = InstallTargetFor(dest, true, data, docs);
        EXPECT_EQ(portable.DataFolders,
                  (std::array<std::string, 4>{"E:\\Ulvara\\", "E:\\Ulvara\\", "E:\\Ulvara\\",
                                              "E:\\Ulvara\\Orthographe\\"}))
            << dest;
        EXPECT_EQ(portable.OldImagesBase, "E:\\Ulvara\\");
        EXPECT_EQ(portable.DataBase, "");
    }
    EXPECT_EQ(InstallTargetFor("", true, data, docs).DataFolder(Spelling), "");
}

TEST_F(InstallPlan, DataFoldersAreMadeOuterFirstAndLoggedUnlessSuspended) {
    Installation.Options.MainDir = kProgramFolder;
    Installation.FixInstallTarget();
    Utils.CreateInstallLog(kProgramFolder, false);
    EXPECT_EQ(Installation.DataFolder(TDataFolderKind::Spelling), kSpelling);
    EXPECT_EQ(Utils.InstallLog(),
              (std::vector<std::string>{"Made Dir: C:\\ProgramData\\Ulvara\\", "Made Dir: " + kPublic,
                                        "Made Dir: " + kSpelling}));
    Utils.SuspendLogging();
    EXPECT_EQ(Installation.DataFolder(TDataFolderKind::Hidden), "C:\\ProgramData\\Ulvara\\Hidden\\");
    Utils.ResumeLogging();
    EXPECT_TRUE(Exists("C:\\ProgramData\\Ulvara\\Hidden"));
    EXPECT_EQ(Utils.InstallLog().size(), 3u);

    // Without the common application-data folder the data root lies in the documents; without either,
    // nothing is made anywhere.
    Machine.Shell.SetFolderResult(kCsidlCommonAppData, kEFail);
    Installation.FixInstallTarget();
    EXPECT_EQ(Installation.DataFolder(TDataFolderKind::Public),
              "C:\\users\\test\\Documents\\Ulvara\\Public\\");
    EXPECT_TRUE(Exists("C:\\users\\test\\Documents\\Ulvara\\Public"));
    Machine.Shell.SetFolderResult(kCsidlPersonal, kEFail);
    Installation.FixInstallTarget();
    EXPECT_EQ(Installation.DataFolder(TDataFolderKind::Spelling), "");
    EXPECT_FALSE(Exists("C:\\Ulvara"));
}

// A link made on the way to a data folder after the target was fixed refuses it as well, before anything is
// made through it: the requests for it and for the folders below it go, the others stay.
TEST_F(InstallPlan, ALinkMadeAfterTheStartRefusesItsFolders) {
    const std::string elsewhere = "C:\\Windows\\Protected";
    Installation.Options.MainDir = kProgramFolder;
    Installation.SelectedComps = kAllSelected;
    Installation.FixInstallTarget();
    ASSERT_TRUE(Machine.Files.PutFolder(elsewhere));
    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\ProgramData\\Ulvara\\Public", elsewhere));
    Installation.BuildInstallPlan();
    EXPECT_EQ(Installation.Target.RefusedLinks, std::vector<std::string>{"C:\\ProgramData\\Ulvara\\Public"});
    for (int c : {1, 2, 4, 5, 6})
        EXPECT_TRUE(AttachedFiles->Queues[static_cast<size_t>(c)].empty()) << c;
    EXPECT_EQ(QueuedCount(), 3u) << "the program's own files";
    EXPECT_EQ(Installation.DataFolder(TDataFolderKind::Hidden), "C:\\ProgramData\\Ulvara\\Hidden\\");
    EXPECT_FALSE(Exists(elsewhere + "\\Orthographe"));
    EXPECT_TRUE(AttachedFiles->UpdateList.empty());
}

TEST_F(InstallPlan, PortableDataFoldersStayBesideTheProgram) {
    AddStick('E');
    Installation.Options.MainDir = "E:\\Ulvara/";
    Installation.FixInstallTarget();
    EXPECT_EQ(Installation.DataFolder(TDataFolderKind::Shared), "E:\\Ulvara\\");
    EXPECT_EQ(Installation.DataFolder(TDataFolderKind::Hidden), "E:\\Ulvara\\");
    EXPECT_EQ(Installation.DataFolder(TDataFolderKind::Spelling), "E:\\Ulvara\\Orthographe\\");
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
    ASSERT_TRUE(DecodeDateTime(Installation.InstallTime, now));
    EXPECT_EQ(now.Year, 2022);
    std::optional<std::string> stamp =
        Machine.Files.FileContent("C:\\ProgramData\\Ulvara\\Hidden\\install_stamp");
    ASSERT_TRUE(stamp);
    ASSERT_EQ(stamp->size(), 8u);
    EXPECT_EQ(std::memcmp(stamp->data(), &Installation.InstallTime, 8), 0);
}

TEST_F(InstallPlan, OrdinaryReinstallationRewritesEveryFile) {
    Install(kProgramFolder);
    TInstUtils utils(Platform);
    auto files = LoadSamplePayload(Platform, utils);
    TSetupRun run;
    TInstallation again(Platform, utils, *files, run, {});
    again.Options.MainDir = kProgramFolder;
    again.SelectedComps = kAllSelected;
    again.FixInstallTarget();
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
    EXPECT_EQ(Installation.InstallTime, 0.0);
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
    TInstallation again(Platform, utils, *files, run, {});
    again.Options.MainDir = "R:\\Ulvara";
    again.SelectedComps = kAllSelected;
    again.FixInstallTarget();
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
        Installation.Options.MainDir = mainDir;
        Installation.LastRunVersion = lastRun;
        Installation.SelectedComps = selected;
        Installation.FixInstallTarget();
        Installation.BuildInstallPlan();
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
} // namespace ulv::test::install_plan
