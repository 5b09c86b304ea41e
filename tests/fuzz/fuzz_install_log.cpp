// Install.log over arbitrary existing files, on the simulated machine: the input is the old file's bytes.
// The log is loaded, this run's lines are added (one of them an old line in capitals) and stored: the file
// then holds exactly the lines, each ended by CR LF, which the load showed are read back as they stand. A
// first byte 0xFE has the file held open by another program while it is loaded, so that it cannot be loaded
// whole. (Logs over the caps are the unit tests' part: each costs a second here.)
#include "platform/sim/SimMachine.h"
#include "utils/InstUtils.h"

#include "tests/fuzz/SplitLines.h"
#include <algorithm>
#include <array>
#include <string_view>

namespace {

using Lines = std::vector<std::string>;
using Views = std::vector<std::string_view>;

constexpr const char* kDest = "C:\\Dest";
constexpr const char* kLogFile = "C:\\Dest\\Install.log";
constexpr size_t kMaxRunLines = 3;

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// One machine for all the inputs: making one cost more than the rest of a run. Each input leaves it as the
// next needs it: no handle open, no fault pending, the log file written over by the next input's.
ulv::sim::SimMachine& Machine() {
    static ulv::sim::SimMachine machine;
    return machine;
}

bool WithinCaps(const Lines& lines) {
    size_t bytes = 0;
    for (const std::string& line : lines)
        bytes += line.size();
    return lines.size() <= ulv::kMaxInstallLogLines && bytes <= ulv::kMaxInstallLogBytes;
}

// This run's lines: two of its own and the first old line in capitals, which must not be added again.
Lines RunLines(const Lines& loaded, ulv::IText& text) {
    Lines run = {"Made Dir: C:\\Dest\\", "File Copy: C:\\Dest\\vlmr.exe"};
    if (!loaded.empty()) {
        std::string upper = loaded.front();
        text.CharUpperBuffA(upper);
        run.push_back(std::move(upper));
    }
    return run;
}

// The run's lines the log must add: those equal to no line before them, loaded or added. Equal sort keys are
// what CompareStringA calls equal. Each loaded line's key is made once, in one buffer.
Lines ExpectedAdded(const Lines& loaded, const Lines& run) {
    std::array<std::string, kMaxRunLines> runKeys;
    std::array<bool, kMaxRunLines> held{};
    for (size_t i = 0; i < run.size(); ++i)
        ulv::sim::SortKeyAnsi(run[i], ulv::kNormIgnoreCase, runKeys[i]);
    std::string key;
    for (const std::string& line : loaded) {
        ulv::sim::SortKeyAnsi(line, ulv::kNormIgnoreCase, key);
        for (size_t i = 0; i < run.size(); ++i)
            held[i] = held[i] || key == runKeys[i];
    }
    Lines added;
    for (size_t i = 0; i < run.size(); ++i)
        if (!held[i] && std::find(runKeys.begin(), runKeys.begin() + i, runKeys[i]) == runKeys.begin() + i)
            added.push_back(run[i]);
    return added;
}

std::string Joined(const Lines& first, const Lines& then) {
    size_t size = 0;
    for (const Lines* lines : {&first, &then})
        for (const std::string& line : *lines)
            size += line.size() + 2;
    std::string content;
    content.reserve(size);
    for (const Lines* lines : {&first, &then})
        for (const std::string& line : *lines) {
            content += line;
            content += "\r\n";
        }
    return content;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ulv::sim::SimMachine& machine = Machine();
    Check(machine.Files.OpenHandleCount() == 0);
    // Each input is a first run into the folder: no journal of an earlier one, no writes remembered.
    machine.Registry.DeleteKey(ulv::kHkeyCurrentUser, std::string(ulv::kInstallJournalKey));
    machine.Registry.ClearWrites();
    ulv::TPlatform platform = machine.Platform();
    ulv::TInstUtils utils(platform);
    const std::string_view old(reinterpret_cast<const char*>(data), size);
    Check(machine.Files.PutFile(kLogFile, old));
    const bool locked = size > 0 && data[0] == 0xFE;
    if (locked) machine.Files.InjectCreateFailure(kLogFile, 1, ulv::kErrorSharingViolation);

    utils.CreateInstallLog(kDest, false);
    const Lines loaded = utils.InstallLog();
    const Views all = ulv::fuzz::SplitAll(old);
    const bool whole =
        !locked && old.size() <= ulv::kMaxInstallLogBytes && all.size() <= ulv::kMaxInstallLogLines;
    Check(WithinCaps(loaded));
    Check(loaded.size() <= all.size() && std::equal(loaded.begin(), loaded.end(), all.begin()));
    if (whole) Check(loaded.size() == all.size());

    const Lines run = RunLines(loaded, machine.Text);
    for (const std::string& line : run)
        utils.AddLogLine(line);

    // The lines held after this run's are those stored: the old ones, then the run's that were new.
    const bool stored = utils.StoreInstallLog();
    const std::optional<std::string> file = machine.Files.FileContent(kLogFile);
    Check(file.has_value());
    if (!whole) {
        Check(!stored && *file == old);
        return 0;
    }
    Check(stored && *file == Joined(loaded, ExpectedAdded(loaded, run)));
    Check(file->size() >= 2 && file->compare(file->size() - 2, 2, "\r\n") == 0);
    return 0;
}
