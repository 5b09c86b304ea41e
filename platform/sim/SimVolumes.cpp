#include "SimVolumes.h"

#include <utility>

#include "SimErrors.h"
#include "SimText.h"

namespace ulv::sim {
namespace {

thread_local std::uint32_t tLastError = 0;

} // namespace

void SetLastError(std::uint32_t error) {
    tLastError = error;
}
std::uint32_t LastErrorOfThread() {
    return tLastError;
}

SimVolumes::SimVolumes() {
    SetDrive(TSimDrive{});
}

void SimVolumes::SetDrive(const TSimDrive& drive) {
    std::lock_guard guard(Lock);
    TSimDrive d = drive;
    d.Letter = UpperAnsi(d.Letter);
    Drives[d.Letter] = d;
}

void SimVolumes::RemoveDrive(char letter) {
    std::lock_guard guard(Lock);
    Drives.erase(UpperAnsi(letter));
}

void SimVolumes::SetPresent(char letter, bool present) {
    std::lock_guard guard(Lock);
    auto it = Drives.find(UpperAnsi(letter));
    if (it != Drives.end()) it->second.Present = present;
}

void SimVolumes::AddShare(const TSimShare& share) {
    std::lock_guard guard(Lock);
    TSimShare s = share;
    while (s.Root.ends_with('\\'))
        s.Root.pop_back();
    Shares[UpperAnsi(s.Root)] = s;
}

std::optional<TSimDrive> SimVolumes::Drive(char letter) const {
    std::lock_guard guard(Lock);
    auto it = Drives.find(UpperAnsi(letter));
    if (it == Drives.end()) return std::nullopt;
    return it->second;
}

bool SimVolumes::IsPresent(char letter) const {
    auto d = Drive(letter);
    return d && d->Present && d->HasMedia;
}

std::optional<TSimShare> SimVolumes::Share(const std::string& root) const {
    std::lock_guard guard(Lock);
    auto it = Shares.find(UpperAnsi(root));
    if (it == Shares.end()) return std::nullopt;
    return it->second;
}

std::uint32_t SimVolumes::PresentMask() const {
    std::lock_guard guard(Lock);
    std::uint32_t mask = 0;
    for (auto& [letter, drive] : Drives)
        if (drive.Present && letter >= 'A' && letter <= 'Z') mask |= 1u << (letter - 'A');
    return mask;
}

std::uint32_t SimVolumes::ExchangeErrorMode(std::uint32_t mode) {
    std::lock_guard guard(Lock);
    return std::exchange(Mode, mode);
}

std::uint32_t SimVolumes::ErrorMode() const {
    std::lock_guard guard(Lock);
    return Mode;
}

void SimVolumes::NoteAccessWithoutMedium() {
    std::lock_guard guard(Lock);
    if (!(Mode & kSemFailCriticalErrors)) ++Prompts;
}

int SimVolumes::NoDiskPrompts() const {
    std::lock_guard guard(Lock);
    return Prompts;
}

} // namespace ulv::sim
