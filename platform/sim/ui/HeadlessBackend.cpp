// The headless backend: the widget layer's state is all there is; native windows are counted, not made.
#include "platform/sim/ui/HeadlessUi.h"
#include "platform/ui/Backend.h"
#include "platform/ui/ListItemPaint.h"
#include "platform/ui/MessageDialog.h"
#include "resources/ResConst.h"

#include <atomic>
#include <cstdio>
#include <map>
#include <set>

namespace ulv {
namespace {

struct THeadlessState {
    std::deque<int> Answers;
    std::vector<headless::TAskedMessage> Asked;
    std::deque<std::function<void(TForm&)>> Steps;
    std::set<std::pair<const TForm*, unsigned>> Timers;
    std::function<void()> During;
    std::uintptr_t NextWindow = 1;
    std::string Refused;
    int WaitCursors = 0;
    std::map<std::pair<const TControl*, TChange>, int> Syncs;
    // Wakes called by other threads, delivered by the modal loop before its next step.
    std::atomic<int> Wakes{0};
};

THeadlessState& State() {
    static THeadlessState state;
    return state;
}

std::string Hex(TColor color) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%06X", static_cast<unsigned>(color));
    return buffer;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string WithoutAccelerator(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

// SM_CXVSCROLL at 96 dpi.
constexpr int kScrollBarWidth = 17;

class TRecordingCanvas final : public TCanvas {
public:
    explicit TRecordingCanvas(TFont font) : Font(std::move(font)) {}
    void SetBrushColor(TColor color) override { Brush = color; }
    [[nodiscard]] TColor BrushColor() const override { return Brush; }
    void SetFontColor(TColor color) override { Font.Color = color; }
    [[nodiscard]] TColor FontColor() const override { return Font.Color; }
    void FillRect(const TRect& r) override { Ops.push_back("FillRect " + Box(r) + " " + Hex(Brush)); }
    void TextOut(int x, int y, const std::string& text) override {
        Ops.push_back("TextOut " + std::to_string(x) + "," + std::to_string(y) + " " + Quoted(text) + " " +
                      Hex(Font.Color));
    }
    [[nodiscard]] TSize TextExtent(const std::string& text) override {
        return headless::TextExtent(Font, text);
    }
    void DrawText(const std::string& text, const TRect& r, unsigned flags) override {
        char f[16];
        std::snprintf(f, sizeof f, "%04X", flags);
        Ops.push_back("DrawText " + Box(r) + " " + Quoted(text) + " " + f + " " + Hex(Font.Color));
    }
    void DrawTransparent(const TBitmapImage& picture, int x, int y) override {
        Ops.push_back("DrawTransparent " + std::to_string(x) + "," + std::to_string(y) + " " +
                      std::to_string(picture.Width) + "x" + std::to_string(picture.Height));
    }
    [[nodiscard]] int Dpi() const override { return 96; }
    std::vector<std::string> Ops;

private:
    static std::string Box(const TRect& r) {
        return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
               std::to_string(r.Bottom);
    }
    TFont Font;
    TColor Brush = kColorWindow;
};

// The edge the Win32 loop and window procedures have: a failure in what the loop calls (a step stands for a
// message or a key, and the close question) is reported, recorded as the message box it is there, and ends
// the window without the close question.
template <typename Call> bool Guarded(TForm& form, Call&& call) {
    try {
        return call();
    } catch (...) {
        if (!form.OnUnexpectedFailure || form.OnUnexpectedFailure(form))
            State().Asked.push_back({std::string(kUnexpectedFailureText),
                                     kMessageError,
                                     kButtonOk,
                                     std::string(kAppTitle),
                                     {"OK"}});
        form.Abandon(kModalResultCancel);
        return true;
    }
}

} // namespace

namespace backend {

void CreateNative(TControl& control) {
    if (!State().Refused.empty() && control.Name() == State().Refused) return;
    control.Native.Window = State().NextWindow++;
}

void DestroyNative(TControl& control) {
    std::erase_if(State().Syncs, [&control](const auto& entry) { return entry.first.first == &control; });
    control.Native.Window = 0;
}

void Sync(TControl& control, TChange change) {
    ++State().Syncs[{&control, change}];
}

TSize MeasureCaption(const TControl& control, const std::string& text) {
    return headless::TextExtent(control.Font(), WithoutAccelerator(text));
}

void SetFocus(TControl& control) {
    control.Form().HeadlessFocus = &control;
}

TControl* Focused(const TForm& form) {
    return form.HeadlessFocus;
}

void ClearFocus(TForm& form) {
    form.HeadlessFocus = nullptr;
}

void RunModal(TForm& form) {
    auto& steps = State().Steps;
    if (!form.Focused()) form.FocusFirst();
    // As the window's loop does once the window is on the screen.
    form.CreateWaiting();
    auto confirmed = [&form] { return Guarded(form, [&form] { return form.ConfirmModalResult(); }); };
    while (!confirmed()) {
        if (steps.empty()) {
            // The script is what the user does, and it is over: the user closes the window (a form that
            // refuses stays open no longer than that).
            form.Close();
            (void)confirmed();
            break;
        }
        if (State().Wakes.exchange(0) > 0 && form.OnWake) {
            (void)Guarded(form, [&form] {
                form.OnWake(form);
                return false;
            });
            continue;
        }
        auto step = std::move(steps.front());
        steps.pop_front();
        (void)Guarded(form, [&] {
            step(form);
            return false;
        });
    }
    // Steps left over belong to this loop, not to the next form's.
    steps.clear();
}

void StartTimer(TForm& form, unsigned id, unsigned) {
    State().Timers.insert({&form, id});
}

void StopTimer(TForm& form, unsigned id) {
    State().Timers.erase({&form, id});
}

void SetWaitCursor() {
    ++State().WaitCursors;
}

std::function<void()> Waker(TForm&) {
    return [] { State().Wakes.fetch_add(1); };
}

} // namespace backend

int ShowWizardMessage(TForm*, const std::string& text, int kind, std::uint16_t buttons) {
    headless::TAskedMessage asked{text, kind, buttons, std::string(MessageTitle(kind)), {}};
    // As on Win32, a button that answers nothing (help) is not shown.
    for (const auto& b : MessageButtons(buttons))
        if (b.Result) asked.Captions.emplace_back(b.Caption);
    bool none = asked.Captions.empty();
    State().Asked.push_back(std::move(asked));
    if (none) return 0;
    // What happens while the question is on screen (the window's timers keep running).
    if (auto during = std::move(State().During)) {
        State().During = nullptr;
        during();
    }
    auto& answers = State().Answers;
    if (answers.empty()) {
        int cancel = CancelMessageResult(buttons);
        return cancel ? cancel : DefaultMessageResult(buttons);
    }
    int result = answers.front();
    answers.pop_front();
    return result;
}

namespace headless {

void ScriptAnswers(std::vector<int> results) {
    State().Answers.assign(results.begin(), results.end());
}

const std::vector<TAskedMessage>& AskedMessages() {
    return State().Asked;
}

void ClearMessages() {
    State().Asked.clear();
    State().Answers.clear();
    State().During = nullptr;
}

void DuringNextQuestion(std::function<void()> action) {
    State().During = std::move(action);
}

void ScriptModalLoop(std::vector<std::function<void(TForm&)>> steps) {
    State().Steps.assign(std::make_move_iterator(steps.begin()), std::make_move_iterator(steps.end()));
}

std::vector<std::string> DrawItem(TCustomList& list, int index, TOwnerDrawState state) {
    // The client area as Win32 has it: inside a 2-pixel sunken edge, less the vertical scroll bar once
    // the items do not fit.
    const int clientHeight = list.Bounds().Height - 4;
    const bool scrolls = list.Count() * list.ItemHeight > clientHeight;
    const int width = list.Bounds().Width - 4 - (scrolls ? kScrollBarWidth : 0);
    const int column = list.Kind() == TControlKind::CheckListBox ? TCheckListBox::kCheckColumn : 0;
    TListItemPaint paint =
        ListItemPaint({0, index * list.ItemHeight, width, (index + 1) * list.ItemHeight}, column, state);
    TFont font = list.Font();
    font.Color = paint.FontColor;
    TRecordingCanvas canvas(font);
    canvas.SetBrushColor(paint.Brush);
    TRect rect = paint.TextArea;
    if (list.OnDrawItem) list.OnDrawItem(list, index, canvas, rect, state);
    return std::move(canvas.Ops);
}

TSize TextExtent(const TFont& font, const std::string& text) {
    int perChar = font.Bold ? 7 : 6;
    int height = std::max(13, -font.Height + 2);
    return TSize{static_cast<int>(text.size()) * perChar, height};
}

bool TimerActive(const TForm& form, unsigned id) {
    return State().Timers.contains({&form, id});
}

int PendingWakes() {
    return State().Wakes.load();
}

int WaitCursorCount() {
    return State().WaitCursors;
}

void RefuseWindowsOf(std::string name) {
    State().Refused = std::move(name);
}

int SyncCount(const TControl& control, TChange change) {
    auto found = State().Syncs.find({&control, change});
    return found == State().Syncs.end() ? 0 : found->second;
}

} // namespace headless
} // namespace ulv
