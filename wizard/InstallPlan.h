#pragma once
// What the installation writes where: the plan as a table of rows, walked in order by
// TMainDlgForm::BuildInstallPlan, and the data folders the rows name.
#include "engine/AttachFiles.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ulv {

// The folders the word processor keeps its data in, besides the program folder.
enum class TDataFolderKind { Shared, Hidden, Public, Spelling };

// Word processors before this last-run version kept the insert collections only when asked for them...
constexpr std::int32_t kFirstVersionWithOwnInserts = 20004000;
// ...and before this one drew bullets as GIF images.
constexpr std::int32_t kFirstVersionWithPngBullets = 30000000;

inline constexpr std::string_view kInstallStampName = "install_stamp";
inline constexpr std::string_view kBritishCacheName = "English (British).cache";

enum class TPlanAction { Request, SuspendLogging, ResumeLogging, CleanUpOldInsertImages };

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
    int Step = 0; // the row's number in the plan; 0 for the logging and clean-up rows
    TPlanAction Action = TPlanAction::Request;
    int Component = -1;
    std::string_view Name; // a file's name, or a folder prefix ending in a backslash
    TPlanFolder Folder = TPlanFolder::None;
    TInstallMode Mode = TInstallMode::IfChanged;
    TPlanCondition Condition = TPlanCondition::Always;
};

// The whole plan, every row, in order.
[[nodiscard]] const std::vector<TPlanRow>& InstallPlanTable();

// The rows that apply to this run, in order: component set bit n for component n (component 0's rows apply
// whatever the set says).
[[nodiscard]] std::vector<TPlanRow> PlanRowsFor(std::uint8_t selectedComps, std::int32_t lastRunVersion);

// A data folder's path, not created: ordinary installations under the common application-data folder (the
// documents folder when that is unknown), portable ones beside the program. Empty when neither base folder
// is known, or when a portable installation has no destination.
[[nodiscard]] std::string DataFolderPath(TDataFolderKind kind, bool portable, const std::string& mainDir,
                                         const std::string& commonAppData, const std::string& personal);

// The names the clean-up removes below its base folder: the "Coches" folder first, then the GIF bullets
// "Puce 1.gif" to "Puce 32.gif" and "Cible.gif".
[[nodiscard]] std::string OldCheckMarksFolder(const std::string& base);
[[nodiscard]] std::vector<std::string> OldBulletImages(const std::string& base);

} // namespace ulv
