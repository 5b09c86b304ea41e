#include "InstUtils.h"

namespace ulv {
namespace {

struct TShortcutSlot {
    int PerUser;
    int AllUsers;
    bool OnlyWhenAsked; // the desktop link, made only when its box is ticked
};

constexpr TShortcutSlot kProgramsSlot{kCsidlPrograms, kCsidlCommonPrograms, false};
constexpr TShortcutSlot kDesktopSlot{kCsidlDesktopDirectory, kCsidlCommonDesktopDirectory, true};

// The folder of a link path: cut after its last backslash or colon.
std::string FolderOfLink(const std::string& linkPath) {
    size_t cut = linkPath.find_last_of("\\:");
    return cut == std::string::npos ? std::string() : linkPath.substr(0, cut + 1);
}

} // namespace

void TInstUtils::CreateShortcut(const std::string& linkPath, const std::string& target,
                                const std::string& workFolder, const std::string& description) {
    std::unique_ptr<IShellLinkObject> link = Platform.Shell.CreateShellLink();
    if (!link) return; // no shell link class: no shortcut, and so no line
    (void)link->SetPath(target);
    (void)link->SetWorkingDirectory(workFolder);
    (void)link->SetDescription(description);
    std::string folder = FolderOfLink(linkPath);
    if (!folder.empty()) MakeDirectoryTree(folder);
    (void)link->Save(linkPath, true);
    AddLogLine(std::string(kFileCopyPrefix) + linkPath); // logged whatever Save gave, as the record of intent
}

std::vector<TInstUtils::TShortcutStep> TInstUtils::ShortcutSteps(bool allUsers, bool desktop) {
    std::vector<TShortcutStep> steps;
    for (const TShortcutSlot& slot : {kProgramsSlot, kDesktopSlot}) {
        std::string primary = GetSpecialFolder(allUsers ? slot.AllUsers : slot.PerUser);
        std::string other = GetSpecialFolder(allUsers ? slot.PerUser : slot.AllUsers);
        if (primary.empty()) primary = other;
        TShortcutStep& step = steps.emplace_back();
        // The link an earlier installation for the other scope left behind.
        if (!other.empty()) step.Removed = JoinPath(other, kShortcutName);
        if ((slot.OnlyWhenAsked && !desktop) || primary.empty()) continue;
        step.Made = JoinPath(primary, kShortcutName);
    }
    return steps;
}

void TInstUtils::ShortcutSet(bool allUsers, bool desktop, const std::string& mainDir) {
    const std::string target = JoinPath(mainDir, kProgramName);
    for (const TShortcutStep& step : ShortcutSteps(allUsers, desktop)) {
        if (!step.Removed.empty()) (void)Platform.Files.DeleteFileA(step.Removed);
        if (!step.Made.empty()) CreateShortcut(step.Made, target, mainDir, std::string(kShortcutDescription));
    }
}

} // namespace ulv
