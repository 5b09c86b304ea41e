#include "platform/ui/Form.h"

#include "platform/ui/Backend.h"

#include <algorithm>

namespace ulv {

TForm::TForm(std::string name) : TWinControl(nullptr, TControlKind::Form, std::move(name)) {}

TForm::~TForm() {
    for (const auto& [id, ms] : Timers_)
        if (HandlesCreated_) backend::StopTimer(*this, id);
}

void TForm::Unregister(TControl& control) {
    std::erase(All_, &control);
    if (HeadlessFocus == &control) HeadlessFocus = nullptr;
}

void TForm::SetClientSize(int width, int height) {
    TBounds b = Bounds();
    b.Width = width;
    b.Height = height;
    SetBounds(b);
}

void TForm::Number(TControl& control) {
    if (&control != this) {
        All_.push_back(&control);
        control.Id = static_cast<int>(All_.size());
    }
    if (control.Kind() == TControlKind::PageControl) static_cast<TPageControl&>(control).LayoutSheets();
    if (auto* container = dynamic_cast<TWinControl*>(&control))
        for (TControl* child : container->Children())
            Number(*child);
}

namespace {

// Made once, whatever the backend could make of it: a control whose window the system refused is not
// asked for again at every turn of the loop.
void Make(TControl& control) {
    backend::CreateNative(control);
    control.Native.Made = true;
}

bool Within(const TControl& control, const TControl& top) {
    for (const TControl* c = &control; c; c = c->Parent())
        if (c == &top) return true;
    return false;
}

// A hidden container (a page not shown) waits with its contents: each native control costs its creation,
// and a form's other pages are not seen before its first one is.
bool Waits(const TControl& control) {
    auto* container = dynamic_cast<const TWinControl*>(&control);
    return !control.Visible() && container && !container->Children().empty();
}

} // namespace

void TForm::CreateHandles() {
    if (HandlesCreated_) return;
    All_.clear();
    Number(*this);
    Make(*this);
    HandlesCreated_ = true;
    CreateWithin(*this, false);
    for (const auto& [id, ms] : Timers_)
        backend::StartTimer(*this, id, ms);
}

// All_ is depth-first: a parent comes before its children, and siblings keep their order.
void TForm::CreateWithin(TControl& top, bool waiting) {
    auto from = &top == this ? All_.begin() : std::find(All_.begin(), All_.end(), &top);
    for (auto it = from; it != All_.end() && Within(**it, top); ++it) {
        TControl& c = **it;
        if (!c.Native.Made && c.Parent()->Native.Made && (waiting || !Waits(c))) Make(c);
    }
}

bool TForm::CreateNextWaiting() {
    if (!HandlesCreated_) return false;
    for (TControl* c : All_) {
        if (c->Native.Made || !c->Parent()->Native.Made) continue;
        Make(*c);
        return true;
    }
    return false;
}

void TForm::CreateWaiting() {
    while (CreateNextWaiting()) {
    }
}

int TForm::ShowModal() {
    CreateHandles();
    ModalResult_ = 0;
    backend::RunModal(*this);
    return ModalResult_;
}

void TForm::Close() {
    SetModalResult(kModalResultCancel);
}

void TForm::SetModalResult(int result) {
    if (result) ModalResult_ = result;
}

void TForm::Abandon(int result) {
    Abandoned_ = true;
    ModalResult_ = result;
}

bool TForm::ConfirmModalResult() {
    if (!ModalResult_) return false;
    if (Abandoned_) return true;
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(*this, canClose);
    if (!canClose) ModalResult_ = 0;
    return canClose;
}

void TForm::StartTimer(unsigned id, unsigned milliseconds) {
    Timers_[id] = milliseconds;
    if (HandlesCreated_) backend::StartTimer(*this, id, milliseconds);
}

void TForm::StopTimer(unsigned id) {
    if (!Timers_.erase(id)) return;
    if (HandlesCreated_) backend::StopTimer(*this, id);
}

bool TForm::TimerRunning(unsigned id) const {
    return Timers_.contains(id);
}

void TForm::TimerTick(unsigned id) {
    if (TimerRunning(id) && OnTimer) OnTimer(*this, id);
}

std::vector<TControl*> TForm::TabOrder() const {
    std::vector<TControl*> order;
    for (TControl* c : All_)
        if (c->CanFocus() && c->Showing() && c->EffectivelyEnabled()) order.push_back(c);
    return order;
}

void TForm::FocusNext(bool backwards) {
    std::vector<TControl*> order = TabOrder();
    if (order.empty()) return;
    auto at = std::find(order.begin(), order.end(), Focused());
    std::ptrdiff_t n = static_cast<std::ptrdiff_t>(order.size());
    std::ptrdiff_t i = at == order.end() ? (backwards ? 0 : -1) : at - order.begin();
    i = ((backwards ? i - 1 : i + 1) % n + n) % n;
    backend::SetFocus(*order[static_cast<std::size_t>(i)]);
}

TButton* TForm::ButtonWhere(bool TButton::*flag) const {
    for (TControl* c : All_) {
        if (c->Kind() != TControlKind::Button) continue;
        auto* b = static_cast<TButton*>(c);
        if (b->*flag && b->Showing() && b->EffectivelyEnabled()) return b;
    }
    return nullptr;
}

bool TForm::KeyDown(int virtualKey, bool shift) {
    TControl* focused = Focused();
    switch (virtualKey) {
    case kVkTab:
        FocusNext(shift);
        return true;
    case kVkReturn: {
        TButton* target = focused && focused->Kind() == TControlKind::Button ? static_cast<TButton*>(focused)
                                                                             : ButtonWhere(&TButton::Default);
        if (target) target->Click();
        return true;
    }
    case kVkEscape:
        if (TButton* cancel = ButtonWhere(&TButton::Cancel)) cancel->Click();
        return true;
    case kVkSpace:
        if (!focused) return false;
        if (focused->Kind() == TControlKind::CheckBox)
            static_cast<TCheckBox*>(focused)->UserToggle();
        else if (focused->Kind() == TControlKind::Button)
            static_cast<TButton*>(focused)->Click();
        else if (focused->Kind() == TControlKind::CheckListBox)
            static_cast<TCheckListBox*>(focused)->UserSpace();
        else
            return false;
        return true;
    default:
        return false;
    }
}

bool TForm::Accelerator(char letter) {
    if (!letter) return false;
    for (TControl* c : All_) {
        if (c->Accelerator() != letter || !c->Showing() || !c->EffectivelyEnabled()) continue;
        switch (c->Kind()) {
        case TControlKind::Label: {
            TControl* target = static_cast<TLabel*>(c)->FocusControl;
            if (target && target->CanFocus() && target->Showing() && target->EffectivelyEnabled())
                backend::SetFocus(*target);
            return true;
        }
        case TControlKind::Button:
            backend::SetFocus(*c);
            static_cast<TButton*>(c)->Click();
            return true;
        case TControlKind::CheckBox:
            backend::SetFocus(*c);
            static_cast<TCheckBox*>(c)->UserToggle();
            return true;
        default:
            break;
        }
    }
    return false;
}

void TForm::FocusControl(TControl& control) {
    if (control.CanFocus() && control.Showing() && control.EffectivelyEnabled()) backend::SetFocus(control);
}

void TForm::FocusFirst() {
    std::vector<TControl*> order = TabOrder();
    if (order.empty()) {
        backend::ClearFocus(*this);
        return;
    }
    backend::SetFocus(*order.front());
}

TControl* TForm::Focused() const {
    return backend::Focused(*this);
}

void TForm::SetWaitCursor() {
    backend::SetWaitCursor();
}

std::function<void()> TForm::Waker() {
    return backend::Waker(*this);
}

} // namespace ulv
