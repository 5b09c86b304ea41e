#pragma once
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

// The Windows version, and the user32 calls of the entry, recorded; message boxes answer from a script.
class SimSystem final : public ISystem {
public:
    void SetVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor,
                    std::uint32_t build = 0);
    void QueueMessageBoxAnswer(int result) { Answers.push_back(result); }

    bool GetVersionExA(TOsVersionInfo& info) override;
    int MessageBoxA(WindowHandle owner, const std::string& text, const std::optional<std::string>& caption,
                    std::uint32_t style) override;
    std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
    bool SetWindowTextA(WindowHandle window, const std::string& text) override;

    std::vector<TMessageBoxCall> MessageBoxes;
    std::vector<TSentMessage> SentMessages;
    std::map<WindowHandle, std::string> WindowTexts;

private:
    TOsVersionInfo Version{6, 1, 7601, kVerPlatformWin32Nt};
    std::deque<int> Answers;
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
