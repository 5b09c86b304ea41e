#pragma once
#include "Win32Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ulv {

using RmSessionHandle = std::uint32_t;

constexpr std::uint32_t kErrorCallNotImplemented = 120;
// Where the system has no Restart Manager (before Windows Vista): rstrtmgr.dll, or one of its calls, missing.
constexpr std::uint32_t kErrorModNotFound = 126;

// RM_APP_TYPE and RM_REBOOT_REASON values the program reads.
constexpr std::uint32_t kRmUnknownApp = 0;
constexpr std::uint32_t kRmMainWindow = 1;
constexpr std::uint32_t kRmService = 3;
constexpr std::uint32_t kRmRebootReasonDetectedSelf = 0x10;

// RM_PROCESS_INFO, its names in the ANSI code page.
struct TRmProcessInfo {
    std::uint32_t ProcessId = 0;
    FileTime ProcessStartTime = 0;
    std::string AppName;
    std::string ServiceShortName;
    std::uint32_t ApplicationType = kRmUnknownApp;
    std::uint32_t AppStatus = 0;
    std::uint32_t TSSessionId = 0;
    bool Restartable = false;
};

// The Restart Manager: which processes, in any session of the machine, use a file. Every call answers
// ERROR_SUCCESS or the error; where the system has none, kErrorModNotFound. Wine 8 has only stubs: a session
// starts, registration succeeds, and the list is always empty, for a file held open too.
class IRestartManager {
public:
    virtual ~IRestartManager() = default;
    // RmStartSession: a new session in `session`, to be ended by RmEndSession.
    [[nodiscard]] virtual std::uint32_t RmStartSession(RmSessionHandle& session) = 0;
    // RmRegisterResources with files only, as full paths; a file need not exist.
    [[nodiscard]] virtual std::uint32_t RmRegisterResources(RmSessionHandle session,
                                                            const std::vector<std::string>& files) = 0;
    // RmGetList: the processes that use a registered file now, whatever their session or user, the whole
    // list (asked again while it grows), and the RM_REBOOT_REASON bits (0 when the system says none). On
    // failure `processes` is empty.
    [[nodiscard]] virtual std::uint32_t RmGetList(RmSessionHandle session,
                                                  std::vector<TRmProcessInfo>& processes,
                                                  std::uint32_t& rebootReasons) = 0;
    virtual std::uint32_t RmEndSession(RmSessionHandle session) = 0;
};

// A Restart Manager session, ended once; StartError() is what RmStartSession answered.
class UniqueRmSession {
public:
    explicit UniqueRmSession(IRestartManager& manager)
        : Manager(manager), Error(manager.RmStartSession(Handle)) {}
    UniqueRmSession(const UniqueRmSession&) = delete;
    UniqueRmSession& operator=(const UniqueRmSession&) = delete;
    ~UniqueRmSession() {
        if (Error == kErrorSuccess) (void)Manager.RmEndSession(Handle);
    }

    [[nodiscard]] std::uint32_t StartError() const { return Error; }
    [[nodiscard]] RmSessionHandle Get() const { return Handle; }

private:
    IRestartManager& Manager;
    RmSessionHandle Handle = 0;
    const std::uint32_t Error;
};

} // namespace ulv
