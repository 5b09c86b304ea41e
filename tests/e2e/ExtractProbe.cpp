// ExtractProbe check PAYLOAD DEST        the install thread writes the whole payload into DEST (a new
// folder),
//                                        then every file's bytes and last-write time are checked
// ExtractProbe bench PAYLOAD BASE RUNS   times the worker beside bare write loops, each run into new folders
//                                        under BASE
// ExtractProbe bare PAYLOAD DEST         one bare write loop into DEST (a new folder) of the files an
//                                        installation writes; prints its milliseconds
#include "engine/AttachFiles.h"
#include "engine/InstallThread.h"
#include "platform/win32/DllLoading.h"
#include "platform/win32/Win32Platform.h"
#include "resources/ResConst.h"
#include "tests/support/PayloadFiles.h"
#include "utils/InstUtils.h"
#include "wizard/InstallPlan.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The catalogue's file lists, queued as the plan would, every file written whatever is there.
void QueueEverything(ulv::TAttachedFiles& files, const std::string& dest) {
    for (int c = 0; c < ulv::kComponentCount; ++c) {
        std::string_view list = ulv::kComponentFiles[c];
        size_t start = 0;
        while (start <= list.size()) {
            size_t cut = std::min(list.find('\r', start), list.size());
            files.QueueForInstall(ulv::test::Request(std::string(list.substr(start, cut - start)), dest, c,
                                                     ulv::TInstallMode::Always));
            start = cut + 1;
        }
    }
}

// Runs the worker over the queues, the calling thread playing the wizard; false when it asked a question
// (answered with abandon) or did not end stopped.
bool RunWorker(ulv::TAttachedFiles& files, ulv::TInstUtils& utils) {
    ulv::TInstallThreadStatus status;
    ulv::TInstallThread thread(files, utils, status);
    for (;;) {
        std::uint8_t state = status.WaitWhile(ulv::isRunning);
        if (state == ulv::isAskUser && status.TakeQuestion()) {
            std::printf("question: %s\n", status.DlgMsg.c_str());
            status.Answer(ulv::kResultAbort);
            continue;
        }
        if (state == ulv::isStopped || state == ulv::isFailed) break;
    }
    thread.Join();
    return status.Load() == ulv::isStopped && status.Progress.load() == files.QueuedTotal();
}

struct Harness {
    ulv::win32::Win32Machine Machine;
    ulv::TPlatform Platform = Machine.Platform();
    ulv::TInstUtils Utils{Platform};
    std::unique_ptr<ulv::TAttachedFiles> Files;

    bool Load(const char* payload) {
        Files = ulv::test::LoadPayloadFile(payload);
        if (!Files) return false;
        Files->Connect(Platform, Utils,
                       [](const std::string&, int, std::uint16_t) { return ulv::kResultAbort; });
        return true;
    }
};

int Check(Harness& h, const std::string& dest) {
    QueueEverything(*h.Files, dest);
    h.Utils.CreateInstallLog(dest, true);
    if (!RunWorker(*h.Files, h.Utils)) return std::printf("worker did not end as stopped\n"), 1;
    int bad = 0;
    for (const ulv::TAttachedFile& e : h.Files->Entries) {
        std::string path = ulv::JoinPath(dest, e.Name);
        if (!ulv::test::HoldsEntryBytes(path, *h.Files, e)) {
            std::printf("bytes differ: %s\n", e.Name.c_str());
            ++bad;
        } else if (h.Utils.FileModifiedDate(path) != e.Time) {
            std::printf("time differs: %s\n", e.Name.c_str());
            ++bad;
        }
    }
    std::printf("checked %zu files, %d bad\n", h.Files->Entries.size(), bad);
    return bad == 0 ? 0 : 1;
}

FILETIME UtcStamp(const ulv::TAttachedFile& e) {
    ulv::TCivilTime t;
    FILETIME local{}, utc{};
    if (ulv::DecodeDateTime(e.Time, t)) {
        WORD date = static_cast<WORD>((t.Year - 1980) << 9 | t.Month << 5 | t.Day);
        WORD tod = static_cast<WORD>(t.Hour << 11 | t.Minute << 5 | t.Second / 2);
        DosDateTimeToFileTime(date, tod, &local);
        LocalFileTimeToFileTime(&local, &utc);
    }
    return utc;
}

// The write loop with nothing around it: folders as they first appear, then per file one create, one
// write, the stamp and the close; `reopen` stamps through a second open instead, as a separate step.
void BareLoop(Harness& h, const std::string& dest, bool reopen) {
    std::set<std::string> made;
    CreateDirectoryA(dest.c_str(), nullptr);
    for (const ulv::TAttachedFile& e : h.Files->Entries) {
        std::string path = ulv::JoinPath(dest, e.Name);
        for (size_t cut = path.find('\\', dest.size() + 1); cut != std::string::npos;
             cut = path.find('\\', cut + 1))
            if (made.insert(path.substr(0, cut)).second)
                CreateDirectoryA(path.substr(0, cut).c_str(), nullptr);
        FILETIME utc = UtcStamp(e);
        HANDLE f = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) {
            std::printf("bare loop cannot create %s\n", path.c_str());
            std::exit(1);
        }
        DWORD written = 0;
        WriteFile(f, h.Files->Payload() + e.DataOffset, static_cast<DWORD>(e.Size), &written, nullptr);
        if (!reopen) SetFileTime(f, nullptr, nullptr, &utc);
        CloseHandle(f);
        if (reopen) {
            f = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
            SetFileTime(f, nullptr, nullptr, &utc);
            CloseHandle(f);
        }
    }
}

// An installation writes the American spelling cache twice, the second time under the British name; so does
// this, beside the first copy.
void WriteBritishCache(Harness& h, const std::string& dest) {
    for (const ulv::TAttachedFile& e : h.Files->Entries) {
        if (e.Name != "English (American).cache") continue;
        std::string path = ulv::JoinPath(dest, e.Name.substr(0, e.Name.rfind('\\') + 1) +
                                                   std::string(ulv::kBritishCacheName));
        HANDLE f = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return;
        DWORD written = 0;
        FILETIME utc = UtcStamp(e);
        WriteFile(f, h.Files->Payload() + e.DataOffset, static_cast<DWORD>(e.Size), &written, nullptr);
        SetFileTime(f, nullptr, nullptr, &utc);
        CloseHandle(f);
    }
}

template <typename F> double TimeMs(F&& f) {
    auto start = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int Bench(Harness& h, const std::string& base, int runs) {
    std::vector<double> worker, bare, reopen;
    CreateDirectoryA(base.c_str(), nullptr);
    for (int i = 0; i < runs; ++i) {
        std::string w = base + "\\w" + std::to_string(i), b = base + "\\b" + std::to_string(i),
                    r = base + "\\r" + std::to_string(i);
        for (int c = 0; c < ulv::kQueueCount; ++c)
            h.Files->ClearQueue(c);
        QueueEverything(*h.Files, w);
        // The order rotates from run to run, so that none of the three always writes behind the others'
        // dirty pages.
        for (int k = 0; k < 3; ++k) {
            switch ((i + k) % 3) {
            case 0:
                worker.push_back(TimeMs([&] { RunWorker(*h.Files, h.Utils); }));
                break;
            case 1:
                bare.push_back(TimeMs([&] { BareLoop(h, b, false); }));
                break;
            default:
                reopen.push_back(TimeMs([&] { BareLoop(h, r, true); }));
                break;
            }
        }
    }
    std::printf("%zu files, %d bytes, %d runs, median, each run into new folders\n", h.Files->Entries.size(),
                h.Files->QueuedTotal(), runs);
    std::printf("worker (install thread, stamp on the writing handle): %.1f ms\n", Median(worker));
    std::printf("bare loop, stamp on the writing handle:                %.1f ms\n", Median(bare));
    std::printf("bare loop, stamp through a second open:                %.1f ms\n", Median(reopen));
    std::printf("ratio reopen/handle: %.2f\n", Median(reopen) / Median(bare));
    std::printf("ratio worker/bare: %.2f\n", Median(worker) / Median(bare));
    return 0;
}

// One run in a process of its own, so that a caller can interleave it with other measurements.
int BareOnce(Harness& h, const std::string& dest) {
    double ms = TimeMs([&] {
        BareLoop(h, dest, false);
        WriteBritishCache(h, dest);
    });
    std::printf("%.1f\n", ms);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    ulv::win32::RestrictDllSearchPath();
    if (argc < 4)
        return std::fprintf(stderr,
                            "usage: ExtractProbe check|bare PAYLOAD DEST | bench PAYLOAD BASE RUNS\n"),
               2;
    Harness h;
    if (!h.Load(argv[2])) return std::printf("cannot load %s\n", argv[2]), 1;
    if (!std::strcmp(argv[1], "check")) return Check(h, argv[3]);
    if (!std::strcmp(argv[1], "bare")) return BareOnce(h, argv[3]);
    if (!std::strcmp(argv[1], "bench") && argc == 5)
        return Bench(h, argv[3], std::max(1, std::atoi(argv[4])));
    return 2;
}
