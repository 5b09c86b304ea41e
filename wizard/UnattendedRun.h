#pragma once
// What an installation without a person answers, and why it may end before it writes anything.
#include "platform/Clock.h"

#include <cstdint>
#include <string>

namespace ulv {

enum class TRunRefusal {
    None,
    // The word processor is open: its files cannot be replaced.
    WordProcessorRunning,
    // The destination is not an absolute path, has no room for the components, or cannot be made.
    UnusableDestination,
};

// The answers of a run that nobody watches. A file that cannot be written (a question offering Retry) is
// retried kRetries times, kRetryDelayMs apart, then abandoned; any other question gets the answer that goes
// on with what was asked: OK, else Yes, else Abandonner, else the dialog's default button.
class TUnattendedAnswers {
public:
    static constexpr int kRetries = 5;
    static constexpr std::uint32_t kRetryDelayMs = 1000;

    explicit TUnattendedAnswers(IClock& clock) : Clock(clock) {}
    int Answer(const std::string& text, std::uint16_t buttons);

private:
    IClock& Clock;
    // The question being retried, and how often it has been.
    std::string Retrying;
    int Retried = 0;
};

} // namespace ulv
