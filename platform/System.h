#pragma once
#include "Win32Types.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace ulv {

using WindowHandle = std::uintptr_t; // 0 is no window
using IconHandle = std::uintptr_t;
using KernelHandle = std::uintptr_t; // a kernel object's; kNoHandle is never a valid one
constexpr KernelHandle kNoHandle = 0;

// ShowWindow command for WinExec: the program's window appears in its normal state.
constexpr std::uint32_t kSwShow = 5;

// TOKEN_ELEVATION_TYPE.
constexpr std::uint32_t kTokenElevationTypeDefault = 1;
constexpr std::uint32_t kTokenElevationTypeFull = 2;
constexpr std::uint32_t kTokenElevationTypeLimited = 3;

struct TOsVersionInfo {
    std::uint32_t MajorVersion = 0;
    std::uint32_t MinorVersion = 0;
    std::uint32_t BuildNumber = 0;
    std::uint32_t PlatformId = 0;
};

// The program's own module: its resources and the application's hidden main window.
class IModule {
public:
    virtual ~IModule() = default;
    // FindResourceA + LoadResource + LockResource + SizeofResource on the program's own module, for a
    // resource of a named type. The bytes stay mapped for the life of the process; nothing is copied.
    [[nodiscard]] virtual std::optional<std::span<const std::uint8_t>> FindResourceData(const char* name,
                                                                                        const char* type) = 0;
    // LoadIconA of a numbered icon of the program's own module; 0 when missing.
    [[nodiscard]] virtual IconHandle LoadIconA(int resourceId) = 0;
    // The application's main window: hidden, created on first use, the owner of the program's windows.
    [[nodiscard]] virtual WindowHandle ApplicationWindow() = 0;
};

// Operating-system identity and the few user32 calls the entry makes itself.
class ISystem {
public:
    virtual ~ISystem() = default;
    // OSVERSIONINFOA of 148 bytes; false when the call fails.
    [[nodiscard]] virtual bool GetVersionExA(TOsVersionInfo& info) = 0;
    // caption == nullopt passes NULL, so the system's default title is shown.
    virtual int MessageBoxA(WindowHandle owner, const std::string& text,
                            const std::optional<std::string>& caption, std::uint32_t style) = 0;
    virtual std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                       std::intptr_t lParam) = 0;
    virtual bool SetWindowTextA(WindowHandle window, const std::string& text) = 0;

    // EnumWindows over the top-level windows of every process on the desktop, topmost first; the callback
    // returns false to stop. False when the enumeration was stopped by the callback or failed. The callback
    // must not throw: an exception cannot unwind through the system's frames, and one that tries ends the
    // program.
    virtual bool EnumWindows(const std::function<bool(WindowHandle)>& callback) = 0;
    // GetPropA: the property's value, 0 when the window has none of that name (or is gone). Property names
    // are atoms, compared without regard to case; any process may read another's windows' properties.
    [[nodiscard]] virtual std::uintptr_t GetPropA(WindowHandle window, const std::string& name) = 0;
    // WinExec: starts a command line without waiting; above 31 on success, else the error (2: file not
    // found, 5: a folder, 11: not a program, ...). A quoted first token is the program; an unquoted one
    // is taken up to each blank in turn until a file is found, as CreateProcess does; ".exe" is added to a
    // name without an extension, and a name without a folder is looked for along the system's search path.
    virtual std::uint32_t WinExec(const std::string& commandLine, std::uint32_t showCommand) = 0;
    // CreateProcessA(no application name, the command line, no handles inherited, `currentDirectory`,
    // STARTUPINFOA with STARTF_USESHOWWINDOW and showCommand), then, as WinExec does, WaitForInputIdle for up
    // to 30 seconds (a program that ends, or has no window, ends the wait); the handles it gives are
    // closed. 0 once started, else GetLastError (2: not found, 5: access denied, 193: not a program...). The
    // program is found as WinExec finds it.
    virtual std::uint32_t CreateProcessA(const std::string& commandLine, const std::string& currentDirectory,
                                         std::uint32_t showCommand) = 0;

    // CreateMutexA without security attributes, not owned at creation: a handle to the named mutex, made
    // or opened. lastError is GetLastError right after the call: 0 when this call made the object,
    // ERROR_ALREADY_EXISTS when it was there (a handle to it is still given); on failure kNoHandle and the
    // reason (ERROR_ACCESS_DENIED when another user's process made it without granting this one access).
    // The object lives while any process holds a handle to it. Names are case-sensitive; a "Global\"
    // prefix puts the name in the machine's namespace, seen from every session, none or "Local\" in the
    // caller's session only.
    [[nodiscard]] virtual KernelHandle CreateMutexA(const std::string& name, std::uint32_t& lastError) = 0;
    // CloseHandle of a handle this port gave.
    virtual bool CloseHandle(KernelHandle handle) = 0;

    // GetTokenInformation(TokenUser) of the process's token as a string SID; empty when it cannot be read.
    [[nodiscard]] virtual std::string ProcessUserSid() = 0;
    // GetTokenInformation(TokenElevationType) of the process's token: kTokenElevationTypeDefault (no split
    // token: User Account Control off, a service, SYSTEM), ...Full (raised by User Account Control) or
    // ...Limited; nullopt where the system has no such class (before Windows Vista) or the call fails.
    [[nodiscard]] virtual std::optional<std::uint32_t> TokenElevationType() = 0;
    // CheckTokenMembership(no token: the process's, the Administrators group): true where the group is
    // enabled in the token (an administrator raised by User Account Control or without it, SYSTEM); false for
    // a standard user and for an administrator's limited token, or when the call fails.
    [[nodiscard]] virtual bool InAdministratorsGroup() = 0;
    // SetProcessMitigationPolicy(ProcessRedirectionTrustPolicy) with EnforceRedirectionTrust: from then on
    // the process does not follow junctions that users who are not administrators made. Resolved at run
    // time; false when the system has no such policy or refuses it.
    virtual bool EnableRedirectionGuard() = 0;
};

// Owns a kernel object's handle of an ISystem; closes it once.
class UniqueHandle {
public:
    UniqueHandle() = default;
    UniqueHandle(ISystem& system, KernelHandle handle) : System(&system), Handle(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : System(other.System), Handle(other.Handle) {
        other.Handle = kNoHandle;
    }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            System = other.System;
            Handle = other.Handle;
            other.Handle = kNoHandle;
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    [[nodiscard]] KernelHandle Get() const { return Handle; }
    explicit operator bool() const { return Handle != kNoHandle; }
    void Reset() {
        if (Handle != kNoHandle) System->CloseHandle(Handle);
        Handle = kNoHandle;
    }

private:
    ISystem* System = nullptr;
    KernelHandle Handle = kNoHandle;
};

} // namespace ulv
