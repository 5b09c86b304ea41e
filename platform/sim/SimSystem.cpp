#include "SimSystem.h"

#include "SimErrors.h"
#include "SimText.h"

#include <algorithm>

namespace ulv::sim {
namespace {

constexpr std::uint32_t kWinExecStarted = 33;
constexpr std::uint32_t kErrorBadFormat = 11;
constexpr WindowHandle kWindowHandleStep = 0x10;

// The names CreateProcess tries, in its order, for the program of a command line.
std::vector<std::string> ProgramCandidates(const std::string& commandLine) {
    if (commandLine.starts_with('"')) {
        std::size_t close = commandLine.find('"', 1);
        return {commandLine.substr(1, close == std::string::npos ? std::string::npos : close - 1)};
    }
    std::vector<std::string> names;
    for (std::size_t blank = commandLine.find_first_of(" \t");;
         blank = commandLine.find_first_of(" \t", blank + 1)) {
        names.push_back(commandLine.substr(0, blank));
        if (blank == std::string::npos) break;
    }
    return names;
}

std::string WithExeExtension(std::string name) {
    std::size_t lastPart = name.find_last_of("\\/:");
    std::size_t dot = name.rfind('.');
    bool hasExtension = dot != std::string::npos && (lastPart == std::string::npos || dot > lastPart);
    if (!hasExtension) name += ".exe";
    return name;
}

} // namespace

void SimSystem::SetVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor,
                           std::uint32_t build) {
    Version = TOsVersionInfo{major, minor, build, platformId};
}

bool SimSystem::GetVersionExA(TOsVersionInfo& info) {
    info = Version;
    return true;
}

int SimSystem::MessageBoxA(WindowHandle owner, const std::string& text,
                           const std::optional<std::string>& caption, std::uint32_t style) {
    MessageBoxes.push_back({owner, text, caption, style});
    if (Answers.empty()) return 1; // IDOK
    int answer = Answers.front();
    Answers.pop_front();
    return answer;
}

std::intptr_t SimSystem::SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
    SentMessages.push_back({window, message, wParam, lParam});
    return 0;
}

bool SimSystem::SetWindowTextA(WindowHandle window, const std::string& text) {
    if (window == 0) return false;
    WindowTexts[window] = text;
    return true;
}

bool SimSystem::EnumWindows(const std::function<bool(WindowHandle)>& callback) {
    // The list is taken first, as user32 does, so the callback may query or remove windows; one removed
    // meanwhile is skipped.
    for (WindowHandle window : WindowsTopFirst()) {
        if (!IsWindow(window)) continue;
        if (!callback(window)) return false;
    }
    return true;
}

std::uintptr_t SimSystem::GetPropA(WindowHandle window, const std::string& name) {
    std::lock_guard guard(Lock);
    auto it = std::find_if(Windows.begin(), Windows.end(), [&](const auto& w) { return w.Handle == window; });
    if (it == Windows.end()) return 0;
    auto prop = it->Props.find(UpperAnsi(name));
    return prop == it->Props.end() ? 0 : prop->second;
}

std::uint32_t SimSystem::WinExec(const std::string& commandLine, std::uint32_t showCommand) {
    std::uint32_t found = FindProgram(commandLine);
    std::lock_guard guard(Lock);
    WinExecs.push_back({commandLine, showCommand, std::nullopt});
    return ScriptedWinExecResult.value_or(found);
}

std::uint32_t SimSystem::CreateProcessA(const std::string& commandLine, const std::string& currentDirectory,
                                        std::uint32_t showCommand) {
    std::uint32_t found = FindProgram(commandLine);
    std::lock_guard guard(Lock);
    WinExecs.push_back({commandLine, showCommand, currentDirectory});
    std::uint32_t result = ScriptedWinExecResult.value_or(found);
    return result == kWinExecStarted ? 0 : result;
}

std::uint32_t SimSystem::FindProgram(const std::string& commandLine) {
    for (const std::string& name : ProgramCandidates(commandLine)) {
        if (name.empty()) continue;
        std::string program = WithExeExtension(name);
        std::uint32_t attributes = Files.GetFileAttributesA(program);
        if (attributes == kInvalidFileAttributes) continue;
        if (attributes & kFileAttributeDirectory) return kErrorAccessDenied;
        std::optional<std::string> content = Files.FileContent(program);
        return content && content->starts_with("MZ") ? kWinExecStarted : kErrorBadFormat;
    }
    return kErrorFileNotFound;
}

KernelHandle SimSystem::CreateMutexA(const std::string& name, std::uint32_t& lastError) {
    std::lock_guard guard(Lock);
    auto elsewhere = HeldElsewhere.find(name);
    if (elsewhere != HeldElsewhere.end() && elsewhere->second) {
        lastError = kErrorAccessDenied;
        return kNoHandle;
    }
    bool exists = !name.empty() && (elsewhere != HeldElsewhere.end() ||
                                    std::any_of(KernelHandles.begin(), KernelHandles.end(),
                                                [&](const auto& h) { return h.second == name; }));
    lastError = exists ? kErrorAlreadyExists : 0;
    KernelHandle handle = NextKernelHandle;
    NextKernelHandle += 4;
    KernelHandles[handle] = name;
    return handle;
}

bool SimSystem::CloseHandle(KernelHandle handle) {
    std::lock_guard guard(Lock);
    return KernelHandles.erase(handle) == 1;
}

void SimSystem::HoldElsewhere(const std::string& name, bool deniesAccess) {
    std::lock_guard guard(Lock);
    HeldElsewhere[name] = deniesAccess;
}

void SimSystem::ReleaseElsewhere(const std::string& name) {
    std::lock_guard guard(Lock);
    HeldElsewhere.erase(name);
}

size_t SimSystem::OpenKernelHandleCount() const {
    std::lock_guard guard(Lock);
    return KernelHandles.size();
}

WindowHandle SimSystem::AddTopLevelWindow(std::map<std::string, std::uintptr_t> props) {
    TopLevelWindow window;
    for (auto& [name, value] : props)
        window.Props[UpperAnsi(name)] = value;
    std::lock_guard guard(Lock);
    window.Handle = NextWindow;
    NextWindow += kWindowHandleStep;
    Windows.push_back(std::move(window));
    return Windows.back().Handle;
}

void SimSystem::RemoveWindow(WindowHandle window) {
    std::lock_guard guard(Lock);
    std::erase_if(Windows, [&](const auto& w) { return w.Handle == window; });
}

void SimSystem::SetWinExecResult(std::uint32_t result) {
    std::lock_guard guard(Lock);
    ScriptedWinExecResult = result;
}

std::vector<TWinExecCall> SimSystem::WinExecCalls() const {
    std::lock_guard guard(Lock);
    return WinExecs;
}

std::vector<WindowHandle> SimSystem::WindowsTopFirst() const {
    std::lock_guard guard(Lock);
    std::vector<WindowHandle> handles;
    for (auto it = Windows.rbegin(); it != Windows.rend(); ++it)
        handles.push_back(it->Handle);
    return handles;
}

bool SimSystem::IsWindow(WindowHandle window) const {
    std::lock_guard guard(Lock);
    return std::any_of(Windows.begin(), Windows.end(), [&](const auto& w) { return w.Handle == window; });
}

void SimModule::PutResource(const std::string& name, const std::string& type,
                            std::vector<std::uint8_t> bytes) {
    Resources[{UpperAnsi(name), UpperAnsi(type)}] = std::move(bytes);
}

std::optional<std::span<const std::uint8_t>> SimModule::FindResourceData(const char* name, const char* type) {
    ++ResourceLookups;
    auto it = Resources.find({UpperAnsi(name), UpperAnsi(type)});
    if (it == Resources.end()) return std::nullopt;
    return std::span<const std::uint8_t>(it->second);
}

IconHandle SimModule::LoadIconA(int resourceId) {
    ++IconLoads;
    return Icons.contains(resourceId) ? kIconBase + static_cast<IconHandle>(resourceId) : 0;
}

WindowHandle SimModule::ApplicationWindow() {
    ApplicationWindowCreated = true;
    return kApplicationWindow;
}

bool SimSystem::EnableRedirectionGuard() {
    if (HasRedirectionGuard) RedirectionGuardEnabled = true;
    return HasRedirectionGuard;
}

} // namespace ulv::sim
