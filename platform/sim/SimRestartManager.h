#pragma once
#include "SimFiles.h"
#include "platform/RestartManager.h"

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ulv::sim {

// The Restart Manager of the simulated machine. The processes using a file are the program itself while a
// handle of its own is open on it (OwnProcess, listed as Windows lists it; RmRebootReasonDetectedSelf is not
// modelled) and the other processes a test says hold it, each named as the system names it and in its own
// session, whichever user's. Sessions are numbered from 1; a call on a session not started, or ended, fails
// with ERROR_INVALID_HANDLE. Present false is a system without one (Windows 2000, XP): every call answers
// kErrorModNotFound. A scripted error is RmGetList's answer, the list empty, as long as it is set.
class SimRestartManager final : public IRestartManager {
public:
    explicit SimRestartManager(SimFiles& files) : Files(files) {}

    // Another process has the file open as a running program holds its own image: others may read it but
    // not write, replace or delete it, until ReleaseFile. False when no file stands there.
    bool HoldFile(const std::string& path, TRmProcessInfo holder);
    void ReleaseFile(const std::string& path);
    [[nodiscard]] size_t OpenSessionCount() const;

    bool Present = true;
    std::optional<std::uint32_t> GetListError;
    TRmProcessInfo OwnProcess{0x0F24, 0, "ulvara-3.3.3.1-fr.exe", "", kRmMainWindow, 1, 1, false};

    std::uint32_t RmStartSession(RmSessionHandle& session) override;
    std::uint32_t RmRegisterResources(RmSessionHandle session,
                                      const std::vector<std::string>& files) override;
    std::uint32_t RmGetList(RmSessionHandle session, std::vector<TRmProcessInfo>& processes,
                            std::uint32_t& rebootReasons) override;
    std::uint32_t RmEndSession(RmSessionHandle session) override;

private:
    struct Holder {
        FileHandle Handle = kNoFile;
        std::string Path;
        TRmProcessInfo Process;
    };

    SimFiles& Files;
    mutable std::mutex Lock;
    std::map<RmSessionHandle, std::vector<std::string>> Sessions; // the files registered
    RmSessionHandle NextSession = 1;
    std::vector<Holder> Holders;
};

} // namespace ulv::sim
