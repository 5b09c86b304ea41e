// The install plan: which payload files are queued, into which folder, under which overwrite rule, and
// which of them the install log records.
#include "wizard/InstallPlan.h"

#include "utils/InstUtils.h"
#include "wizard/MainDlg.h"

#include <cstring>

namespace ulv {
namespace {

using enum TPlanAction;
using enum TPlanFolder;
using enum TPlanCondition;
constexpr TInstallMode kIfMissing = TInstallMode::IfMissing;
constexpr TInstallMode kIfChanged = TInstallMode::IfChanged;

constexpr TPlanRow kSuspend{0, SuspendLogging, -1, {}, None, kIfChanged, Always};
constexpr TPlanRow kResume{0, ResumeLogging, -1, {}, None, kIfChanged, Always};

constexpr std::string_view kInsertImages = "Collections d'inserts\\Images\\";
constexpr int kOldBulletCount = 32;

bool IsSelected(std::uint8_t set, int component) {
    return component == 0 || (set >> component & 1u) != 0;
}

} // namespace

// Dictionaries, templates and insert collections are shared data that the word processor tracks through
// Update.log; only the program's own files go to the install log. Files the user may have changed (the
// ".asc" word lists, the caches, the personal dictionaries, templates and inserts) are written only where
// missing; the rest is replaced when its time differs.
const std::vector<TPlanRow>& InstallPlanTable() {
    static const std::vector<TPlanRow> table = {
        {1, Request, 0, "vlmr.exe", MainDir, kIfChanged, Always},
        {2, Request, 0, "Licence.txt", MainDir, kIfChanged, Always},
        kSuspend,
        {3, Request, 1, "French.asc", Spelling, kIfMissing, Selected},
        {4, Request, 1, "français.zlx", Spelling, kIfChanged, Selected},
        {5, Request, 1, "persodicfr.tlx", Spelling, kIfMissing, Selected},
        {6, Request, 2, "English (American).asc", Spelling, kIfMissing, Selected},
        {7, Request, 2, "English (American).cache", Spelling, kIfMissing, Selected},
        {8, Request, 2, "English (British).asc", Spelling, kIfMissing, Selected},
        {9, Request, 2, "English (American).cache", BritishCache, kIfMissing, Selected},
        {10, Request, 2, "english.zlx", Spelling, kIfChanged, Selected},
        {11, Request, 2, "us.zlx", Spelling, kIfChanged, Selected},
        {12, Request, 2, "uk.zlx", Spelling, kIfChanged, Selected},
        {13, Request, 2, "userdicen.tlx", Spelling, kIfMissing, Selected},
        kResume,
        {14, Request, 3, "Coupe de mots.dat", MainDir, kIfChanged, Selected},
        kSuspend,
        {15, Request, 4, "Modèles de document\\", Public, kIfMissing, Selected},
        {16, Request, 5, "Collections d'inserts\\", Public, kIfMissing, SelectedOrOldInserts},
        {17, CleanUpOldInsertImages, -1, {}, None, kIfMissing, AfterOldInserts},
        kResume,
        {18, Request, 6, "Basic.asn", Public, kIfChanged, Selected},
    };
    return table;
}

std::vector<TPlanRow> PlanRowsFor(std::uint8_t selectedComps, std::int32_t lastRunVersion) {
    std::vector<TPlanRow> rows;
    bool previousRan = false;
    for (const TPlanRow& row : InstallPlanTable()) {
        bool applies = false;
        switch (row.Condition) {
        case Always:
            applies = true;
            break;
        case Selected:
            applies = IsSelected(selectedComps, row.Component);
            break;
        case SelectedOrOldInserts:
            applies =
                IsSelected(selectedComps, row.Component) || lastRunVersion < kFirstVersionWithOwnInserts;
            break;
        case AfterOldInserts:
            applies = previousRan && lastRunVersion < kFirstVersionWithPngBullets;
            break;
        }
        previousRan = applies;
        if (applies) rows.push_back(row);
    }
    return rows;
}

std::string OldCheckMarksFolder(const std::string& base) {
    return base + std::string(kInsertImages) + "Coches";
}

std::vector<std::string> OldBulletImages(const std::string& base) {
    std::string bullets = base + std::string(kInsertImages) + "Puces\\";
    std::vector<std::string> paths;
    for (int n = 1; n <= kOldBulletCount; ++n)
        paths.push_back(bullets + "Puce " + std::to_string(n) + ".gif");
    paths.push_back(bullets + "Cible.gif");
    return paths;
}

void TMainDlgForm::BuildInstallPlan() {
    for (int component = 0; component < kQueueCount; ++component)
        AttachedFiles.ClearQueue(component);
    AttachedFiles.AlwaysOverwrite = !IsPortableDestination();
    for (const TPlanRow& row : PlanRowsFor(SelectedComps, LastRunVersion))
        RunPlanRow(row);
    if (IsPortableDestination()) return;
    InstallTime = Utils.LocalNow();
    WriteInstallStamp();
}

void TMainDlgForm::RunPlanRow(const TPlanRow& row) {
    switch (row.Action) {
    case TPlanAction::SuspendLogging:
        Utils.SuspendLogging();
        return;
    case TPlanAction::ResumeLogging:
        Utils.ResumeLogging();
        return;
    case TPlanAction::CleanUpOldInsertImages:
        CleanUpOldInsertImages();
        return;
    case TPlanAction::Request:
        break;
    }
    // The folder is made just before its files are queued, so it exists before the install thread starts.
    std::string folder = PlanFolder(row);
    if (folder.empty()) return; // never a target relative to the current directory
    AttachedFiles.FullPathFlag = row.Folder == TPlanFolder::BritishCache;
    (void)AttachedFiles.QueueForInstall(std::string(row.Name), folder, row.Component, row.Mode);
    AttachedFiles.FullPathFlag = false;
}

std::string TMainDlgForm::PlanFolder(const TPlanRow& row) {
    switch (row.Folder) {
    case TPlanFolder::MainDir:
        return Options.MainDir;
    case TPlanFolder::Spelling:
        return DataFolder(TDataFolderKind::Spelling);
    case TPlanFolder::Public:
        return DataFolder(TDataFolderKind::Public);
    case TPlanFolder::BritishCache: {
        std::string spelling = DataFolder(TDataFolderKind::Spelling);
        return spelling.empty() ? spelling : spelling + std::string(kBritishCacheName);
    }
    case TPlanFolder::None:
        break;
    }
    return {};
}

// Versions before the PNG bullets kept their GIF bullets and check marks in the user's documents (beside
// the program when portable); the new collections replace them, and any other file there is left alone.
void TMainDlgForm::CleanUpOldInsertImages() {
    std::string base;
    if (IsPortableDestination()) {
        base = Options.MainDir;
    } else {
        base = Utils.GetSpecialFolder(kCsidlPersonal);
        if (!base.empty()) base = JoinPath(base, "Ulvara");
    }
    if (EnsureTrailingBackslash(base).empty()) return;
    Utils.DeleteDirectoryTree(OldCheckMarksFolder(base));
    for (const std::string& image : OldBulletImages(base))
        (void)Platform.Files.DeleteFileA(image);
}

// The word processor compares this stamp with the one it last saw to notice a new installation.
void TMainDlgForm::WriteInstallStamp() {
    std::string hidden = DataFolder(TDataFolderKind::Hidden);
    if (hidden.empty()) return;
    char bytes[sizeof InstallTime];
    std::memcpy(bytes, &InstallTime, sizeof bytes); // little-endian binary64 on every Windows target
    (void)Utils.WriteStringToFile(hidden + std::string(kInstallStampName),
                                  std::string_view(bytes, sizeof bytes));
}

} // namespace ulv
