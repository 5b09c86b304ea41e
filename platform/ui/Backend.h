#pragma once
#include <functional>
// What the widget layer asks of its backend. One backend is linked into a program: platform/win32/ui (real
// Win32 controls) or platform/sim/ui (headless, for native tests).
#include "platform/ui/Controls.h"

namespace ulv {
class TForm;
} // namespace ulv

namespace ulv::backend {

// Creates the real control; its parent's already exists.
void CreateNative(TControl& control);
// Called from ~TControl: only Native, Kind and Name are still valid.
void DestroyNative(TControl& control);
// Mirrors a state change into the real control (only called once it exists).
void Sync(TControl& control, TChange change);
// The caption's extent as one line, "&" taken as the accelerator mark, in 96-dpi pixels.
[[nodiscard]] TSize MeasureCaption(const TControl& control, const std::string& text);
void SetFocus(TControl& control);
// No control of the form keeps the focus; the window itself takes the keys.
void ClearFocus(TForm& form);
[[nodiscard]] TControl* Focused(const TForm& form);
// Runs the message loop until the form's modal result stands; the window is shown first and hidden after.
void RunModal(TForm& form);
void StartTimer(TForm& form, unsigned id, unsigned milliseconds);
void StopTimer(TForm& form, unsigned id);
void SetWaitCursor();
// A call that any thread may make, after which the loop of the thread calling Waker runs the form's OnWake
// soon (in the modal loop; a modal dialog's own loop may drop it, so it is a hastener, never the only way).
[[nodiscard]] std::function<void()> Waker(TForm& form);

} // namespace ulv::backend
