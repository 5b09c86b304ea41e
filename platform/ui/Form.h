#pragma once
// A fixed-size dialog window: single border, system menu only, centred, client area in 96-dpi pixels.
// Every way of closing it (the close box, Alt+F4, Esc through a cancel button, the program setting a modal
// result) passes through OnCloseQuery.
#include "platform/ui/Controls.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace ulv {

// Keys the form itself handles (Win32 virtual-key codes).
constexpr int kVkTab = 0x09;
constexpr int kVkReturn = 0x0D;
constexpr int kVkEscape = 0x1B;
constexpr int kVkSpace = 0x20;

constexpr int kModalResultOk = 1;
constexpr int kModalResultCancel = 2;

class TForm : public TWinControl {
public:
    explicit TForm(std::string name);
    ~TForm() override;

    [[nodiscard]] int ClientWidth() const { return Bounds().Width; }
    [[nodiscard]] int ClientHeight() const { return Bounds().Height; }
    void SetClientSize(int width, int height);
    // The big and small icon of the window (an icon handle of the program's own module).
    std::uintptr_t Icon = 0;
    // The window that owns this one (0: none).
    std::uintptr_t Owner = 0;

    // Creates the native window and its controls (in depth-first order, numbering them); idempotent. Hidden
    // containers (the pages not shown) and what they hold wait: they are created when they first show, or
    // by CreateWaiting.
    void CreateHandles();
    // Creates what waits: all of it, or the next control of it (false when none was left). The modal loop
    // creates them one by one once the window is on the screen, before it takes any input.
    void CreateWaiting();
    bool CreateNextWaiting();
    [[nodiscard]] bool HandlesCreated() const { return HandlesCreated_; }
    // All controls, depth-first, as numbered.
    [[nodiscard]] const std::vector<TControl*>& AllControls() const { return All_; }

    // Shows the window and runs its message loop until ModalResult is set and OnCloseQuery agrees.
    int ShowModal();
    // A close request; ends the modal loop with kModalResultCancel when OnCloseQuery agrees.
    void Close();
    [[nodiscard]] int ModalResult() const { return ModalResult_; }
    // Ends the modal loop, after OnCloseQuery, with this result (0 does nothing).
    void SetModalResult(int result);
    // The backend's loop: whether the pending result stands (OnCloseQuery said yes); clears it otherwise.
    [[nodiscard]] bool ConfirmModalResult();
    // Ends the modal loop with this result without asking OnCloseQuery: the program cannot go on (an
    // unexpected failure was reported).
    void Abandon(int result);
    [[nodiscard]] bool Abandoned() const { return Abandoned_; }

    // Window timers; OnTimer receives the id.
    void StartTimer(unsigned id, unsigned milliseconds);
    void StopTimer(unsigned id);
    [[nodiscard]] bool TimerRunning(unsigned id) const;
    // The backend delivers a tick.
    void TimerTick(unsigned id);

    // Keyboard handling shared by both backends. True when the key was the form's (Tab, Enter, Esc,
    // accelerators); the focused control gets it otherwise.
    bool KeyDown(int virtualKey, bool shift);
    bool Accelerator(char letter);

    void FocusControl(TControl& control);
    // The first control in Tab order takes the focus (none when nothing can): when the window is shown,
    // and when the control holding the focus is hidden or disabled.
    void FocusFirst();
    [[nodiscard]] TControl* Focused() const;
    void SetWaitCursor();
    // What another thread calls to have OnWake run soon on this one (the thread that calls Waker).
    [[nodiscard]] std::function<void()> Waker();

    std::function<void(TForm& sender, bool& canClose)> OnCloseQuery;
    std::function<void(TForm& sender, unsigned id)> OnTimer;
    // WM_ACTIVATEAPP: true when the application becomes active.
    std::function<void(TForm& sender, bool active)> OnActivateApp;
    // A failure reached the backend's edge (a window procedure, the modal loop); whether its box shows (the
    // program may have logged it instead). Without it the box shows. The window is abandoned either way.
    std::function<bool(TForm& sender)> OnUnexpectedFailure;
    // Run on the form's thread once another thread has called the form's Waker.
    std::function<void(TForm& sender)> OnWake;

    // Headless focus (the Win32 backend asks the system instead).
    TControl* HeadlessFocus = nullptr;

private:
    friend class TControl;
    void Unregister(TControl& control);
    void Number(TControl& control);
    // The native controls of `top` and of the controls within it that have none yet, but for those that
    // wait unless `waiting`.
    void CreateWithin(TControl& top, bool waiting);
    [[nodiscard]] std::vector<TControl*> TabOrder() const;
    void FocusNext(bool backwards);
    [[nodiscard]] TButton* ButtonWhere(bool TButton::*flag) const;

    std::vector<TControl*> All_;
    std::map<unsigned, unsigned> Timers_;
    bool HandlesCreated_ = false;
    bool Abandoned_ = false;
    int ModalResult_ = 0;
};

} // namespace ulv
