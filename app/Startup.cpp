#include "Startup.h"

#include "engine/AttachFiles.h"
#include "engine/InstallThread.h"
#include "platform/ui/MessageDialog.h"
#include "resources/ResConst.h"
#include "utils/InstUtils.h"
#include "wizard/MainDlg.h"

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

// After the window has closed on an installation that began: the worker's end first, since it still reads
// the index and writes the log; then the choices, and the log of an ordinary installation (a failure to
// store it is not reported: the files are installed).
void StoreRunResults(TSetupRun& run, TMainDlgForm& form, TInstUtils& utils) {
    run.EndInstallThread();
    form.SaveInstallSettings();
    if (!form.IsPortableDestination()) (void)utils.StoreInstallLog();
}

} // namespace

std::vector<std::string> ProgramParams(std::string_view commandLine) {
    std::vector<std::string> params;
    size_t at = 0;
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    for (bool first = true;; first = false) {
        while (at < commandLine.size() && blank(commandLine[at]))
            ++at;
        if (at >= commandLine.size()) break;
        std::string param;
        bool quoted = false;
        for (; at < commandLine.size() && (quoted || !blank(commandLine[at])); ++at) {
            if (commandLine[at] == '"')
                quoted = !quoted;
            else
                param += commandLine[at];
        }
        if (!first) params.push_back(std::move(param));
    }
    return params;
}

bool IsSupportedWindows(ISystem& system) {
    TOsVersionInfo info;
    if (!system.GetVersionExA(info)) return false;
    return info.PlatformId == kVerPlatformWin32Nt && info.MajorVersion > 4;
}

int RunSetup(TPlatform& platform, std::string_view commandLine) {
    if (!IsSupportedWindows(platform.System)) {
        platform.System.MessageBoxA(0, std::string(kOldWindowsText), std::nullopt,
                                    kMbOk | kMbIconExclamation);
        return kExitOldWindows;
    }
    SetApplicationIdentity(platform);
    // An empty card reader or floppy drive must answer the setup's calls with a failure, never with the
    // system's "no disk in the drive" box: the drive lists poll every drive and the worker may write to one.
    platform.Drives.SetErrorMode(platform.Drives.SetErrorMode(kSemFailCriticalErrors) |
                                 kSemFailCriticalErrors);
    OleSession ole(platform.Shell);

    TInstUtils utils(platform);
    TSetupRun run;
    // The index asks its questions through the relay, made here on the GUI thread so that it knows which
    // thread may show the wizard's dialog itself; from the install thread they go through the status
    // record. Nothing is extracted before the wizard exists, and a question without it is abandoned. The
    // relay outlives the index, and the wizard pointer the relay.
    TMainDlgForm* wizard = nullptr;
    TAskUserRelay askUser(run.InstallStatus,
                          [&wizard](int kind, const std::string& text, std::uint16_t buttons) {
                              return wizard ? wizard->Ask(text, kind, buttons) : kResultAbort;
                          });
    TPayloadFault fault = TPayloadFault::None;
    std::unique_ptr<TAttachedFiles> attachedFiles =
        TAttachedFiles::Create(platform, utils, askUser.AsAskUser(), fault);
    if (!attachedFiles) {
        // The setup cannot do anything without its payload; nothing has been touched yet.
        platform.System.MessageBoxA(0, std::string(kDamagedSetupText), std::string(kAppTitle),
                                    kMbOk | kMbIconHand);
        return kExitDamagedSetup;
    }
    {
        TMainDlgForm form(platform, utils, *attachedFiles, run, ProgramParams(commandLine));
        form.Owner = platform.Module.ApplicationWindow();
        wizard = &form;
        // The modal result is not examined: every ending is a clean one.
        form.ShowModal();
        wizard = nullptr;
        if (run.InstallStarted) StoreRunResults(run, form, utils);
    }
    // The index goes last: its end also removes the run's temporary files.
    run.EndInstallThread();
    attachedFiles.reset();
    return kExitDone;
}

} // namespace ulv
