#include "utils/InstUtils.h"
#include "wizard/DestDirLists.h"

#include <algorithm>

namespace ulv {
namespace {

enum TFolderGlyph : std::uintptr_t { kOpenFolder = 0, kClosedFolder = 1 };

constexpr int kIndentStep = 12;
constexpr int kFolderTextGap = 4;
constexpr std::uint32_t kFolderOrder = kNormIgnoreCase | kSortStringSort;
constexpr int kCompareLess = 1;

std::string LastComponent(const std::string& path) {
    size_t cut = path.find_last_of("\\:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

} // namespace

TFolderList::TFolderList(TListBox& control, TPlatform& platform, TInstUtils& utils, const TListGlyphs& glyphs)
    : Control(control), Platform(platform), Utils(utils), Glyphs(glyphs) {
    Control.OnDrawItem = [this](TControl&, int index, TCanvas& canvas, const TRect& rect, TOwnerDrawState) {
        Draw(index, canvas, rect);
    };
    Control.OnChange = [this](TControl&) {
        int index = Control.ItemIndex();
        if (index >= 0 && index < Control.Count())
            SetFolder(Control.Items()[static_cast<size_t>(index)].Text);
    };
}

bool TFolderList::SameFolder(const std::string& a, const std::string& b) {
    if (CaseSensitiveSearch) return a == b;
    std::string lowerA = a, lowerB = b;
    Platform.Text.CharLowerBuffA(lowerA);
    Platform.Text.CharLowerBuffA(lowerB);
    return lowerA == lowerB;
}

void TFolderList::SetFolder(std::string path) {
    if (path.empty() || !StartsWithDriveLetter(path) || SameFolder(path, Current)) return;
    while (!Utils.IsExistingDirectory(path)) {
        if (path.size() <= DrivePart(path).size() + 1) break; // the root itself
        if (path.back() == '\\') path.pop_back();
        size_t cut = path.find_last_of('\\');
        if (cut == std::string::npos) break;
        path.resize(cut + 1);
    }
    char previous = Current.front();
    Current = path;
    if (LowerLetter(previous) != LowerLetter(Current.front()) && Drives) {
        Syncing = true;
        Drives->SetDrive(Current.front());
        Syncing = false;
    }
    Changed();
}

void TFolderList::SetDrive(char letter) {
    if (static_cast<unsigned char>(letter) <= ' ' || LowerLetter(letter) == LowerLetter(Current.front()))
        return;
    std::string programFiles = Utils.GetSpecialFolder(kCsidlProgramFiles);
    if (!programFiles.empty() && LowerLetter(programFiles.front()) == LowerLetter(letter)) {
        std::string product = JoinPath(programFiles, kProductFolderName);
        Current = Utils.IsExistingDirectory(product) ? product : programFiles + "\\";
    } else if (size_t colon = Current.find(':');
               colon != std::string::npos && Utils.IsExistingDirectory(letter + Current.substr(colon))) {
        Current = letter + Current.substr(colon);
    } else {
        Current = std::string(1, letter) + ":\\";
    }
    if (!Syncing) Changed();
}

void TFolderList::Changed() {
    Rebuild();
    if (OnChange) OnChange();
}

void TFolderList::Rebuild() {
    Control.ClearItems();
    ReadVolumeFlags();
    AddAncestors();
    AddSubFolders();
    Control.SetItemIndex(Depth());
}

void TFolderList::ReadVolumeFlags() {
    // The current folder may be the root of a drive without a medium: no prompt for it either.
    std::optional<TVolumeInformation> volume =
        QuietVolumeInformation(Platform.Drives, Current.substr(0, 2) + "\\");
    std::uint32_t flags = volume ? volume->FileSystemFlags : 0;
    CasePreserved = (flags & (kFileCaseSensitiveSearch | kFileCasePreservedNames)) != 0;
    CaseSensitiveSearch = (flags & kFileCaseSensitiveSearch) != 0;
}

void TFolderList::AddAncestors() {
    std::string folder = Current;
    while (folder.size() > 3) {
        if (folder.back() == '\\') folder.pop_back();
        Control.InsertItem(0, folder, kOpenFolder);
        size_t cut = folder.find_last_of('\\');
        if (cut == std::string::npos) return; // "C:x": no root to show above it
        folder.resize(cut + 1);
    }
    Control.InsertItem(0, folder, kOpenFolder);
}

void TFolderList::AddSubFolders() {
    std::vector<std::string> names;
    TFindData found;
    if (UniqueFind find(Platform.Files, JoinPath(Current, "*.*"), found); find) {
        constexpr std::uint32_t kHidden = kFileAttributeHidden | kFileAttributeSystem;
        do {
            bool folder = (found.Attributes & kFileAttributeDirectory) != 0;
            if (folder && !(found.Attributes & kHidden) && found.Name != "." && found.Name != "..")
                names.push_back(found.Name);
        } while (find.Next(found));
    }
    std::stable_sort(names.begin(), names.end(), [this](const std::string& a, const std::string& b) {
        return Platform.Text.CompareStringA(kLocaleSystemDefault, kFolderOrder, a, b) == kCompareLess;
    });
    for (const std::string& name : names)
        Control.AddItem(JoinPath(Current, name), kClosedFolder);
}

// The current folder's own item: one per backslash below the root.
int TFolderList::Depth() const {
    std::string folder = Current;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return static_cast<int>(std::count(folder.begin(), folder.end(), '\\'));
}

std::string TFolderList::ShownText(int index) {
    const std::string& path = Control.Items()[static_cast<size_t>(index)].Text;
    std::string text = index == 0 ? path.substr(0, 2) : LastComponent(path);
    if (!CasePreserved) Platform.Text.CharLowerBuffA(text);
    return text;
}

void TFolderList::Draw(int index, TCanvas& canvas, const TRect& rect) {
    if (index < 0 || index >= Control.Count()) return;
    canvas.FillRect(rect);
    bool open = Control.ItemData(index) == kOpenFolder;
    int indent = open ? index * kIndentStep + 3 : Depth() * kIndentStep + 15;
    int x = rect.Left + canvas.Scale(indent);
    const std::optional<TBitmapImage>& glyph = open ? Glyphs.OpenFolder : Glyphs.ClosedFolder;
    int glyphWidth = 16;
    if (glyph) {
        canvas.DrawTransparent(*glyph, x, rect.Top + (rect.Height() - canvas.Scale(glyph->Height)) / 2);
        glyphWidth = glyph->Width;
    }
    x += canvas.Scale(glyphWidth + kFolderTextGap);
    canvas.TextOut(x, rect.Top + (rect.Height() - canvas.TextExtent("A").Height) / 2, ShownText(index));
}

} // namespace ulv
