#pragma once
#include "SimFiles.h"
#include "platform/System.h"

#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace ulv::sim {

struct TMessageBoxCall {
    WindowHandle Owner = 0;
    std::string Text;
    std::optional<std::string> Caption;
    std::uint32_t Style = 0;
};

struct TSentMessage {
    WindowHandle Window = 0;
    std::uint32_t Message = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;
};

// A program the setup started itself: with WinExec, or with CreateProcessA (a current directory given).
struct TWinExecCall {
    std::string CommandLine;
    std::uint32_t ShowCommand = 0;
    std::optional<std::string> CurrentDirectory;
};

// The Windows version, and the user32 calls of the entry, recorded; message boxes answer from a script.
//
// Top-level windows are those a test adds (other processes' windows, as the program sees them), topmost
// the most recently added; property names are atoms, so their case does not matter. WinExec is recorded and
// looks for its program in the machine's files: a quoted first token, or an unquoted line cut at each blank
// in turn until a file is found, ".exe" added to a name without an extension, a relative name taken from the
// current directory (there is no search path). A file that begins as a program does ("MZ") answers 33, any
// other file 11, a folder 5, nothing found 2, as Wine answers; nothing runs. A result a test scripts replaces
// that answer for every later call. Named mutexes live while a handle of the program's, or another
// process's hold that a test sets, is open on them. The windows, WinExec and the mutexes are thread-safe.
// The accounts of the simulated machine: the administrator who runs the program, and a standard user.
inline constexpr const char* kSimAdministratorSid = "S-1-5-21-1004336348-1177238915-682003330-500";
inline constexpr const char* kSimUserSid = "S-1-5-21-1004336348-1177238915-682003330-1001";

class SimSystem final : public ISystem {
public:
    explicit SimSystem(SimFiles& files) : Files(files) {}

    void SetVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor,
                    std::uint32_t build = 0);
    void QueueMessageBoxAnswer(int result) { Answers.push_back(result); }

    bool GetVersionExA(TOsVersionInfo& info) override;
    int MessageBoxA(WindowHandle owner, const std::string& text, const std::optional<std::string>& caption,
                    std::uint32_t style) override;
    std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
    bool SetWindowTextA(WindowHandle window, const std::string& text) override;
    bool EnumWindows(const std::function<bool(WindowHandle)>& callback) override;
    std::uintptr_t GetPropA(WindowHandle window, const std::string& name) override;
    std::uint32_t WinExec(const std::string& commandLine, std::uint32_t showCommand) override;
    // Recorded with WinExec's; 0 when WinExec would answer 33, the WinExec answer otherwise (2, 5, 11).
    std::uint32_t CreateProcessA(const std::string& commandLine, const std::string& currentDirectory,
                                 std::uint32_t showCommand) override;
    KernelHandle CreateMutexA(const std::string& name, std::uint32_t& lastError) override;
    bool CloseHandle(KernelHandle handle) override;
    std::string ProcessUserSid() override { return UserSid; }
    std::optional<std::uint32_t> TokenElevationType() override { return ElevationType; }
    bool InAdministratorsGroup() override { return Administrator; }
    bool EnableRedirectionGuard() override;

    // The account the program runs as (an administrator's by default) and whether the system offers the
    // redirection guard (Windows 11 does, the default here; Wine does not).
    std::string UserSid = kSimAdministratorSid;
    // An administrator without a split token (User Account Control off) unless a test says otherwise.
    std::optional<std::uint32_t> ElevationType = kTokenElevationTypeDefault;
    bool Administrator = true;
    bool HasRedirectionGuard = true;
    [[nodiscard]] bool RedirectionGuardOn() const { return RedirectionGuardEnabled; }

    // Another process holds the named mutex until ReleaseElsewhere; one that denies access models another
    // user's process, whose object this program may not open.
    void HoldElsewhere(const std::string& name, bool deniesAccess = false);
    void ReleaseElsewhere(const std::string& name);
    // The program's own handles not closed yet.
    [[nodiscard]] size_t OpenKernelHandleCount() const;

    // A new top-level window, above the others, with its properties (name, value).
    WindowHandle AddTopLevelWindow(std::map<std::string, std::uintptr_t> props = {});
    // The window is destroyed; an enumeration under way no longer reaches it.
    void RemoveWindow(WindowHandle window);
    void SetWinExecResult(std::uint32_t result);
    [[nodiscard]] std::vector<TWinExecCall> WinExecCalls() const;

    std::vector<TMessageBoxCall> MessageBoxes;
    std::vector<TSentMessage> SentMessages;
    std::map<WindowHandle, std::string> WindowTexts;

    static constexpr WindowHandle kFirstTopLevelWindow = 0x40010;

private:
    struct TopLevelWindow {
        WindowHandle Handle = 0;
        std::map<std::string, std::uintptr_t> Props; // by upper-cased name
    };
    [[nodiscard]] std::vector<WindowHandle> WindowsTopFirst() const;
    [[nodiscard]] bool IsWindow(WindowHandle window) const;
    [[nodiscard]] std::uint32_t FindProgram(const std::string& commandLine);

    SimFiles& Files;
    TOsVersionInfo Version{6, 1, 7601, kVerPlatformWin32Nt};
    std::deque<int> Answers;

    mutable std::mutex Lock;             // the windows and WinExec
    std::vector<TopLevelWindow> Windows; // bottom first
    WindowHandle NextWindow = kFirstTopLevelWindow;
    std::optional<std::uint32_t> ScriptedWinExecResult;
    std::vector<TWinExecCall> WinExecs;
    std::map<KernelHandle, std::string> KernelHandles;
    std::map<std::string, bool> HeldElsewhere; // by name: whether it denies access
    KernelHandle NextKernelHandle = kFirstKernelHandle;
    static constexpr KernelHandle kFirstKernelHandle = 0x50004;
    bool RedirectionGuardEnabled = false;
};

// The program's module: resources a test puts in, icons by number, and the hidden application window.
class SimModule final : public IModule {
public:
    void PutResource(const std::string& name, const std::string& type, std::vector<std::uint8_t> bytes);
    void AddIcon(int resourceId) { Icons.insert(resourceId); }

    std::optional<std::span<const std::uint8_t>> FindResourceData(const char* name,
                                                                  const char* type) override;
    IconHandle LoadIconA(int resourceId) override;
    WindowHandle ApplicationWindow() override;

    int ResourceLookups = 0;
    int IconLoads = 0;
    bool ApplicationWindowCreated = false;

    static constexpr WindowHandle kApplicationWindow = 0x10010;
    static constexpr IconHandle kIconBase = 0x20000;

private:
    std::map<std::pair<std::string, std::string>, std::vector<std::uint8_t>> Resources;
    std::set<int> Icons;
};

} // namespace ulv::sim
