#include "DllLoading.h"
#include "Win32Convert.h"
#include "Win32Platform.h"

#include <algorithm>
#include <string>
#include <vector>

namespace ulv::win32 {
namespace {

// The list is asked again while it grows between two calls; past this many processes, or tries, the
// answer is taken as it stands.
constexpr UINT kMaxProcesses = 1024;
constexpr int kListTries = 4;

// A fixed buffer of the system's, not trusted to end with a NUL.
template <size_t N> std::string Narrow(const WCHAR (&text)[N]) {
    size_t size = 0;
    while (size < N && text[size] != L'\0')
        ++size;
    if (size == 0) return {};
    int length = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
    std::string narrow(length > 0 ? length : 0, '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(size), narrow.data(), length, nullptr, nullptr);
    return narrow;
}

TRmProcessInfo FromSystem(const RM_PROCESS_INFO& info) {
    const FILETIME& start = info.Process.ProcessStartTime;
    return TRmProcessInfo{info.Process.dwProcessId,
                          (FileTime{start.dwHighDateTime} << 32) | start.dwLowDateTime,
                          Narrow(info.strAppName),
                          Narrow(info.strServiceShortName),
                          static_cast<std::uint32_t>(info.ApplicationType),
                          info.AppStatus,
                          info.TSSessionId,
                          info.bRestartable != FALSE};
}

template <typename Fn> Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

bool Win32RestartManager::Loaded() {
    std::call_once(LoadOnce, [this] {
        HMODULE module = LoadSystemLibrary("rstrtmgr.dll");
        if (!module) return;
        StartSessionEntry = Export<decltype(StartSessionEntry)>(module, "RmStartSession");
        RegisterResourcesEntry = Export<decltype(RegisterResourcesEntry)>(module, "RmRegisterResources");
        GetListEntry = Export<decltype(GetListEntry)>(module, "RmGetList");
        EndSessionEntry = Export<decltype(EndSessionEntry)>(module, "RmEndSession");
    });
    return StartSessionEntry && RegisterResourcesEntry && GetListEntry && EndSessionEntry;
}

std::uint32_t Win32RestartManager::RmStartSession(RmSessionHandle& session) {
    if (!Loaded()) return kErrorModNotFound;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    DWORD handle = 0;
    DWORD error = StartSessionEntry(&handle, 0, key);
    session = handle;
    return error;
}

std::uint32_t Win32RestartManager::RmRegisterResources(RmSessionHandle session,
                                                       const std::vector<std::string>& files) {
    if (!Loaded()) return kErrorModNotFound;
    std::vector<std::wstring> wide;
    for (const std::string& file : files)
        wide.push_back(Widen(file));
    std::vector<LPCWSTR> names;
    for (const std::wstring& name : wide)
        names.push_back(name.c_str());
    return RegisterResourcesEntry(session, static_cast<UINT>(names.size()), names.data(), 0, nullptr, 0,
                                  nullptr);
}

std::uint32_t Win32RestartManager::RmGetList(RmSessionHandle session, std::vector<TRmProcessInfo>& processes,
                                             std::uint32_t& rebootReasons) {
    processes.clear();
    rebootReasons = 0;
    if (!Loaded()) return kErrorModNotFound;
    std::vector<RM_PROCESS_INFO> found;
    DWORD error = ERROR_MORE_DATA;
    for (int i = 0; i < kListTries && error == ERROR_MORE_DATA; ++i) {
        // Wine's stub leaves the reasons as they were.
        UINT needed = 0, given = static_cast<UINT>(found.size());
        DWORD reasons = 0;
        error = GetListEntry(session, &needed, &given, found.empty() ? nullptr : found.data(), &reasons);
        rebootReasons = reasons;
        if (error == ERROR_SUCCESS) found.resize(std::min<UINT>(given, static_cast<UINT>(found.size())));
        if (error == ERROR_MORE_DATA) found.resize(std::min(needed, kMaxProcesses));
    }
    if (error != ERROR_SUCCESS) return error;
    for (const RM_PROCESS_INFO& info : found)
        processes.push_back(FromSystem(info));
    return ERROR_SUCCESS;
}

std::uint32_t Win32RestartManager::RmEndSession(RmSessionHandle session) {
    if (!Loaded()) return kErrorModNotFound;
    return EndSessionEntry(session);
}

} // namespace ulv::win32
