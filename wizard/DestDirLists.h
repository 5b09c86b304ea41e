#pragma once
// The destination page's own pickers: a folder list and a drive list, each bound to its list control and
// linked to the other, and the pure rules of the page.
#include "platform/Platform.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Images.h"
#include "resources/ResConst.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ulv {

class TInstUtils;
class TDriveList;

// The glyphs the two lists draw, decoded from the program's bitmap resources; a missing one is not drawn.
struct TListGlyphs {
    std::optional<TBitmapImage> OpenFolder, ClosedFolder, RemovableDrive, FixedDrive;
};

// Drive letters compare, and the drive list shows them, in lower case (ASCII letters only).
inline char LowerLetter(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The folder list: the current folder's ancestors from the drive root down (open folders), then its visible
// sub-folders (closed folders). Item texts are full paths.
class TFolderList {
public:
    TFolderList(TListBox& control, TPlatform& platform, TInstUtils& utils, const TListGlyphs& glyphs);
    TFolderList(const TFolderList&) = delete;
    TFolderList& operator=(const TFolderList&) = delete;

    void Link(TDriveList& drives) { Drives = &drives; }
    [[nodiscard]] const std::string& CurrentFolder() const { return Current; }
    // Shows the nearest existing ancestor of the path (the path itself when it exists); a path without a
    // drive letter is not one the lists can show and changes nothing.
    void SetFolder(std::string path);
    // Another drive: the product folder (or the program-files folder) on the program-files drive, else the
    // same path on the other drive when it exists there, else its root.
    void SetDrive(char letter);
    void Rebuild();
    [[nodiscard]] bool PreservesCase() const { return CasePreserved; }
    [[nodiscard]] bool CaseSensitive() const { return CaseSensitiveSearch; }
    // The list's change event: after every change of the current folder.
    std::function<void()> OnChange;

private:
    void Changed();
    void ReadVolumeFlags();
    void AddAncestors();
    void AddSubFolders();
    [[nodiscard]] int Depth() const;
    [[nodiscard]] bool SameFolder(const std::string& a, const std::string& b);
    [[nodiscard]] std::string ShownText(int index);
    void Draw(int index, TCanvas& canvas, const TRect& rect);

    TListBox& Control;
    TPlatform& Platform;
    TInstUtils& Utils;
    const TListGlyphs& Glyphs;
    TDriveList* Drives = nullptr;
    // Matches no drive until the first folder is set.
    std::string Current = "\x01";
    bool CasePreserved = false;
    bool CaseSensitiveSearch = false;
    // Set while the drive list follows a new folder, so that it does not move the folder again.
    bool Syncing = false;
};

// The drive list: every drive from C: to Z: but CD and DVD drives, as "x: label".
// One line of the drive list: "c: [label]" (the letter in lower case), and whether the drive is a portable
// one (its glyph).
struct TListedDrive {
    std::string Text;
    bool Removable = false;
};

// The drives as the list shows them, and GetLogicalDrives' mask they were read under. Each drive is asked
// for its type, its label and its bus, which takes a while: the program's start reads them on another thread
// while the window is built.
struct TDriveReading {
    std::uint32_t Mask = 0;
    std::vector<TListedDrive> Drives;
};
[[nodiscard]] TDriveReading ReadDrives(TPlatform& platform, TInstUtils& utils);
// The drives of a mask already read: what the list shows must be the drives its caller compared.
[[nodiscard]] TDriveReading ReadDrives(TPlatform& platform, TInstUtils& utils, std::uint32_t mask);

class TDriveList {
public:
    TDriveList(TComboBox& control, TPlatform& platform, TInstUtils& utils, const TListGlyphs& glyphs);
    TDriveList(const TDriveList&) = delete;
    TDriveList& operator=(const TDriveList&) = delete;

    void Link(TFolderList& folders) { Folders = &folders; }
    // Lists the drives anew and keeps GetLogicalDrives' mask; nothing is selected afterwards.
    void Rebuild();
    // The same with drives already read.
    void Show(const TDriveReading& reading);
    void SetDrive(char letter);
    [[nodiscard]] std::uint32_t DriveMask() const { return Mask; }
    // Lower case.
    [[nodiscard]] char CurrentDrive() const { return Current; }
    // The selected item's text; empty when none is.
    [[nodiscard]] std::string Text() const { return Control.Text(); }
    // Whether the list holds the drive (lower or upper case).
    [[nodiscard]] bool Lists(char letter) const;
    // Selects the item of that text, without any event; false when there is none.
    bool SelectText(const std::string& text);
    // The list's own change event, after every SetDrive.
    std::function<void()> OnChange;

private:
    [[nodiscard]] int ItemOf(char letter) const; // the first item of the drive, or -1
    void Draw(int index, TCanvas& canvas, const TRect& rect);

    TComboBox& Control;
    TPlatform& Platform;
    TInstUtils& Utils;
    const TListGlyphs& Glyphs;
    TFolderList* Folders = nullptr;
    char Current = 'c';
    std::uint32_t Mask = 0;
};

// The destination as the installation takes it: blanks trimmed; a text without a drive (a letter and a
// colon, or \\server\share) replaced by the current drive; one final backslash removed; the product folder
// added to a drive root and to the program-files folder itself. `sameText` compares ignoring case.
[[nodiscard]] std::string
NormalizeDestination(std::string text, char currentDrive, const std::string& programFiles,
                     const std::function<bool(const std::string&, const std::string&)>& sameText);

// A destination that names its drive and starts from its root ("X:\..." or "\\server\share"), blanks
// around it aside: what an unattended run accepts, as no drive is current for it.
[[nodiscard]] bool IsAbsoluteDestination(std::string_view text);

// GetVolumeInformationA with the error mode set so that an empty drive gives no "insert a disk" prompt,
// restored afterwards.
[[nodiscard]] std::optional<TVolumeInformation> QuietVolumeInformation(IDrives& drives,
                                                                       const std::string& root);

// An item of the drive list: "d: [label]", "n: \\server\share" or "e: ".
[[nodiscard]] std::string DriveItemText(char letter, const std::string& label);

// What the drive polling does when GetLogicalDrives changes from `before` to `now`.
enum class TDrivePollAction { Nothing, Reselect, FallBackToProgramFiles, SelectNew };
struct TDrivePoll {
    TDrivePollAction Action = TDrivePollAction::Nothing;
    char Letter = 0; // the new drive, lower case, for SelectNew
};
// `listed` tells which drives the rebuilt list holds: a new drive it leaves out (a CD or DVD drive, an ISO
// image mounted) is not one to install to.
[[nodiscard]] TDrivePoll PollDrives(std::uint32_t before, std::uint32_t now, char currentDrive,
                                    const std::function<bool(char)>& listed);

} // namespace ulv
