#include "utils/InstUtils.h"
#include "wizard/DestDirLists.h"

namespace ulv {
namespace {

enum TDriveGlyph : std::uintptr_t { kFixedDrive = 0, kRemovableDrive = 1 };

constexpr int kGlyphLeft = 2;
constexpr int kDriveTextGap = 6; // from the glyph's left edge: 4 pixels right of it

} // namespace

std::string DriveItemText(char letter, const std::string& label) {
    return std::string(1, LowerLetter(letter)) + ": " + label;
}

TDriveList::TDriveList(TComboBox& control, TPlatform& platform, TInstUtils& utils, const TListGlyphs& glyphs)
    : Control(control), Platform(platform), Utils(utils), Glyphs(glyphs) {
    // Until a folder is chosen, the drive the program was started from.
    std::string current = Platform.Files.GetCurrentDirectoryA();
    if (StartsWithDriveLetter(current)) Current = LowerLetter(current[0]);
    Control.OnDrawItem = [this](TControl&, int index, TCanvas& canvas, const TRect& rect, TOwnerDrawState) {
        Draw(index, canvas, rect);
    };
    Control.OnChange = [this](TControl&) {
        int index = Control.ItemIndex();
        if (index >= 0 && index < Control.Count())
            SetDrive(Control.Items()[static_cast<size_t>(index)].Text[0]);
    };
}

namespace {

std::string VolumeLabel(TPlatform& platform, const std::string& root) {
    std::optional<TVolumeInformation> volume = QuietVolumeInformation(platform.Drives, root);
    return volume ? volume->VolumeName : std::string();
}

std::string DriveLabel(TPlatform& platform, char letter, std::uint32_t type) {
    std::string label;
    if (type == kDriveRemote) {
        if (std::optional<std::string> remote =
                platform.Drives.WNetGetConnectionA(std::string(1, letter) + ":")) {
            label = *remote;
            platform.Text.CharLowerBuffA(label);
            return label;
        }
    }
    label = VolumeLabel(platform, std::string(1, letter) + ":\\");
    platform.Text.CharLowerBuffA(label);
    return label.empty() ? label : "[" + label + "]";
}

} // namespace

TDriveReading ReadDrives(TPlatform& platform, TInstUtils& utils) {
    return ReadDrives(platform, utils, platform.Drives.GetLogicalDrives());
}

TDriveReading ReadDrives(TPlatform& platform, TInstUtils& utils, std::uint32_t mask) {
    TDriveReading reading;
    reading.Mask = mask;
    // A: and B: are floppy letters that a missing drive would only answer with a system prompt.
    for (int bit = 2; bit <= 25; ++bit) {
        if (!(reading.Mask >> bit & 1u)) continue;
        char letter = static_cast<char>('A' + bit);
        std::string root = std::string(1, letter) + ":\\";
        std::uint32_t type = platform.Drives.GetDriveTypeA(root);
        if (type == kDriveCdrom) continue;
        reading.Drives.push_back(
            {DriveItemText(letter, DriveLabel(platform, letter, type)), utils.IsPortableDrive(root)});
    }
    return reading;
}

void TDriveList::Rebuild() {
    Show(ReadDrives(Platform, Utils));
}

void TDriveList::Show(const TDriveReading& reading) {
    Control.ClearItems();
    Mask = reading.Mask;
    for (const TListedDrive& drive : reading.Drives)
        Control.AddItem(drive.Text, drive.Removable ? kRemovableDrive : kFixedDrive);
}

std::optional<TVolumeInformation> QuietVolumeInformation(IDrives& drives, const std::string& root) {
    std::uint32_t previous = drives.SetErrorMode(kSemFailCriticalErrors);
    std::optional<TVolumeInformation> volume = drives.GetVolumeInformationA(root);
    drives.SetErrorMode(previous);
    return volume;
}

void TDriveList::SetDrive(char letter) {
    if (Control.ItemIndex() >= 0 && LowerLetter(letter) == Current) return;
    Current = LowerLetter(letter);
    if (int item = ItemOf(Current); item >= 0) Control.SetItemIndex(item);
    if (Folders) Folders->SetDrive(letter);
    if (OnChange) OnChange();
}

int TDriveList::ItemOf(char letter) const {
    for (int i = 0; i < Control.Count(); ++i) {
        const std::string& text = Control.Items()[static_cast<size_t>(i)].Text;
        if (text.size() >= 2 && LowerLetter(text[0]) == LowerLetter(letter) && text[1] == ':') return i;
    }
    return -1;
}

bool TDriveList::Lists(char letter) const {
    return ItemOf(letter) >= 0;
}

bool TDriveList::SelectText(const std::string& text) {
    for (int i = 0; i < Control.Count(); ++i)
        if (Control.Items()[static_cast<size_t>(i)].Text == text) {
            Control.SetItemIndex(i);
            return true;
        }
    return false;
}

// The window's colours whatever the selection: the drive list never shows a highlighted item.
void TDriveList::Draw(int index, TCanvas& canvas, const TRect& rect) {
    if (index < 0 || index >= Control.Count()) return;
    TColor brush = canvas.BrushColor(), font = canvas.FontColor();
    canvas.SetBrushColor(kColorWindow);
    canvas.FillRect(rect);
    bool removable = Control.ItemData(index) == kRemovableDrive;
    const std::optional<TBitmapImage>& glyph = removable ? Glyphs.RemovableDrive : Glyphs.FixedDrive;
    int glyphWidth = 16;
    if (glyph) {
        canvas.DrawTransparent(*glyph, rect.Left + canvas.Scale(kGlyphLeft),
                               rect.Top + (rect.Height() - canvas.Scale(glyph->Height)) / 2);
        glyphWidth = glyph->Width;
    }
    canvas.SetFontColor(kColorWindowText);
    TRect text{rect.Left + canvas.Scale(glyphWidth + kDriveTextGap), rect.Top, rect.Right, rect.Bottom};
    canvas.DrawText(Control.Items()[static_cast<size_t>(index)].Text, text,
                    kDtSingleLine | kDtVCenter | kDtNoPrefix);
    canvas.SetBrushColor(brush);
    canvas.SetFontColor(font);
}

} // namespace ulv
