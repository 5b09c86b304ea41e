#include "platform/ui/Controls.h"
#include "platform/Cp1252.h"

#include "platform/ui/Backend.h"
#include "platform/ui/Form.h"

#include <algorithm>

namespace ulv {
namespace {

std::string StripCarriageReturns(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

} // namespace

char AcceleratorLetter(char c) {
    return cp1252::Upper(c);
}

TControl::TControl(TWinControl* parent, TControlKind kind, std::string name)
    : Kind_(kind), Name_(std::move(name)), Parent_(parent) {
    Made_.fetch_add(1, std::memory_order_relaxed);
    if (Parent_) Parent_->Children_.push_back(this);
}

TControl::~TControl() {
    if (Native.Made) backend::DestroyNative(*this);
    if (!Parent_) return;
    auto& siblings = Parent_->Children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    Form().Unregister(*this);
}

TForm& TControl::Form() {
    TControl* c = this;
    while (c->Parent_)
        c = c->Parent_;
    return static_cast<TForm&>(*c);
}

const TForm& TControl::Form() const {
    return const_cast<TControl*>(this)->Form();
}

void TControl::Changed(TChange change) {
    if (Native.Made) backend::Sync(*this, change);
}

void TControl::SetBounds(const TBounds& bounds) {
    if (Bounds_ == bounds) return;
    Bounds_ = bounds;
    Changed(TChange::Bounds);
}

void TControl::SetCaption(std::string caption) {
    if (Caption_ == caption) return;
    Caption_ = std::move(caption);
    Changed(TChange::Caption);
    if (Kind_ == TControlKind::Label) static_cast<TLabel*>(this)->AdjustSize();
}

bool TControl::HoldsFocus() const {
    for (const TControl* c = Form().Focused(); c; c = c->Parent_)
        if (c == this) return true;
    return false;
}

void TControl::SetVisible(bool visible) {
    if (Visible_ == visible) return;
    bool handOn = !visible && Form().HandlesCreated() && HoldsFocus();
    Visible_ = visible;
    if (visible && !Native.Made && Parent_ && Form().HandlesCreated())
        Form().CreateWithin(*this, false);
    else
        Changed(TChange::Visible);
    if (handOn) Form().FocusFirst();
}

void TControl::SetEnabled(bool enabled) {
    if (Enabled_ == enabled) return;
    bool handOn = !enabled && Form().HandlesCreated() && HoldsFocus();
    Enabled_ = enabled;
    Changed(TChange::Enabled);
    if (handOn) Form().FocusFirst();
}

bool TControl::Showing() const {
    for (const TControl* c = this; c; c = c->Parent_)
        if (!c->Visible_) return false;
    return true;
}

bool TControl::EffectivelyEnabled() const {
    for (const TControl* c = this; c; c = c->Parent_)
        if (!c->Enabled_) return false;
    return true;
}

TFont TControl::Font() const {
    if (OwnFont_) return *OwnFont_;
    return Parent_ ? Parent_->Font() : DefaultFont();
}

void TControl::SetFont(TFont font) {
    OwnFont_ = std::move(font);
    Changed(TChange::Font);
    if (Kind_ == TControlKind::Label) static_cast<TLabel*>(this)->AdjustSize();
}

char TControl::Accelerator() const {
    for (std::size_t i = 0; i + 1 < Caption_.size(); ++i) {
        if (Caption_[i] != '&') continue;
        if (Caption_[i + 1] != '&') return AcceleratorLetter(Caption_[i + 1]);
        ++i; // "&&" is a literal ampersand
    }
    return 0;
}

void TPanel::SetColor(TColor color) {
    if (Color_ == color) return;
    Color_ = color;
    Changed(TChange::Color);
}

void TLabel::SetAutoSize(bool autoSize, bool fixedHeight) {
    AutoSize_ = autoSize;
    FixedHeight_ = fixedHeight;
    AdjustSize();
}

void TLabel::AdjustSize() {
    if (!AutoSize_) return;
    // The caption's extent plus a 2-pixel border on each side.
    TSize extent = backend::MeasureCaption(*this, Caption());
    TBounds b = Bounds();
    b.Width = extent.Width + 4;
    if (!FixedHeight_) b.Height = extent.Height + 4;
    SetBounds(b);
}

std::vector<std::string> TMemo::Lines() const {
    std::vector<std::string> lines;
    const std::string& text = Caption();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(StripCarriageReturns(text.substr(start, end - start)));
        start = end + 1;
    }
    return lines;
}

void TMemo::SetLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += "\r\n";
        text += lines[i];
    }
    SetCaption(std::move(text));
}

void TCheckBox::SetChecked(bool checked) {
    if (Checked_ == checked) return;
    Checked_ = checked;
    Changed(TChange::Checked);
}

void TCheckBox::UserToggle() {
    if (!Showing() || !EffectivelyEnabled()) return;
    SetChecked(!Checked_);
    if (OnClick) OnClick(*this);
}

void TCheckBox::UserSetChecked(bool checked) {
    Checked_ = checked;
    if (OnClick) OnClick(*this);
}

std::string TEdit::Text() const {
    return Caption();
}

void TEdit::UserSetText(std::string text) {
    // Writing the text back into the edit would move its caret to the start at every keystroke.
    TakeCaption(std::move(text));
}

void TButton::Click() {
    if (!Showing() || !EffectivelyEnabled()) return;
    if (OnClick) OnClick(*this);
    if (ModalResult) Form().SetModalResult(ModalResult);
}

void TProgressBar::SetMax(std::int32_t max) {
    Max_ = std::max<std::int32_t>(max, 0);
    Changed(TChange::Range);
    SetPosition(Position_);
}

void TProgressBar::SetPosition(std::int32_t position) {
    position = std::clamp<std::int32_t>(position, 0, Max_);
    if (Position_ == position) return;
    Position_ = position;
    Changed(TChange::Position);
}

void TImage::SetPicture(TBitmapImage picture) {
    Picture_ = std::move(picture);
    Changed(TChange::Picture);
}

void TPageControl::SetActivePage(TTabSheet* sheet) {
    if (sheet && &sheet->PageControl() != this) return;
    if (Active_ == sheet) return;
    Active_ = sheet;
    // The new sheet first, so that a focus leaving the old one can land on it.
    if (Active_) Active_->SetVisible(true);
    for (TTabSheet* s : Sheets_)
        if (s != Active_) s->SetVisible(false);
    Changed(TChange::ActivePage);
}

TTabSheet::TTabSheet(TPageControl& pages, std::string name)
    : TWinControl(&pages, TControlKind::TabSheet, std::move(name)), Pages_(pages) {
    Pages_.Sheets_.push_back(this);
    SetVisible(false);
}

void TPageControl::LayoutSheets() {
    const TBounds& area = Bounds();
    for (TTabSheet* s : Sheets_)
        s->SetBounds({kSheetInset, kSheetInset, area.Width - 2 * kSheetInset, area.Height - 2 * kSheetInset});
}

TTabSheet::~TTabSheet() {
    std::erase(Pages_.Sheets_, this);
    if (Pages_.Active_ == this) Pages_.Active_ = nullptr;
}

int TTabSheet::PageIndex() const {
    const auto& sheets = Pages_.Sheets();
    return static_cast<int>(std::find(sheets.begin(), sheets.end(), this) - sheets.begin());
}

int TCustomList::AddItem(std::string text, std::uintptr_t data) {
    InsertItem(Count(), std::move(text), data);
    return Count() - 1;
}

void TCustomList::InsertItem(int index, std::string text, std::uintptr_t data) {
    index = std::clamp(index, 0, Count());
    Items_.insert(Items_.begin() + index, TListItem{std::move(text), data, TCheckState::Unchecked});
    if (ItemIndex_ >= index) ++ItemIndex_;
    ChangedItem_ = index;
    Changed(TChange::ItemAdded);
}

void TCustomList::ClearItems() {
    Items_.clear();
    ItemIndex_ = -1;
    Changed(TChange::Items);
}

std::uintptr_t TCustomList::ItemData(int index) const {
    return ValidIndex(index) ? Items_[index].Data : 0;
}

void TCustomList::SetItemData(int index, std::uintptr_t data) {
    if (ValidIndex(index)) Items_[index].Data = data;
}

void TCustomList::SetItemIndex(int index) {
    if (index != -1 && !ValidIndex(index)) return;
    if (ItemIndex_ == index) return;
    ItemIndex_ = index;
    Changed(TChange::ItemIndex);
}

void TCustomList::UserSelect(int index) {
    // A list reports a click on the selected item again (button down and up): that is no change.
    if (!ValidIndex(index) || !EffectivelyEnabled() || index == ItemIndex_) return;
    ItemIndex_ = index;
    Changed(TChange::ItemIndex);
    if (OnChange) OnChange(*this);
}

std::string TComboBox::Text() const {
    return ValidIndex(ItemIndex()) ? Items_[ItemIndex()].Text : std::string();
}

TCheckState TCheckListBox::State(int index) const {
    return ValidIndex(index) ? Items_[index].State : TCheckState::Unchecked;
}

void TCheckListBox::SetState(int index, TCheckState state) {
    if (!ValidIndex(index) || Items_[index].State == state) return;
    Items_[index].State = state;
    ChangedItem_ = index;
    Changed(TChange::ItemState);
}

void TCheckListBox::SetChecked(int index, bool checked) {
    SetState(index, checked ? TCheckState::Checked : TCheckState::Unchecked);
}

void TCheckListBox::UserToggle(int index) {
    if (!ValidIndex(index) || !EffectivelyEnabled()) return;
    SetState(index, State(index) == TCheckState::Unchecked ? TCheckState::Checked : TCheckState::Unchecked);
    if (OnClickCheck) OnClickCheck(*this);
}

void TCheckListBox::UserClickAt(int index, bool inCheckBox) {
    if (!ValidIndex(index) || !EffectivelyEnabled()) return;
    UserSelect(index);
    if (inCheckBox) UserToggle(index);
}

void TCheckListBox::UserSpace() {
    UserToggle(ItemIndex());
}

} // namespace ulv
