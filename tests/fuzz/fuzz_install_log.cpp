// Install.log over arbitrary existing files, on the simulated machine: the input is the old file's bytes.
// The log is loaded, this run's lines are added (one of them an old line in capitals) and stored, then
// loaded again. A first byte 0xFE has the file held open by another program while it is loaded, so that it
// cannot be loaded whole. (Logs over the caps are the unit tests' part: each costs a second here.)
#include "platform/sim/SimMachine.h"
#include "utils/InstUtils.h"

#include <algorithm>
#include <string_view>

namespace {

using Lines = std::vector<std::string>;

constexpr const char* kDest = "C:\\Dest";
constexpr const char* kLogFile = "C:\\Dest\\Install.log";
constexpr int kCompareEqual = 2;

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// The lines of a text as the log holds them: ended by CR LF, CR or LF, a last line without an end counting
// when it is not empty.
Lines SplitAll(std::string_view text) {
    Lines lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n') {
            lines.back() += c;
            continue;
        }
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        lines.emplace_back();
    }
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

bool WithinCaps(const Lines& lines) {
    size_t bytes = 0;
    for (const std::string& line : lines)
        bytes += line.size();
    return lines.size() <= ulv::kMaxInstallLogLines && bytes <= ulv::kMaxInstallLogBytes;
}

bool Holds(ulv::IText& text, const Lines& lines, const std::string& line) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& existing) {
        return text.CompareStringNoCase(existing, line) == kCompareEqual;
    });
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

Lines ExpectedAfter(const Lines& loaded, const Lines& run, ulv::IText& text) {
    Lines after = loaded;
    for (const std::string& line : run)
        if (!Holds(text, after, line)) after.push_back(line);
    return after;
}

std::string Joined(const Lines& lines) {
    std::string content;
    for (const std::string& line : lines)
        content += line + "\r\n";
    return content;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ulv::sim::SimMachine machine;
    ulv::TPlatform platform = machine.Platform();
    ulv::TInstUtils utils(platform);
    const std::string old(reinterpret_cast<const char*>(data), size);
    Check(machine.Files.PutFile(kLogFile, old));
    const bool locked = size > 0 && data[0] == 0xFE;
    if (locked) machine.Files.InjectCreateFailure(kLogFile, 1, ulv::kErrorSharingViolation);

    utils.CreateInstallLog(kDest, false);
    const Lines loaded = utils.InstallLog();
    const Lines all = SplitAll(old);
    const bool whole =
        !locked && old.size() <= ulv::kMaxInstallLogBytes && all.size() <= ulv::kMaxInstallLogLines;
    Check(WithinCaps(loaded));
    Check(loaded.size() <= all.size() && std::equal(loaded.begin(), loaded.end(), all.begin()));
    if (whole) Check(loaded == all);

    const Lines run = RunLines(loaded, machine.Text);
    for (const std::string& line : run)
        utils.AddLogLine(line);
    const Lines after = utils.InstallLog();
    Check(after.size() <= loaded.size() + run.size() &&
          std::equal(loaded.begin(), loaded.end(), after.begin()));

    const bool stored = utils.StoreInstallLog();
    const std::optional<std::string> file = machine.Files.FileContent(kLogFile);
    Check(file.has_value());
    if (!whole) {
        Check(!stored && *file == old);
        return 0;
    }
    Check(after == ExpectedAfter(loaded, run, machine.Text));
    Check(stored && *file == Joined(after));
    Check(file->size() >= 2 && file->compare(file->size() - 2, 2, "\r\n") == 0);

    utils.CreateInstallLog(kDest, false);
    const Lines reloaded = utils.InstallLog();
    Check(WithinCaps(reloaded));
    size_t kept = std::min(after.size(), ulv::kMaxInstallLogLines);
    Check(reloaded.size() == kept && std::equal(reloaded.begin(), reloaded.end(), after.begin()));
    return 0;
}
