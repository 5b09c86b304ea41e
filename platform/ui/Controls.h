#pragma once
// The widget layer: retained controls with a parent, bounds in 96-dpi pixels, captions, states, item lists
// and events. Their state lives here, in both backends alike; the backend mirrors it into real controls
// (Win32) or keeps nothing more (headless), and reports what the user does through the User* methods.
// Setting a state from the program never fires an event; only the User* paths do.
#include "platform/ui/Canvas.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ulv {

enum class TControlKind {
    Form,
    Panel,
    Bevel,
    Label,
    Memo,
    CheckBox,
    Edit,
    Button,
    ProgressBar,
    Image,
    PageControl,
    TabSheet,
    CheckListBox,
    ListBox,
    ComboBox,
};

// What changed, for the backend's mirror.
enum class TChange {
    Bounds,
    Caption,
    Visible,
    Enabled,
    Font,
    Color,
    Checked,
    Items,
    ItemAdded,
    ItemIndex,
    ItemState,
    Range,
    Position,
    Picture,
    ActivePage,
};

class TForm;
class TWinControl;

// The letter an accelerator stands for, upper-cased in Windows-1252 (ASCII and accented letters).
[[nodiscard]] char AcceleratorLetter(char c);

// What a backend keeps of its own per control, owned by the control.
struct TNativeData {
    virtual ~TNativeData() = default;
};

// What a backend keeps per control (a window handle view and its own data). Made: the backend has made the
// control, as a window of its own or as one its parent draws (Window stays 0).
struct TNativeView {
    std::uintptr_t Window = 0;
    bool Made = false;
    std::unique_ptr<TNativeData> Data;
};

using TNotifyEvent = std::function<void(class TControl& sender)>;

class TControl {
public:
    TControl(TWinControl* parent, TControlKind kind, std::string name);
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;
    virtual ~TControl();

    // How many controls the process has made so far: a run without a window makes none.
    [[nodiscard]] static std::uint64_t MadeCount() { return Made_.load(std::memory_order_relaxed); }

    [[nodiscard]] TControlKind Kind() const { return Kind_; }
    [[nodiscard]] const std::string& Name() const { return Name_; }
    [[nodiscard]] TWinControl* Parent() const { return Parent_; }
    [[nodiscard]] TForm& Form();
    [[nodiscard]] const TForm& Form() const;

    [[nodiscard]] const TBounds& Bounds() const { return Bounds_; }
    void SetBounds(const TBounds& bounds);
    [[nodiscard]] const std::string& Caption() const { return Caption_; }
    void SetCaption(std::string caption);
    [[nodiscard]] bool Visible() const { return Visible_; }
    void SetVisible(bool visible);
    [[nodiscard]] bool Enabled() const { return Enabled_; }
    void SetEnabled(bool enabled);
    // Visible with every parent, up to the form.
    [[nodiscard]] bool Showing() const;
    // Enabled with every parent.
    [[nodiscard]] bool EffectivelyEnabled() const;

    // The control's own font, or its parent's.
    [[nodiscard]] TFont Font() const;
    [[nodiscard]] bool HasOwnFont() const { return OwnFont_.has_value(); }
    void SetFont(TFont font);

    // Takes part in Tab navigation and can hold the focus.
    [[nodiscard]] virtual bool CanFocus() const { return false; }
    // The letter after "&" in the caption, upper-cased (ASCII and Latin-1 letters), 0 if none.
    [[nodiscard]] char Accelerator() const;

    int Tag = 0;
    // Creation index in the form's depth-first order, from 1; the Win32 control id.
    int Id = 0;
    TNativeView Native;

protected:
    void Changed(TChange change);
    // The user changed the text in the real control: the state follows without being mirrored back.
    void TakeCaption(std::string caption) { Caption_ = std::move(caption); }

private:
    // Hiding or disabling the control that holds the focus hands the focus on.
    [[nodiscard]] bool HoldsFocus() const;
    TControlKind Kind_;
    std::string Name_;
    TWinControl* Parent_;
    TBounds Bounds_;
    std::string Caption_;
    bool Visible_ = true;
    bool Enabled_ = true;
    std::optional<TFont> OwnFont_;
    static inline std::atomic<std::uint64_t> Made_{0};
};

class TWinControl : public TControl {
public:
    using TControl::TControl;
    [[nodiscard]] const std::vector<TControl*>& Children() const { return Children_; }

private:
    friend class TControl;
    std::vector<TControl*> Children_;
};

enum class TBevelCut { None, Lowered, Raised };

class TPanel : public TWinControl {
public:
    TPanel(TWinControl* parent, std::string name)
        : TWinControl(parent, TControlKind::Panel, std::move(name)) {}
    [[nodiscard]] TColor Color() const { return Color_; }
    void SetColor(TColor color);
    TBevelCut BevelInner = TBevelCut::None;
    TBevelCut BevelOuter = TBevelCut::None;

private:
    TColor Color_ = kColorBtnFace;
};

enum class TBevelShape { LeftLine, Box };

class TBevel : public TControl {
public:
    TBevel(TWinControl* parent, std::string name) : TControl(parent, TControlKind::Bevel, std::move(name)) {}
    TBevelShape Shape = TBevelShape::Box;
};

enum class TAlignment { Left, Right };

// A static text. An auto-sized label takes the size of its caption as one line plus 2 pixels on each side
// (also when the caption changes); a fixed one wraps its text at word boundaries within its box.
class TLabel : public TControl {
public:
    TLabel(TWinControl* parent, std::string name) : TControl(parent, TControlKind::Label, std::move(name)) {}
    // Width (and height, unless FixedHeight) from the caption.
    void SetAutoSize(bool autoSize, bool fixedHeight = false);
    [[nodiscard]] bool AutoSize() const { return AutoSize_; }
    [[nodiscard]] bool AutoHeight() const { return AutoSize_ && !FixedHeight_; }
    // Called by the form when the caption or font changed; the backend measures.
    void AdjustSize();
    TAlignment Alignment = TAlignment::Left;
    // The control its accelerator focuses.
    TControl* FocusControl = nullptr;

private:
    bool AutoSize_ = false;
    bool FixedHeight_ = false;
};

class TMemo : public TControl {
public:
    TMemo(TWinControl* parent, std::string name) : TControl(parent, TControlKind::Memo, std::move(name)) {}
    [[nodiscard]] bool CanFocus() const override { return true; }
    // The text as lines; SetLines joins them with CR LF as a multi-line edit control wants.
    [[nodiscard]] std::vector<std::string> Lines() const;
    void SetLines(const std::vector<std::string>& lines);
    bool ReadOnly = true;
};

class TCheckBox : public TControl {
public:
    TCheckBox(TWinControl* parent, std::string name)
        : TControl(parent, TControlKind::CheckBox, std::move(name)) {}
    [[nodiscard]] bool CanFocus() const override { return true; }
    [[nodiscard]] bool Checked() const { return Checked_; }
    void SetChecked(bool checked);
    // The user clicked it or pressed its key: the state flips, then OnClick.
    void UserToggle();
    // Win32: the control has already flipped itself; take its state, then OnClick.
    void UserSetChecked(bool checked);
    TNotifyEvent OnClick;

private:
    bool Checked_ = false;
};

class TEdit : public TControl {
public:
    TEdit(TWinControl* parent, std::string name) : TControl(parent, TControlKind::Edit, std::move(name)) {}
    [[nodiscard]] bool CanFocus() const override { return true; }
    [[nodiscard]] std::string Text() const;
    void SetText(std::string text) { SetCaption(std::move(text)); }
    // The user typed: the backend hands over the new text.
    void UserSetText(std::string text);
};

class TButton : public TControl {
public:
    TButton(TWinControl* parent, std::string name)
        : TControl(parent, TControlKind::Button, std::move(name)) {}
    [[nodiscard]] bool CanFocus() const override { return true; }
    // OnClick when the button is showing and enabled.
    void Click();
    bool Default = false;
    bool Cancel = false;
    int ModalResult = 0;
    TNotifyEvent OnClick;
};

class TProgressBar : public TControl {
public:
    TProgressBar(TWinControl* parent, std::string name)
        : TControl(parent, TControlKind::ProgressBar, std::move(name)) {}
    [[nodiscard]] std::int32_t Max() const { return Max_; }
    [[nodiscard]] std::int32_t Position() const { return Position_; }
    void SetMax(std::int32_t max);
    // Clamped to 0..Max.
    void SetPosition(std::int32_t position);

private:
    std::int32_t Max_ = 100;
    std::int32_t Position_ = 0;
};

class TImage : public TControl {
public:
    TImage(TWinControl* parent, std::string name) : TControl(parent, TControlKind::Image, std::move(name)) {}
    [[nodiscard]] const std::optional<TBitmapImage>& Picture() const { return Picture_; }
    void SetPicture(TBitmapImage picture);

private:
    std::optional<TBitmapImage> Picture_;
};

class TTabSheet;

// Shows one sheet at a time, without tabs; each sheet's body fills the container less a frame of
// kSheetInset pixels, which the window's other bands cover.
class TPageControl : public TWinControl {
public:
    static constexpr int kSheetInset = 4;
    TPageControl(TWinControl* parent, std::string name)
        : TWinControl(parent, TControlKind::PageControl, std::move(name)) {}
    [[nodiscard]] const std::vector<TTabSheet*>& Sheets() const { return Sheets_; }
    [[nodiscard]] TTabSheet* ActivePage() const { return Active_; }
    void SetActivePage(TTabSheet* sheet);
    // Gives every sheet the container's area less the frame.
    void LayoutSheets();

private:
    friend class TTabSheet;
    std::vector<TTabSheet*> Sheets_;
    TTabSheet* Active_ = nullptr;
};

class TTabSheet : public TWinControl {
public:
    TTabSheet(TPageControl& pages, std::string name);
    ~TTabSheet() override;
    [[nodiscard]] TPageControl& PageControl() const { return Pages_; }
    [[nodiscard]] int PageIndex() const;

private:
    TPageControl& Pages_;
};

enum class TCheckState { Unchecked, Checked, Grayed };

struct TListItem {
    std::string Text;
    std::uintptr_t Data = 0;
    TCheckState State = TCheckState::Unchecked;
};

using TDrawItemEvent =
    std::function<void(TControl& sender, int index, TCanvas& canvas, const TRect& rect, TOwnerDrawState)>;

// Owner-drawn list with a fixed item height. The item texts stay in the control (screen readers read them).
class TCustomList : public TControl {
public:
    TCustomList(TWinControl* parent, TControlKind kind, std::string name)
        : TControl(parent, kind, std::move(name)) {}
    [[nodiscard]] bool CanFocus() const override { return true; }
    [[nodiscard]] const std::vector<TListItem>& Items() const { return Items_; }
    [[nodiscard]] int Count() const { return static_cast<int>(Items_.size()); }
    int AddItem(std::string text, std::uintptr_t data = 0);
    void InsertItem(int index, std::string text, std::uintptr_t data = 0);
    void ClearItems();
    [[nodiscard]] std::uintptr_t ItemData(int index) const;
    void SetItemData(int index, std::uintptr_t data);
    [[nodiscard]] int ItemIndex() const { return ItemIndex_; }
    // The item the last ItemAdded or ItemState change was about, for the backend's mirror.
    [[nodiscard]] int ChangedItem() const { return ChangedItem_; }
    // -1 clears the selection; out of range is ignored.
    void SetItemIndex(int index);
    // The user selected another item: ItemIndex, then OnChange.
    void UserSelect(int index);
    // In 96-dpi pixels.
    int ItemHeight = 16;
    TDrawItemEvent OnDrawItem;
    TNotifyEvent OnChange;

protected:
    [[nodiscard]] bool ValidIndex(int index) const { return index >= 0 && index < Count(); }
    std::vector<TListItem> Items_;

    int ChangedItem_ = -1;

private:
    int ItemIndex_ = -1;
};

class TListBox : public TCustomList {
public:
    TListBox(TWinControl* parent, std::string name)
        : TCustomList(parent, TControlKind::ListBox, std::move(name)) {}
};

// A drop-down list (no typing).
class TComboBox : public TCustomList {
public:
    TComboBox(TWinControl* parent, std::string name)
        : TCustomList(parent, TControlKind::ComboBox, std::move(name)) {}
    [[nodiscard]] std::string Text() const;
};

// A list with a check box before each item. The user's toggle: unchecked becomes checked, checked or
// greyed becomes unchecked; then OnClickCheck. The item a click or Space toggled is the selected one.
class TCheckListBox : public TCustomList {
public:
    // Width of the check box column, in 96-dpi pixels, before the item's drawing rectangle.
    static constexpr int kCheckColumn = 16;
    TCheckListBox(TWinControl* parent, std::string name)
        : TCustomList(parent, TControlKind::CheckListBox, std::move(name)) {}
    [[nodiscard]] TCheckState State(int index) const;
    void SetState(int index, TCheckState state);
    [[nodiscard]] bool Checked(int index) const { return State(index) == TCheckState::Checked; }
    void SetChecked(int index, bool checked);
    void UserToggle(int index);
    // A click on an item: selects it, and toggles it when the click fell in the check box column.
    void UserClickAt(int index, bool inCheckBox);
    // Space: toggles the selected item.
    void UserSpace();
    TNotifyEvent OnClickCheck;
};

} // namespace ulv
