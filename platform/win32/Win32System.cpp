#include "Win32Platform.h"
#include "WindowClass.h"

#include <set>
#include <string>

namespace ulv::win32 {
namespace {

constexpr const char* kAppWindowClass = "UlvaraSetupApplication";

HMODULE OwnModule() {
    return GetModuleHandleA(nullptr);
}

using WindowCallback = std::function<bool(WindowHandle)>;

// noexcept: should the callback throw after all, the program ends here instead of unwinding through user32.
BOOL CALLBACK EachTopLevelWindow(HWND window, LPARAM context) noexcept {
    const auto& callback = *reinterpret_cast<const WindowCallback*>(context);
    // Nothing thrown may cross the system's enumeration: it ends there.
    try {
        return callback(reinterpret_cast<WindowHandle>(window)) ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

} // namespace

// Class names are the program's own, one per kind of window: a set of them is the record of what is
// registered, kept for the process's life as the classes are.
bool RegisterClassOnce(const WNDCLASSEXA& windowClass) {
    static std::mutex lock;
    static std::set<std::string> registered;
    std::lock_guard guard(lock);
    if (registered.contains(windowClass.lpszClassName)) return true;
    if (!RegisterClassExA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    registered.insert(windowClass.lpszClassName);
    return true;
}

bool Win32System::GetVersionExA(TOsVersionInfo& info) {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v; // 148 bytes
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExA(&v)) return false;
#pragma GCC diagnostic pop
    info = TOsVersionInfo{v.dwMajorVersion, v.dwMinorVersion, v.dwBuildNumber, v.dwPlatformId};
    return true;
}

int Win32System::MessageBoxA(WindowHandle owner, const std::string& text,
                             const std::optional<std::string>& caption, std::uint32_t style) {
    return ::MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption ? caption->c_str() : nullptr,
                         style);
}

std::intptr_t Win32System::SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
    return ::SendMessageA(reinterpret_cast<HWND>(window), message, wParam, lParam);
}

bool Win32System::SetWindowTextA(WindowHandle window, const std::string& text) {
    return ::SetWindowTextA(reinterpret_cast<HWND>(window), text.c_str()) != FALSE;
}

bool Win32System::EnumWindows(const std::function<bool(WindowHandle)>& callback) {
    return ::EnumWindows(EachTopLevelWindow, reinterpret_cast<LPARAM>(&callback)) != FALSE;
}

std::uintptr_t Win32System::GetPropA(WindowHandle window, const std::string& name) {
    return reinterpret_cast<std::uintptr_t>(::GetPropA(reinterpret_cast<HWND>(window), name.c_str()));
}

std::uint32_t Win32System::WinExec(const std::string& commandLine, std::uint32_t showCommand) {
    return ::WinExec(commandLine.c_str(), showCommand);
}

constexpr DWORD kInputIdleWaitMs = 30000;

std::uint32_t Win32System::CreateProcessA(const std::string& commandLine, const std::string& currentDirectory,
                                          std::uint32_t showCommand) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process{};
    std::string line = commandLine; // CreateProcessA may write into its command line
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &process))
        return ::GetLastError();
    // As WinExec does: until the program waits for input, or 30 seconds.
    (void)::WaitForInputIdle(process.hProcess, kInputIdleWaitMs);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return 0;
}

KernelHandle Win32System::CreateMutexA(const std::string& name, std::uint32_t& lastError) {
    // Only ERROR_ALREADY_EXISTS is promised on success: the value left over from an earlier call must not
    // pass for it.
    ::SetLastError(ERROR_SUCCESS);
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name.c_str());
    lastError = ::GetLastError();
    return reinterpret_cast<KernelHandle>(mutex);
}

bool Win32System::CloseHandle(KernelHandle handle) {
    return ::CloseHandle(reinterpret_cast<HANDLE>(handle)) != FALSE;
}

Win32Module::~Win32Module() {
    if (AppWindow) DestroyWindow(AppWindow);
}

std::optional<std::span<const std::uint8_t>> Win32Module::FindResourceData(const char* name,
                                                                           const char* type) {
    HRSRC info = ::FindResourceA(OwnModule(), name, type);
    if (!info) return std::nullopt;
    HGLOBAL loaded = ::LoadResource(OwnModule(), info);
    DWORD size = ::SizeofResource(OwnModule(), info);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) return std::nullopt;
    return std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(bytes), size);
}

IconHandle Win32Module::LoadIconA(int resourceId) {
    return reinterpret_cast<IconHandle>(::LoadIconA(OwnModule(), MAKEINTRESOURCEA(resourceId)));
}

WindowHandle Win32Module::ApplicationWindow() {
    if (AppWindow) return reinterpret_cast<WindowHandle>(AppWindow);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = OwnModule();
    wc.lpszClassName = kAppWindowClass;
    RegisterClassOnce(wc);
    // Hidden: it carries the application's title and icon and owns the program's windows.
    AppWindow = CreateWindowExA(0, kAppWindowClass, "", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                0, 0, 0, 0, nullptr, nullptr, OwnModule(), nullptr);
    return reinterpret_cast<WindowHandle>(AppWindow);
}

} // namespace ulv::win32
