#pragma once
#include "Win32Types.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace ulv {

using WindowHandle = std::uintptr_t; // 0 is no window
using IconHandle = std::uintptr_t;

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
};

} // namespace ulv
