#pragma once
// The headless backend's controls for tests: what the message dialog answers and what it was asked, what
// owner drawing drew, and the user's actions inside a modal loop.
#include "platform/ui/Form.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace ulv::headless {

struct TAskedMessage {
    std::string Text;
    int Kind = 0;
    std::uint16_t Buttons = 0;
    std::string Title;
    std::vector<std::string> Captions; // in the dialog's order
};

// Answers for the next message dialogs, in order; with none left a dialog answers its cancel-like button
// (or the default one when it has none).
void ScriptAnswers(std::vector<int> results);
[[nodiscard]] const std::vector<TAskedMessage>& AskedMessages();
void ClearMessages();
// Runs while the next message dialog is on screen, before it answers (the window's timers go on
// ticking under a real one: a test delivers such a tick here).
void DuringNextQuestion(std::function<void()> action);

// Steps the next modal loop runs, one per turn; the loop ends when the form's modal result stands, or
// with kModalResultCancel when the steps run out (as if the user closed the window). Steps the loop did
// not need are dropped when it ends.
void ScriptModalLoop(std::vector<std::function<void(TForm&)>> steps);

// Draws item `index` of an owner-drawn list through its OnDrawItem on a recording canvas; returns what
// was drawn, one line per operation.
std::vector<std::string> DrawItem(TCustomList& list, int index, TOwnerDrawState state = {});

// The fake text metrics: 6 pixels a character (7 bold), 13 high (the font's height + 2 when larger).
[[nodiscard]] TSize TextExtent(const TFont& font, const std::string& text);

// Wakes other threads have called that the modal loop has not delivered yet (before its next step).
[[nodiscard]] int PendingWakes();

// Timers the backend runs for a form, as id -> milliseconds.
[[nodiscard]] bool TimerActive(const TForm& form, unsigned id);
[[nodiscard]] int WaitCursorCount();
// How often a change of this kind reached the control's native window (a real one would be rewritten).
[[nodiscard]] int SyncCount(const TControl& control, TChange change);
// The system refuses the windows of controls of this name from now on (as CreateWindowEx may), until
// cleared with an empty name.
void RefuseWindowsOf(std::string name);

} // namespace ulv::headless
