#include "Startup.h"

#include "engine/AttachFiles.h"
#include "resources/ResConst.h"
#include "utils/InstUtils.h"

namespace ulv {
namespace {

void SetApplicationIdentity(TPlatform& platform) {
    WindowHandle app = platform.Module.ApplicationWindow();
    if (IconHandle icon = platform.Module.LoadIconA(kAppIconId))
        platform.System.SendMessageA(app, kWmSetIcon, kIconBig, static_cast<std::intptr_t>(icon));
    platform.System.SetWindowTextA(app, std::string(kAppTitle));
}

// OLE for the program's life (the shell links need it on the GUI thread).
class OleSession {
public:
    explicit OleSession(IShell& shell) : Shell(shell), Ready(shell.OleInitialize() >= 0) {}
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    ~OleSession() {
        if (Ready) Shell.OleUninitialize();
    }

private:
    IShell& Shell;
    bool Ready;
};

} // namespace

bool IsSupportedWindows(ISystem& system) {
    TOsVersionInfo info;
    if (!system.GetVersionExA(info)) return false;
    return info.PlatformId == kVerPlatformWin32Nt && info.MajorVersion > 4;
}

int RunSetup(TPlatform& platform, std::string_view /*commandLine*/) {
    if (!IsSupportedWindows(platform.System)) {
        platform.System.MessageBoxA(0, std::string(kOldWindowsText), std::nullopt,
                                    kMbOk | kMbIconExclamation);
        return kExitOldWindows;
    }
    SetApplicationIdentity(platform);
    OleSession ole(platform.Shell);

    TInstUtils utils(platform);
    // Nothing is extracted before the wizard exists; its message dialog will answer here.
    TAskUser askUser = [](int, const std::string&, std::uint16_t) { return kResultAbort; };
    TPayloadFault fault = TPayloadFault::None;
    std::unique_ptr<TAttachedFiles> attachedFiles = TAttachedFiles::Create(platform, utils, askUser, fault);
    if (!attachedFiles) {
        // The setup cannot do anything without its payload; nothing has been touched yet.
        platform.System.MessageBoxA(0, std::string(kDamagedSetupText), std::string(kAppTitle),
                                    kMbOk | kMbIconHand);
        return kExitDamagedSetup;
    }
    return kExitDone;
}

} // namespace ulv
