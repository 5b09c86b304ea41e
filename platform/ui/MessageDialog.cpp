#include "platform/ui/MessageDialog.h"

#include <array>

namespace ulv {
namespace {

constexpr std::array<TMessageButtonFace, 11> kButtons{{
    {kButtonYes, "&Oui", 6},
    {kButtonNo, "&Non", 7},
    {kButtonOk, "OK", 1},
    {kButtonCancel, "Annuler", 2},
    {kButtonAbort, "A&bandonner", 3},
    {kButtonRetry, "&Réessayer", 4},
    {kButtonIgnore, "I&gnorer", 5},
    {kButtonAll, "To&ut", 8},
    {kButtonNoToAll, "Non à &tous", 9},
    {kButtonYesToAll, "Ou&i à tous", 10},
    {kButtonHelp, "&Aide", 0},
}};

int ResultOf(TMessageButton bit) {
    for (const auto& b : kButtons)
        if (b.Bit == bit) return b.Result;
    return 0;
}

} // namespace

std::string_view MessageTitle(int kind) {
    switch (kind) {
    case kMessageWarning:
        return "Avertissement";
    case kMessageError:
        return "Erreur";
    case kMessageInformation:
        return "Information";
    case kMessageConfirmation:
        return "Confirmation";
    default:
        return "";
    }
}

std::vector<TMessageButtonFace> MessageButtons(std::uint16_t buttons) {
    std::vector<TMessageButtonFace> shown;
    for (const auto& b : kButtons)
        if (buttons & b.Bit) shown.push_back(b);
    return shown;
}

int DefaultMessageResult(std::uint16_t buttons) {
    for (TMessageButton bit : {kButtonOk, kButtonYes, kButtonRetry})
        if (buttons & bit) return ResultOf(bit);
    for (const auto& b : kButtons)
        if ((buttons & b.Bit) && b.Result) return b.Result;
    return 0;
}

// Abandon, retry or ignore is the question of a file that cannot be written: as in the system's own box of
// these three buttons, Esc and the close box answer nothing there, so that a reflexive Esc never abandons
// the whole installation.
int CancelMessageResult(std::uint16_t buttons) {
    constexpr std::uint16_t kAbortRetryIgnore = kButtonAbort | kButtonRetry | kButtonIgnore;
    if ((buttons & ~kButtonHelp) == kAbortRetryIgnore) return 0;
    for (TMessageButton bit : {kButtonCancel, kButtonNo, kButtonAbort})
        if (buttons & bit) return ResultOf(bit);
    if ((buttons & ~kButtonHelp) == kButtonOk) return ResultOf(kButtonOk);
    return 0;
}

} // namespace ulv
