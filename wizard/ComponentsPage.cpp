// The components page: each component with the room it takes on the destination's volume, the required and
// free space, and Next enabled only when the choice fits.
#include "wizard/ComponentsPage.h"
#include "engine/AttachFiles.h"
#include "utils/InstUtils.h"
#include "wizard/Installation.h"
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

} // namespace

std::string FormatDiskSize(std::int64_t bytes) {
    std::int64_t megabytes = RoundHalfEvenMiB(bytes);
    if (bytes >= kMegabyteThreshold || (bytes != 0 && megabytes * kMiB == bytes))
        return GroupDigits(megabytes) + " Mo";
    return GroupDigits(bytes / kKiB) + " Ko";
}

void TMainDlgForm::BindComponentsPage() {
    SelCompLstBx.OnDrawItem = [this](TControl&, int index, TCanvas& canvas, const TRect& rect,
                                     TOwnerDrawState) { SelCompLstBxDrawItem(index, canvas, rect); };
    SelCompLstBx.OnClickCheck = [this](TControl&) { SelCompLstBxClickCheck(); };
}

std::int32_t TMainDlgForm::RoundToCluster(const std::string& folder, std::int32_t size) {
    return AttachedFiles.RoundToCluster(size, Utils.GetClusterSize(folder));
}

// Entering the page: each component's room on the destination's volume, as the installation reads it.
void TMainDlgForm::StoreComponentSizes() {
    ComponentSizes = Installation.ComponentSizes(Installation.Options.MainDir);
}

void TMainDlgForm::SelCompLstBxDrawItem(int index, TCanvas& canvas, const TRect& rect) {
    if (index < 0 || index >= SelCompLstBx.Count()) return;
    const TListItem& item = SelCompLstBx.Items()[static_cast<std::size_t>(index)];
    canvas.FillRect(rect);
    const std::optional<std::uint8_t> component = ItemComponent(index);
    if (component == 0) canvas.SetFontColor(kColorGrayText);
    TSize name = canvas.TextExtent(item.Text);
    canvas.TextOut(rect.Left + canvas.Scale(kSizeMargin), rect.Top + (rect.Height() - name.Height) / 2,
                   item.Text);
    if (!component || *component >= kComponentCount) return;
    std::string size =
        FormatDiskSize(RoundToCluster(Installation.Options.MainDir, ComponentSizes[*component]));
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

// The required and free space of the boxes as they stand. A free space that cannot be read (a network
// destination without its trailing backslash, a drive gone) counts as none: Next stays disabled rather than
// trusting an unknown amount.
void TMainDlgForm::UpdateDiskSpace() {
    std::uint32_t checked = 0;
    const std::array<TCheckState, kComponentCount> states = ComponentStates();
    for (std::size_t c = 0; c < states.size(); ++c)
        if (states[c] != TCheckState::Unchecked) checked |= 1u << c;
    const std::int32_t required = ComponentsSpace(checked, ComponentSizes);
    SelCompDiskSpaceReqLbl2.SetCaption(FormatDiskSize(required));
    const std::optional<std::uint64_t> free = Installation.FreeBytes(Installation.Options.MainDir);
    SelCompDiskSpaceAvailLbl2.SetCaption(FormatDiskSize(static_cast<std::int64_t>(free.value_or(0))));
    ChoiceFits = free && static_cast<std::int64_t>(*free) >= required;
    NextBtn.SetEnabled(ChoiceFits);
}

} // namespace ulv
