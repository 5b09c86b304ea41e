#pragma once
// What the installation writes where: the plan as a table of rows, turned for one target into concrete
// steps that TInstallation::BuildInstallPlan walks in order.
#include "engine/AttachFiles.h"
#include "wizard/InstallTarget.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ulv {

// Word processors before this last-run version kept the insert collections only when asked for them...
constexpr std::int32_t kFirstVersionWithOwnInserts = 20004000;
// ...and before this one drew bullets as GIF images.
constexpr std::int32_t kFirstVersionWithPngBullets = 30000000;

inline constexpr std::string_view kInstallStampName = "install_stamp";
inline constexpr std::string_view kBritishCacheName = "English (British).cache";

enum class TPlanAction { Request, CleanUpOldInsertImages };

// Where a request's files go. BritishCache is the spelling folder plus the British cache's name, a whole
// target path: the payload carries the American cache only, and it serves for both.
enum class TPlanFolder { None, MainDir, Spelling, Public, BritishCache };

// When a row applies.
enum class TPlanCondition {
    Always,
    Selected,             // its component was selected
    SelectedOrOldInserts, // selected, or the word processor last ran before it had inserts of its own
    AfterOldInserts,      // the row before ran and the word processor last ran before the PNG bullets
};

struct TPlanRow {
    int Step = 0; // the row's number in the plan
    TPlanAction Action = TPlanAction::Request;
    int Component = -1;
    std::string_view Name; // a file's name, or a folder prefix ending in a backslash
    TPlanFolder Folder = TPlanFolder::None;
    // The rule asked for; an ordinary installation writes every file all the same.
    TInstallMode Mode = TInstallMode::IfChanged;
    TPlanCondition Condition = TPlanCondition::Always;
    // The install log records the request's files, and the data folder made for it.
    bool Logged = false;
};

// One step of the plan for a target: a request with its targets, made just after its data folder (with its
// parents: logged as the request is), or the clean-up of old insert images.
struct TPlanStep {
    int Step = 0;
    TPlanAction Action = TPlanAction::Request;
    // The data folder the request writes into; empty for the destination, which the worker makes.
    std::string Folder;
    TInstallRequest Request;
    // The clean-up: a folder removed with all it holds, then single files.
    std::string OldTree;
    std::vector<std::string> OldFiles;
};

// The whole plan, every row, in order.
[[nodiscard]] const std::vector<TPlanRow>& InstallPlanTable();

// The rows that apply to this run, in order: component set bit n for component n (component 0's rows apply
// whatever the set says).
[[nodiscard]] std::vector<TPlanRow> PlanRowsFor(std::uint8_t selectedComps, std::int32_t lastRunVersion);

// The rows as steps for the target. A request whose data folder is unknown or refused is left out (never a
// target relative to the current directory), as is a clean-up without its base folder. On an ordinary
// installation every file is written even if present, and the files of the data folders are listed for
// Update.log (marked when they were asked for only where missing).
[[nodiscard]] std::vector<TPlanStep> PlanSteps(const std::vector<TPlanRow>& rows,
                                               const TInstallTarget& target);

} // namespace ulv
