// The install plan: which payload files are queued, into which folder, under which overwrite rule, and
// which of them the install log records.
#include "wizard/InstallPlan.h"

#include "utils/InstUtils.h"
#include "wizard/Installation.h"

#include <cstring>

namespace ulv {
namespace {

using enum TPlanAction;
using enum TPlanFolder;
using enum TPlanCondition;
constexpr TInstallMode kIfMissing = TInstallMode::IfMissing;
constexpr TInstallMode kIfChanged = TInstallMode::IfChanged;
constexpr bool kLogged = true;
constexpr bool kQuiet = false;

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
        {1, Request, 0, "vlmr.exe", MainDir, kIfChanged, Always, kLogged},
        {2, Request, 0, "Licence.txt", MainDir, kIfChanged, Always, kLogged},
        {3, Request, 1, "French.asc", Spelling, kIfMissing, Selected, kQuiet},
        {4, Request, 1, "français.zlx", Spelling, kIfChanged, Selected, kQuiet},
        {5, Request, 1, "persodicfr.tlx", Spelling, kIfMissing, Selected, kQuiet},
        {6, Request, 2, "English (American).asc", Spelling, kIfMissing, Selected, kQuiet},
        {7, Request, 2, "English (American).cache", Spelling, kIfMissing, Selected, kQuiet},
        {8, Request, 2, "English (British).asc", Spelling, kIfMissing, Selected, kQuiet},
        {9, Request, 2, "English (American).cache", BritishCache, kIfMissing, Selected, kQuiet},
        {10, Request, 2, "english.zlx", Spelling, kIfChanged, Selected, kQuiet},
        {11, Request, 2, "us.zlx", Spelling, kIfChanged, Selected, kQuiet},
        {12, Request, 2, "uk.zlx", Spelling, kIfChanged, Selected, kQuiet},
        {13, Request, 2, "userdicen.tlx", Spelling, kIfMissing, Selected, kQuiet},
        {14, Request, 3, "Coupe de mots.dat", MainDir, kIfChanged, Selected, kLogged},
        {15, Request, 4, "Modèles de document\\", Public, kIfMissing, Selected, kQuiet},
        {16, Request, 5, "Collections d'inserts\\", Public, kIfMissing, SelectedOrOldInserts, kQuiet},
        {17, CleanUpOldInsertImages, -1, {}, None, kIfMissing, AfterOldInserts, kQuiet},
        {18, Request, 6, "Basic.asn", Public, kIfChanged, Selected, kLogged},
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

namespace {

// The data folder a row writes into, and its target: the folder, or for the British cache a whole path.
std::pair<std::string, std::string> RowTarget(const TPlanRow& row, const TInstallTarget& target) {
    switch (row.Folder) {
    case MainDir:
        return {{}, target.MainDir};
    case Spelling:
        return {target.DataFolder(TDataFolderKind::Spelling), target.DataFolder(TDataFolderKind::Spelling)};
    case Public:
        return {target.DataFolder(TDataFolderKind::Public), target.DataFolder(TDataFolderKind::Public)};
    case BritishCache: {
        const std::string& spelling = target.DataFolder(TDataFolderKind::Spelling);
        return {spelling, spelling.empty() ? spelling : spelling + std::string(kBritishCacheName)};
    }
    case None:
        break;
    }
    return {};
}

std::optional<TPlanStep> RequestStep(const TPlanRow& row, const TInstallTarget& target) {
    auto [folder, whole] = RowTarget(row, target);
    if (whole.empty()) return std::nullopt;
    TPlanStep step;
    step.Step = row.Step;
    step.Folder = std::move(folder);
    TInstallRequest& request = step.Request;
    request.Component = row.Component;
    request.Name = std::string(row.Name);
    request.Target = std::move(whole);
    request.WholePath = row.Folder == BritishCache;
    request.Mode = target.Portable ? row.Mode : TInstallMode::Always;
    request.Logged = row.Logged;
    if (!target.Portable && row.Folder != MainDir)
        request.Update = row.Mode == kIfMissing ? TUpdateMark::Kept : TUpdateMark::Listed;
    return step;
}

// Versions before the PNG bullets kept their GIF bullets and check marks in the user's documents (beside the
// program when portable); the new collections replace them, and any other file there is left alone.
std::optional<TPlanStep> CleanUpStep(const TPlanRow& row, const TInstallTarget& target) {
    const std::string& base = target.OldImagesBase;
    if (base.empty()) return std::nullopt;
    TPlanStep step;
    step.Step = row.Step;
    step.Action = CleanUpOldInsertImages;
    std::string images = base + std::string(kInsertImages);
    step.OldTree = images + "Coches";
    for (int n = 1; n <= kOldBulletCount; ++n)
        step.OldFiles.push_back(images + "Puces\\Puce " + std::to_string(n) + ".gif");
    step.OldFiles.push_back(images + "Puces\\Cible.gif");
    return step;
}

} // namespace

std::vector<TPlanStep> PlanSteps(const std::vector<TPlanRow>& rows, const TInstallTarget& target) {
    std::vector<TPlanStep> steps;
    for (const TPlanRow& row : rows) {
        std::optional<TPlanStep> step =
            row.Action == Request ? RequestStep(row, target) : CleanUpStep(row, target);
        if (step) steps.push_back(std::move(*step));
    }
    return steps;
}

void TInstallation::BuildInstallPlan() {
    for (int component = 0; component < kQueueCount; ++component)
        AttachedFiles.ClearQueue(component);
    for (const TPlanStep& step : PlanSteps(PlanRowsFor(SelectedComps, LastRunVersion), Target))
        RunPlanStep(step);
    if (Target.Portable) return;
    InstallTime = Utils.LocalNow();
    WriteInstallStamp();
}

void TInstallation::RunPlanStep(const TPlanStep& step) {
    // Nothing is deleted through a link on the way from the base: it may lead to anyone's files.
    if (step.Action == CleanUpOldInsertImages) {
        Utils.DeleteBelow(Target.OldImagesBase, step.OldTree);
        for (const std::string& image : step.OldFiles)
            Utils.DeleteBelow(Target.OldImagesBase, image);
        return;
    }
    // The folder is made just before its files are queued, so it exists before the install thread starts.
    if (!step.Folder.empty()) {
        TLogSuspension quiet(Utils, !step.Request.Logged);
        if (PrepareDataFolder(step.Folder).empty()) return;
    }
    (void)AttachedFiles.QueueForInstall(step.Request);
}

// The word processor compares this stamp with the one it last saw to notice a new installation. The file is
// replaced, never written through: a link planted under its name is replaced, not followed.
void TInstallation::WriteInstallStamp() {
    std::string hidden = DataFolder(TDataFolderKind::Hidden);
    if (hidden.empty()) return;
    char bytes[sizeof InstallTime];
    std::memcpy(bytes, &InstallTime, sizeof bytes); // little-endian binary64 on every Windows target
    (void)Utils.ReplaceFile(hidden + std::string(kInstallStampName), std::string_view(bytes, sizeof bytes));
}

} // namespace ulv
