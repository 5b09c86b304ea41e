#include "SimSystem.h"

#include "SimText.h"

namespace ulv::sim {

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

} // namespace ulv::sim
