// The setup stopped at every change it makes, as a kill or a pulled drive stops it, then run again: the
// machine ends as after one run that nothing stopped. One harness for every case.
#include "app/Startup.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/ui/HeadlessUi.h"
#include "resources/ResConst.h"
#include "tests/support/TestFiles.h"
#include "utils/InstUtils.h"
#include "utils/TextLines.h"
#include "wizard/MainDlg.h"
#include "wizard/PageFlow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <thread>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace ulv::test {
namespace {

// Under the sanitizers every run is many times slower: there the points are taken a stride apart, the
// first and the last ones always among them.
#if defined(__SANITIZE_THREAD__)
constexpr std::uint64_t kStride = 61;
#elif defined(__SANITIZE_ADDRESS__)
constexpr std::uint64_t kStride = 17;
#else
constexpr std::uint64_t kStride = 1;
#endif

constexpr FileTime kStart = 134098866000000000; // the same moment for every run

struct TCase {
    const char* Name;
    std::string CommandLine;
    bool Portable = false;
    std::function<void(sim::SimMachine&)> Arrange;
    // One of the runs after a stop goes through the wizard's pages instead.
    bool AlsoThroughThePages = false;
};

void PrintTo(const TCase& c, std::ostream* out) {
    *out << c.Name;
}

std::unique_ptr<sim::SimMachine> NewMachine(const TCase& c) {
    auto machine = std::make_unique<sim::SimMachine>();
    for (const char* folder : {"C:\\Program Files", "C:\\ProgramData", "C:\\users\\test\\Temp"})
        EXPECT_TRUE(machine->Files.PutFolder(folder));
    machine->Volumes.SetDrive(
        {.Letter = 'R', .Type = kDriveRemovable, .RemovableMedia = true, .FileSystemName = "FAT32"});
    static const auto payload = ReadHostFile(ULVARA_SAMPLE_PAYLOAD);
    machine->Module.PutResource("FILES", "FILES", payload);
    if (c.Arrange) c.Arrange(*machine);
    return machine;
}

using TPages = std::vector<std::function<void(TForm&)>>;

// The wizard's pages clicked through with their defaults, the installing page followed to its end.
TPages ThroughThePages() {
    auto next = [](TForm& form) { static_cast<TMainDlgForm&>(form).NextBtn.Click(); };
    auto follow = [](TForm& form) {
        auto& wizard = static_cast<TMainDlgForm&>(form);
        for (int i = 0;
             i < 30000 && form.ModalResult() == 0 && wizard.PgCtrl.ActivePage() == &wizard.InstallingTabSheet;
             ++i) {
            form.TimerTick(kProgressTimerId);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    return {next, next, next, next, next, follow, next, next};
}

int RunTo(sim::SimMachine& machine, const std::string& commandLine, TPages pages = {}) {
    machine.Clock.SetUtcNow(kStart);
    headless::ClearMessages();
    headless::ScriptModalLoop(std::move(pages));
    TPlatform platform = machine.Platform();
    int code = RunSetup(platform, commandLine);
    headless::ScriptModalLoop({});
    machine.Files.CloseAllHandles(); // what the system does when the process ends
    machine.Changes.Restart();
    return code;
}

bool IsRecordLog(const std::string& path) {
    return path.ends_with("\\Install.log") || path.ends_with("\\Update.log");
}

// Each folder, and each file with its bytes, last-write time and attributes; the two record files are
// compared by their lines. Every drive of the machine is looked at.
struct TState {
    std::map<std::string, std::string> Entries;
    std::map<std::string, std::vector<std::string>> Records;
    std::map<std::string, std::string> Registry;
};

void Walk(sim::SimMachine& machine, const std::string& folder, TState& state) {
    TFindData found;
    UniqueFind find(machine.Files, folder + "*", found);
    for (bool more = bool(find); more; more = find.Next(found)) {
        if (found.Name == "." || found.Name == "..") continue;
        const std::string path = folder + found.Name;
        if (found.Attributes & kFileAttributeDirectory) {
            state.Entries[path + "\\"] = "folder";
            Walk(machine, path + "\\", state);
            continue;
        }
        std::string content = machine.Files.FileContent(path).value_or("<unreadable>");
        if (IsRecordLog(path)) {
            std::vector<std::string>& lines = state.Records[path];
            lines = SplitTextLines(content);
            std::sort(lines.begin(), lines.end());
            if (!content.ends_with("\r\n")) lines.push_back("<no CR LF at the end>");
            continue;
        }
        state.Entries[path] =
            content + "|" + std::to_string(found.LastWriteTime) + "|" + std::to_string(found.Attributes);
    }
}

TState StateOf(sim::SimMachine& machine) {
    TState state;
    for (const char* root : {"C:\\", "R:\\"})
        Walk(machine, root, state);
    state.Registry = machine.Registry.Dump();
    return state;
}

// The differences, as lines a failing test prints; none when the two states are one.
std::vector<std::string> Differences(const TState& expected, const TState& actual) {
    std::vector<std::string> out;
    for (const auto& [path, value] : expected.Entries) {
        auto it = actual.Entries.find(path);
        if (it == actual.Entries.end())
            out.push_back("missing " + path);
        else if (it->second != value)
            out.push_back("differs " + path);
    }
    for (const auto& [path, value] : actual.Entries)
        if (!expected.Entries.contains(path)) out.push_back("left over " + path);
    // A record holds the lines of one run; the interrupted run's lines are the same ones, met again.
    for (const auto& [path, lines] : expected.Records) {
        auto it = actual.Records.find(path);
        std::set<std::string> want(lines.begin(), lines.end());
        if (it == actual.Records.end()) {
            out.push_back("missing " + path);
            continue;
        }
        std::set<std::string> got(it->second.begin(), it->second.end());
        if (got == want && got.size() == it->second.size()) continue;
        out.push_back("lines differ in " + path + " (" + std::to_string(it->second.size()) + " lines, " +
                      std::to_string(lines.size()) + " expected)");
        for (const std::string& line : want)
            if (!got.contains(line)) out.push_back("  missing line " + line);
        for (const std::string& line : got)
            if (!want.contains(line)) out.push_back("  extra line " + line);
    }
    for (const auto& [path, lines] : actual.Records)
        if (!expected.Records.contains(path)) out.push_back("left over " + path);
    for (const auto& [key, values] : expected.Registry) {
        auto it = actual.Registry.find(key);
        if (it == actual.Registry.end() || it->second != values)
            out.push_back("registry key " + key + ": " + values + " / " +
                          (it == actual.Registry.end() ? std::string("missing") : it->second));
    }
    for (const auto& [key, values] : actual.Registry)
        if (!expected.Registry.contains(key)) out.push_back("registry key left over " + key);
    return out;
}

// Each case's points are dealt out to kShards tests, which CTest runs side by side: shard s takes every
// kShards-th point from the s-th on.
constexpr std::uint64_t kShards = 2;

class Interruption : public ::testing::TestWithParam<std::tuple<TCase, std::uint64_t>> {};

// Every run inflates the whole payload and writes as much onto the simulated disks. Blocks that large come
// from mmap by default: each run's pages fault in afresh and go back to the system at its end, which
// doubles the time of a point. Kept in the heap, they are used again by the next run.
void KeepLargeBlocksInTheHeap() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

TEST_P(Interruption, EveryStopThenARunLeavesWhatOneRunLeaves) {
    KeepLargeBlocksInTheHeap();
    const auto& [c, shard] = GetParam();
    auto reference = NewMachine(c);
    ASSERT_EQ(RunTo(*reference, c.CommandLine), kExitDone);
    // The changes are counted on a run of their own, with nothing stopped.
    auto counting = NewMachine(c);
    std::uint64_t changes = 0;
    counting->Changes.BeforeChange = [&](std::uint64_t n, std::string_view, const std::string&) {
        changes = n;
    };
    ASSERT_EQ(RunTo(*counting, c.CommandLine), kExitDone);
    const TState expected = StateOf(*reference);
    ASSERT_GT(changes, 100u);
    // A run stopped after it stored its last file has installed whole: the next run is a second
    // installation over it, and leaves what that leaves (the estimated size then counts Install.log).
    ASSERT_EQ(RunTo(*reference, c.CommandLine), kExitDone);
    const TState again = StateOf(*reference);

    const auto begun = std::chrono::steady_clock::now();
    std::uint64_t points = 0, dealt = 0;
    bool pagesDone = false;
    for (std::uint64_t k = 1; k <= changes; k = k == changes ? k + 1 : std::min(changes, k + kStride)) {
        if (dealt++ % kShards != shard) continue;
        auto machine = NewMachine(c);
        std::string stoppedAt;
        if (c.Portable) {
            // The stick goes away just before change k, and every later call on it fails.
            machine->Changes.BeforeChange = [&](std::uint64_t n, std::string_view what,
                                                const std::string& path) {
                if (n != k) return;
                stoppedAt = std::string(what) + " " + path;
                machine->Volumes.SetPresent('R', false);
            };
        } else {
            machine->Changes.StopAt(k);
        }
        (void)RunTo(*machine, c.CommandLine);
        machine->Changes.BeforeChange = nullptr;
        machine->Volumes.SetPresent('R', true);
        // Once, in the middle, the person runs the wizard again instead, with its defaults.
        const bool pages = c.AlsoThroughThePages && shard == 0 && k >= changes / 2 && !pagesDone;
        pagesDone = pagesDone || pages;
        ASSERT_EQ(pages ? RunTo(*machine, "ulvara.exe", ThroughThePages()) : RunTo(*machine, c.CommandLine),
                  kExitDone)
            << "after a stop at change " << k << (pages ? ", through the pages" : "");
        const TState state = StateOf(*machine);
        std::vector<std::string> differences = Differences(expected, state);
        if (!differences.empty() && Differences(again, state).empty()) differences.clear();
        ++points;
        if (!differences.empty()) {
            std::string text;
            for (size_t i = 0; i < differences.size() && i < 12; ++i)
                text += "\n  " + differences[i];
            ADD_FAILURE() << c.Name << ": stopped at change " << k << " of " << changes << " (" << stoppedAt
                          << ")" << text;
            return;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    EXPECT_EQ(pagesDone, c.AlsoThroughThePages && shard == 0);
    std::printf("%s, share %llu of %llu: %llu interruption points of %llu changes, %.1f s\n", c.Name,
                static_cast<unsigned long long>(shard + 1), static_cast<unsigned long long>(kShards),
                static_cast<unsigned long long>(points), static_cast<unsigned long long>(changes), seconds);
}

void InstallOnce(sim::SimMachine& machine) {
    ASSERT_EQ(RunTo(machine, "ulvara.exe /VERYSILENT"), kExitDone);
    // The payload's files are older than the installed ones: the next run writes every one again.
    machine.Clock.SetUtcNow(kStart);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Interruption,
    ::testing::Combine(
        ::testing::Values(
            TCase{"an ordinary installation on an empty machine", "ulvara.exe /VERYSILENT", false, {}, true},
            TCase{"the same over an earlier installation", "ulvara.exe /VERYSILENT", false, InstallOnce},
            TCase{"a portable installation whose drive goes away",
                  "ulvara.exe /VERYSILENT /DIR=R:\\Ulvara",
                  true,
                  {}}),
        ::testing::Range<std::uint64_t>(0, kShards)),
    [](const auto& info) {
        return std::string(1, static_cast<char>('A' + info.index / kShards)) +
               std::to_string(info.index % kShards);
    });

} // namespace
} // namespace ulv::test
