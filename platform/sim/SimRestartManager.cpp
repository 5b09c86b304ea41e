#include "SimRestartManager.h"

#include <algorithm>

namespace ulv::sim {

bool SimRestartManager::HoldFile(const std::string& path, TRmProcessInfo holder) {
    FileHandle handle = Files.HoldElsewhere(path, kGenericRead, kFileShareRead);
    if (handle == kNoFile) return false;
    std::lock_guard guard(Lock);
    Holders.push_back({handle, path, std::move(holder)});
    return true;
}

void SimRestartManager::ReleaseFile(const std::string& path) {
    std::lock_guard guard(Lock);
    std::erase_if(Holders, [&](const Holder& holder) {
        if (holder.Path != path) return false;
        Files.ReleaseElsewhere(holder.Handle);
        return true;
    });
}

size_t SimRestartManager::OpenSessionCount() const {
    std::lock_guard guard(Lock);
    return Sessions.size();
}

std::uint32_t SimRestartManager::RmStartSession(RmSessionHandle& session) {
    if (!Present) return kErrorModNotFound;
    std::lock_guard guard(Lock);
    session = NextSession++;
    Sessions[session];
    return kErrorSuccess;
}

std::uint32_t SimRestartManager::RmRegisterResources(RmSessionHandle session,
                                                     const std::vector<std::string>& files) {
    if (!Present) return kErrorModNotFound;
    std::lock_guard guard(Lock);
    auto it = Sessions.find(session);
    if (it == Sessions.end()) return kErrorInvalidHandle;
    it->second.insert(it->second.end(), files.begin(), files.end());
    return kErrorSuccess;
}

std::uint32_t SimRestartManager::RmGetList(RmSessionHandle session, std::vector<TRmProcessInfo>& processes,
                                           std::uint32_t& rebootReasons) {
    processes.clear();
    rebootReasons = 0;
    if (!Present) return kErrorModNotFound;
    std::lock_guard guard(Lock);
    auto it = Sessions.find(session);
    if (it == Sessions.end()) return kErrorInvalidHandle;
    if (GetListError) return *GetListError;
    auto listed = [&](std::uint32_t id) {
        return std::any_of(processes.begin(), processes.end(), [id](auto& p) { return p.ProcessId == id; });
    };
    for (const std::string& file : it->second) {
        SimFiles::TFileUsers users = Files.UsersOf(file);
        if (users.Program && !listed(OwnProcess.ProcessId)) processes.push_back(OwnProcess);
        for (const Holder& holder : Holders)
            if (std::ranges::count(users.Elsewhere, holder.Handle) && !listed(holder.Process.ProcessId))
                processes.push_back(holder.Process);
    }
    return kErrorSuccess;
}

std::uint32_t SimRestartManager::RmEndSession(RmSessionHandle session) {
    if (!Present) return kErrorModNotFound;
    std::lock_guard guard(Lock);
    return Sessions.erase(session) ? kErrorSuccess : kErrorInvalidHandle;
}

} // namespace ulv::sim
