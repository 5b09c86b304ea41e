// ulvara_install_log_bench [runs]
// Times what an ordinary installation adds to an Install.log kept from earlier installations and grown to
// the line cap: the log loaded from the file, then this run's lines added (each checked against every line
// held), median of the runs. The lines added are those of the program folder and the shared data, some of
// them already in the file, some repeated within the run.
#include "BenchMachine.h"
#include "utils/InstUtils.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::string kProgramFolder = "C:\\Program Files\\Ulvara";
const std::string kDataFolder = "C:\\ProgramData\\Ulvara\\Public";

std::vector<std::string> RunLines() {
    const std::string made(ulv::kMadeDirPrefix), copy(ulv::kFileCopyPrefix);
    return {made + kProgramFolder,
            copy + kProgramFolder + "\\vlmr.exe",
            copy + kProgramFolder + "\\Licence.txt",
            copy + kProgramFolder + "\\Coupe de mots.dat",
            made + "C:\\ProgramData\\Ulvara",
            made + kDataFolder,
            copy + kDataFolder + "\\Basic.asn",
            "FILE COPY: C:\\PROGRAM FILES\\ULVARA\\VLMR.EXE",
            made + kProgramFolder,
            copy + kDataFolder + "\\Basic.asn"};
}

// Earlier installations' lines up to the cap, ending with the last installation's, which this run's first
// lines repeat.
std::string OldLog() {
    const std::vector<std::string> run = RunLines();
    const size_t repeated = 3;
    std::string content;
    for (size_t i = 0; i + repeated < ulv::kMaxInstallLogLines; ++i)
        content += std::string(ulv::kFileCopyPrefix) + kProgramFolder +
                   "\\Modèles de document\\Mémos\\Mémo " + std::to_string(i) + ".rtf\r\n";
    for (size_t i = 0; i < repeated; ++i)
        content += run[i] + "\r\n";
    return content;
}

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    ulv::TPlatform& platform = BenchPlatform();
    ulv::TInstUtils utils(platform);
    const std::string folder = utils.GetTempFolder() + "ulvara-install-log-bench";
    const std::string log = ulv::JoinPath(folder, ulv::kInstallLogName);
    const std::string old = OldLog();
    if (!platform.Files.CreateDirectoryA(folder) && !utils.IsExistingDirectory(folder)) return 1;
    if (!utils.WriteStringToFile(log, old)) return 1;

    const std::vector<std::string> run = RunLines();
    std::vector<double> loads, adds;
    size_t added = 0;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        utils.CreateInstallLog(folder, false);
        loads.push_back(MsSince(start));
        start = std::chrono::steady_clock::now();
        for (const std::string& line : run)
            utils.AddLogLine(line);
        adds.push_back(MsSince(start));
        added = utils.InstallLog().size() - ulv::kMaxInstallLogLines;
    }
    (void)platform.Files.DeleteFileA(log);
    (void)platform.Files.RemoveDirectoryA(folder);

    std::printf("machine: %s\n", BenchMachineName());
    std::printf("Install.log: %zu lines, %zu bytes; %zu lines added (%zu new); %d runs, median\n",
                ulv::kMaxInstallLogLines, old.size(), run.size(), added, runs);
    std::printf("log loaded from the file: %.2f ms\n", Median(loads));
    std::printf("this run's lines added:   %.3f ms\n", Median(adds));
    return 0;
}
