#pragma once
// The program's modal message dialog: a text, an icon and title by kind, and French buttons.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ulv {

class TForm;

enum TMessageKind : int {
    kMessageWarning = 0,
    kMessageError = 1,
    kMessageInformation = 2,
    kMessageConfirmation = 3,
};

// Bits of a button set.
enum TMessageButton : std::uint16_t {
    kButtonYes = 1u << 0,
    kButtonNo = 1u << 1,
    kButtonOk = 1u << 2,
    kButtonCancel = 1u << 3,
    kButtonAbort = 1u << 4,
    kButtonRetry = 1u << 5,
    kButtonIgnore = 1u << 6,
    kButtonAll = 1u << 7,
    kButtonNoToAll = 1u << 8,
    kButtonYesToAll = 1u << 9,
    kButtonHelp = 1u << 10,
};

struct TMessageButtonFace {
    TMessageButton Bit;
    std::string_view Caption;
    int Result; // 0: the button answers nothing (help)
};

[[nodiscard]] std::string_view MessageTitle(int kind);
// The buttons of a set, in the order they stand in the dialog.
[[nodiscard]] std::vector<TMessageButtonFace> MessageButtons(std::uint16_t buttons);
// The button Enter answers: OK, else Yes, else Retry, else the first.
[[nodiscard]] int DefaultMessageResult(std::uint16_t buttons);
// The button Esc and the close box answer: Cancel, else No, else Abort, else OK alone; 0 when none fits and
// for Abort, Retry and Ignore together (Esc then does nothing and the close box is disabled).
[[nodiscard]] int CancelMessageResult(std::uint16_t buttons);

// Modal over the owner (nullptr: over the program's active window, if any). Returns the result code of the
// button pressed; 0 for an empty button set.
int ShowWizardMessage(TForm* owner, const std::string& text, int kind, std::uint16_t buttons);

} // namespace ulv
