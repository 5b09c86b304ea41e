// The components page: each component with the room it takes on the destination's volume, the required and
// free space, and Next enabled only when the choice fits.
#include "wizard/ComponentsPage.h"
#include "engine/AttachFiles.h"
#include "utils/InstUtils.h"
#include "wizard/MainDlg.h"

namespace ulv {
namespace {

constexpr std::int64_t kMiB = 1'048'576;
constexpr std::int64_t kKiB = 1024;
// From one byte below 16 MiB, amounts are shown in whole MiB.
constexpr std::int64_t kMegabyteThreshold = 16 * kMiB - 1;
constexpr int kSizeMargin = 2;

std::int64_t RoundHalfEvenMiB(std::int64_t bytes) {
    std::int64_t whole = bytes / kMiB, rest = bytes % kMiB;
    if (rest * 2 > kMiB || (rest * 2 == kMiB && whole % 2 != 0)) ++whole;
    return whole;
}

std::int32_t ItemSize(const TListItem& item) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(item.Data));
}

} // namespace

std::string FormatDiskSize(std::int64_t bytes) {
    std::int64_t megabytes = RoundHalfEvenMiB(bytes);
    if (bytes >= kMegabyteThreshold || (bytes != 0 && megabytes * kMiB == bytes))
        return GroupDigits(megabytes) + " Mo";
    return GroupDigits(bytes / kKiB) + " Ko";
}

std::int32_t RequiredSpace(const std::vector<TListItem>& items) {
    std::uint32_t total = 0; // wraps as the signed 32-bit sum would, without overflow in C++
    for (const TListItem& item : items)
        if (item.State != TCheckState::Unchecked) total += static_cast<std::uint32_t>(ItemSize(item));
    return static_cast<std::int32_t>(total);
}

void TMainDlgForm::BindComponentsPage() {
    SelCompLstBx.OnDrawItem = [this](TControl&, int index, TCanvas& canvas, const TRect& rect,
                                     TOwnerDrawState) { SelCompLstBxDrawItem(index, canvas, rect); };
    SelCompLstBx.OnClickCheck = [this](TControl&) { SelCompLstBxClickCheck(); };
}

std::int32_t TMainDlgForm::RoundToCluster(const std::string& folder, std::int32_t size) {
    return AttachedFiles.RoundToCluster(size, Utils.GetClusterSize(folder));
}

void TMainDlgForm::StoreComponentSizes() {
    for (int item = 0; item < SelCompLstBx.Count(); ++item) {
        std::optional<std::uint8_t> component = ItemComponent(item);
        if (!component || *component >= kComponentFiles.size()) continue;
        std::int32_t size =
            AttachedFiles.ComponentSize(std::string(kComponentFiles[*component]), Options.MainDir);
        SelCompLstBx.SetItemData(item, static_cast<std::uint32_t>(size));
    }
}

void TMainDlgForm::SelCompLstBxDrawItem(int index, TCanvas& canvas, const TRect& rect) {
    if (index < 0 || index >= SelCompLstBx.Count()) return;
    const TListItem& item = SelCompLstBx.Items()[static_cast<std::size_t>(index)];
    canvas.FillRect(rect);
    bool locked = ItemComponent(index) == 0;
    if (locked) canvas.SetFontColor(kColorGrayText);
    TSize name = canvas.TextExtent(item.Text);
    canvas.TextOut(rect.Left + canvas.Scale(kSizeMargin), rect.Top + (rect.Height() - name.Height) / 2,
                   item.Text);
    std::string size = FormatDiskSize(RoundToCluster(Options.MainDir, ItemSize(item)));
    TSize extent = canvas.TextExtent(size);
    canvas.TextOut(rect.Right - extent.Width - canvas.Scale(kSizeMargin),
                   rect.Top + (rect.Height() - extent.Height) / 2, size);
}

// The word processor itself is always installed: a click on its box is undone at once.
void TMainDlgForm::SelCompLstBxClickCheck() {
    if (SelCompLstBx.Count() > 0 && SelCompLstBx.State(0) != TCheckState::Grayed) {
        SelCompLstBx.SetState(0, TCheckState::Grayed);
        return;
    }
    UpdateDiskSpace();
}

// A free space that cannot be read (a network destination without its trailing backslash, a drive gone)
// counts as none: Next stays disabled rather than trusting an unknown amount.
void TMainDlgForm::UpdateDiskSpace() {
    std::int32_t required = RequiredSpace(SelCompLstBx.Items());
    SelCompDiskSpaceReqLbl2.SetCaption(FormatDiskSize(required));
    std::optional<TDiskFreeSpaceEx> space = Platform.Drives.GetDiskFreeSpaceExA(DrivePart(Options.MainDir));
    std::uint64_t free = space ? space->FreeBytesAvailableToCaller : 0;
    SelCompDiskSpaceAvailLbl2.SetCaption(FormatDiskSize(static_cast<std::int64_t>(free)));
    ChoiceFits = space && static_cast<std::int64_t>(free) >= required;
    NextBtn.SetEnabled(ChoiceFits);
}

} // namespace ulv
