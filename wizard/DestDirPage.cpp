// The destination page: the edit, the two linked lists, and the drive polling that follows drives as they
// come and go.
#include "utils/InstUtils.h"
#include "wizard/DestDirLists.h"
#include "wizard/Installation.h"
#include "wizard/MainDlg.h"

namespace ulv {
namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// A letter and a colon, or \\server\share with neither part empty.
bool HasDrive(std::string_view text) {
    if (StartsWithDriveLetter(text)) return true;
    if (!text.starts_with("\\\\")) return false;
    size_t serverEnd = text.find('\\', 2);
    return serverEnd != std::string::npos && serverEnd > 2 && serverEnd + 1 < text.size() &&
           text[serverEnd + 1] != '\\';
}

bool LastComponentEmpty(const std::string& text) {
    size_t cut = text.find_last_of("\\:");
    return cut != std::string::npos && cut + 1 == text.size();
}

} // namespace

bool IsAbsoluteDestination(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    if (StartsWithDriveLetter(text)) return text.size() > 2 && text[2] == '\\';
    return HasDrive(text);
}

std::string
NormalizeDestination(std::string text, char currentDrive, const std::string& programFiles,
                     const std::function<bool(const std::string&, const std::string&)>& sameText) {
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first]))
        ++first;
    text.erase(0, first);
    while (!text.empty() && IsBlank(text.back()))
        text.pop_back();
    if (!HasDrive(text)) text = std::string(1, currentDrive) + ":";
    if (!text.empty() && text.back() == '\\') text.pop_back();
    if (LastComponentEmpty(text) || (!programFiles.empty() && sameText(text, programFiles)))
        text = JoinPath(text, kProductFolderName);
    return text;
}

TDrivePoll PollDrives(std::uint32_t before, std::uint32_t now, char currentDrive,
                      const std::function<bool(char)>& listed) {
    if (now == before) return {};
    if (now < before) {
        int bit = LowerLetter(currentDrive) - 'a';
        bool stillThere = bit >= 0 && bit < 32 && (now >> bit & 1u);
        return {stillThere ? TDrivePollAction::Reselect : TDrivePollAction::FallBackToProgramFiles, 0};
    }
    for (int bit = 2; bit <= 25; ++bit) {
        char letter = static_cast<char>('a' + bit);
        if ((now >> bit & 1u) && !(before >> bit & 1u) && listed(letter))
            return {TDrivePollAction::SelectNew, letter};
    }
    // Only A:, B: or an optical drive came: the rebuilt list keeps showing the drive it showed.
    return {TDrivePollAction::Reselect, 0};
}

void TMainDlgForm::BindDestDirLists(const std::function<TDriveReading()>& readDrives) {
    FolderList.Link(DriveList);
    DriveList.Link(FolderList);
    FolderList.OnChange = [this] { DestDirLstBxChange(); };
    // What the lists show before a destination is set: the current drive, and on it the folder the drive
    // list chooses for it.
    if (readDrives)
        DriveList.Show(readDrives());
    else
        DriveList.Rebuild();
    DriveList.SetDrive(ListedStartDrive());
}

// The drive the program was started from, unless the list leaves it out (a setup run from a DVD): then the
// program-files drive, else the first listed.
char TMainDlgForm::ListedStartDrive() {
    char drive = DriveList.CurrentDrive();
    if (DriveList.Lists(drive)) return drive;
    std::string programFiles = Utils.GetSpecialFolder(kCsidlProgramFiles);
    if (!programFiles.empty() && DriveList.Lists(programFiles[0])) return LowerLetter(programFiles[0]);
    const auto& items = DestDirCmbBx.Items();
    return items.empty() ? drive : items.front().Text[0];
}

void TMainDlgForm::NormalizeDestDir() {
    DestDirEdt.SetText(CompletedDestination(DestDirEdt.Text()));
}

std::string TMainDlgForm::CompletedDestination(const std::string& text) {
    return Installation.CompletedDestination(text, DriveList.CurrentDrive());
}

void TMainDlgForm::DestDirLstBxChange() {
    if (!FormReady) return;
    DestDirEdt.SetText(FolderList.CurrentFolder());
    NormalizeDestDir();
}

void TMainDlgForm::DriveTimer() {
    std::uint32_t before = DriveList.DriveMask();
    // Read once: a second reading may already see the drives as they were, and the list would then be
    // rebuilt with nothing selected and the polling see no change to act on.
    std::uint32_t now = Platform.Drives.GetLogicalDrives();
    if (now == before) return;
    std::string shown = DriveList.Text();
    DriveList.Show(ReadDrives(Platform, Utils, now));
    TDrivePoll poll = PollDrives(before, now, DriveList.CurrentDrive(),
                                 [this](char letter) { return DriveList.Lists(letter); });
    switch (poll.Action) {
    case TDrivePollAction::Reselect:
        (void)DriveList.SelectText(shown);
        break;
    case TDrivePollAction::FallBackToProgramFiles:
        if (std::string programFiles = Utils.GetSpecialFolder(kCsidlProgramFiles); !programFiles.empty())
            DriveList.SetDrive(LowerLetter(programFiles[0]));
        break;
    case TDrivePollAction::SelectNew:
        DriveList.SetDrive(poll.Letter);
        break;
    case TDrivePollAction::Nothing:
        break;
    }
}

} // namespace ulv
