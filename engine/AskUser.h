#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace ulv {

// Asks the user a question and returns the result code of the button pressed (3 Abort, 4 Retry, 5 Ignore...).
// On the GUI thread it is the wizard's message dialog; code that may run on the install thread gets the relay
// of TAskUserRelay instead, which hands the question to the GUI.
using TAskUser = std::function<int(const std::string& text, int kind, std::uint16_t buttons)>;

constexpr int kDialogError = 1;
constexpr std::uint16_t kButtonsAbortRetryIgnore = 0x0070;
constexpr int kResultOk = 1;
constexpr int kResultAbort = 3;
constexpr int kResultRetry = 4;
constexpr int kResultIgnore = 5;
constexpr int kResultYes = 6;
constexpr int kResultNo = 7;

} // namespace ulv
