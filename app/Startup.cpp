#include "Startup.h"

#include "engine/AttachFiles.h"
#include "engine/InstallThread.h"
#include "platform/ui/MessageDialog.h"
#include "resources/ResConst.h"
#include "utils/InstUtils.h"
#include "wizard/MainDlg.h"
#include "wizard/SetupSwitches.h"

#include <future>
#include <new>
#include <optional>
#include <span>
#include <system_error>
#include <thread>

namespace ulv {
namespace {

void SetApplicationIdentity(TPlatform& platform) {
    WindowHandle app = platform.Module.ApplicationWindow();
    if (IconHandle icon = platform.Module.LoadIconA(kAppIconId))
        platform.System.SendMessageA(app, kWmSetIcon, kIconBig, static_cast<std::intptr_t>(icon));
    platform.System.SetWindowTextA(app, std::string(kAppTitle));
}

// The setup's instance object, held to the end of the run. A copy of another user's that made it first may
// deny this one even the opening: that copy runs as surely. Any other failure leaves the run unguarded
// rather than refused, as setups were before there was a guard.
class SetupInstance {
public:
    explicit SetupInstance(ISystem& system) {
        std::uint32_t lastError = 0;
        Handle = UniqueHandle(system, system.CreateMutexA(std::string(kSetupInstanceName), lastError));
        RunningElsewhere = lastError == kErrorAlreadyExists || (!Handle && lastError == kErrorAccessDenied);
    }
    [[nodiscard]] bool HeldByAnotherCopy() const { return RunningElsewhere; }

private:
    UniqueHandle Handle;
    bool RunningElsewhere = false;
};

void ReportAnotherSetupRunning(ISystem& system) {
    system.MessageBoxA(0, std::string(kSetupAlreadyRunningText), std::string(kAppTitle),
                       kMbOk | kMbIconExclamation);
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
void StoreRunResults(TSetupRun& run, TInstallation& installation, TMainDlgForm* form, TInstUtils& utils) {
    run.EndInstallThread();
    if (form)
        form->SaveInstallSettings();
    else
        installation.SaveInstallSettings();
    if (!installation.Target.Portable) (void)utils.StoreInstallLog();
}

// The payload inflated on a thread of its own while the GUI thread builds the window: nothing else touches
// the index until Wait has returned. Without a thread to be had, it loads on the spot.
class PayloadLoad {
public:
    PayloadLoad(TAttachedFiles& files, std::span<const std::uint8_t> stream, TStartupTrace trace) {
        auto load = [this, &files, stream, trace] {
            Fault = LoadPayload(files, stream);
            if (trace) trace("payload");
        };
        try {
            Thread = std::thread(load);
        } catch (const std::system_error&) {
            load();
        }
    }
    PayloadLoad(const PayloadLoad&) = delete;
    PayloadLoad& operator=(const PayloadLoad&) = delete;
    ~PayloadLoad() { (void)Wait(); }

    [[nodiscard]] TPayloadFault Wait() {
        if (Thread.joinable()) Thread.join();
        return Fault;
    }

private:
    // Nothing may leave a thread's function: memory running out is the payload not fitting in it.
    static TPayloadFault LoadPayload(TAttachedFiles& files, std::span<const std::uint8_t> stream) {
        try {
            return files.Load(stream);
        } catch (const std::bad_alloc&) {
            return TPayloadFault::TooLarge;
        } catch (...) {
            return TPayloadFault::NotAStream;
        }
    }

    TPayloadFault Fault = TPayloadFault::None;
    std::thread Thread;
};

// The drive list's first reading, on a thread of its own while the window is built (each drive answers
// slowly); read when asked for when no thread can be had. The reading ends before the object does.
class DrivesReading {
public:
    DrivesReading(TPlatform& platform, TInstUtils& utils) {
        auto read = [&platform, &utils] { return ReadDrives(platform, utils); };
        try {
            Reading = std::async(std::launch::async, read);
        } catch (const std::system_error&) {
            Reading = std::async(std::launch::deferred, read);
        }
    }
    TDriveReading Take() { return Reading.get(); }

private:
    std::future<TDriveReading> Reading;
};

// Stops the worker and waits for it when the run ends, whichever way it ends: made after all that the worker
// reads (the index, the relay, the utilities, the status record), it goes before them.
class InstallThreadEnd {
public:
    explicit InstallThreadEnd(TSetupRun& run) : Run(run) {}
    InstallThreadEnd(const InstallThreadEnd&) = delete;
    InstallThreadEnd& operator=(const InstallThreadEnd&) = delete;
    ~InstallThreadEnd() { Run.EndInstallThread(); }

private:
    TSetupRun& Run;
};

// What the wizard's run needs from the entry, which owns it all.
struct TWizardRun {
    TPlatform& Platform;
    TInstUtils& Utils;
    TSetupRun& Run;
    TAskUserRelay& AskUser;
    // Set while the installation runs, for the relay.
    TInstallation*& Asking;
    TAttachedFiles& AttachedFiles;
    std::optional<PayloadLoad>& Load;
    std::optional<DrivesReading>& Drives;
    const TSetupSwitches& Switches;
};

// The run log's first lines: what ran, and how it was started.
bool StartRunLog(TRunLog& log, IFiles& files, const std::string& path, std::string_view commandLine) {
    if (!log.Open(files, path)) return false;
    log.Line(std::string(kAppTitle) + " " + std::string(kProductVersion));
    log.Line("Ligne de commande : " + std::string(commandLine));
    return true;
}

std::string LogFailureText(const std::string& path) {
    return "Impossible de créer le journal d'installation \"" + path +
           "\".\r\rVérifiez que son dossier existe et que vous pouvez y écrire. L'installation n'a pas "
           "commencé.";
}

// In the run log, and in a box unless none may show.
void ShowSwitchesHelp(ISystem& system, TRunLog& log, const TSetupSwitches& switches) {
    const std::string text = SwitchesHelpText();
    log.Line(text);
    if (switches.Mode != TSetupMode::VerySilent && !switches.SuppressMsgBoxes)
        system.MessageBoxA(0, text, std::string(kAppTitle), kMbOk | kMbIconInformation);
}

// What a deployment tool reads of the run's ending, in Windows Installer's terms: only the finishing step
// ends with success; a failure the person abandoned after, or an unexpected one, is a failed installation;
// any other ending (closed, cancelled, the licence declined) is the person's cancel.
int RunExitCode(const TInstallation& installation, const TMainDlgForm* form) {
    using enum TInstallation::TVerifyResult;
    if (installation.Verified)
        return *installation.Verified == Whole         ? kExitDone
               : *installation.Verified == NotRecorded ? kExitNotInstalled
                                                       : kExitNotWhole;
    if (installation.Refusal == TRunRefusal::WordProcessorRunning) return kExitWordProcessorRunning;
    if (installation.Refusal == TRunRefusal::UnusableDestination) return kExitInstallFailed;
    if ((form && form->Abandoned()) || installation.EndedByFailure) return kExitInstallFailed;
    return installation.Finished ? kExitDone : kExitCancelled;
}

// The wizard's way through the installation, or the unattended one: /VERYSILENT runs the installation with
// no window at all, and /SILENT shows the window once the installation has started, on the installing page.
void RunPages(TInstallation& installation, TMainDlgForm* form, TSetupMode mode) {
    switch (mode) {
    case TSetupMode::VerySilent:
        if (installation.Switches.Action == TSetupAction::Plan)
            (void)installation.RunPlan();
        else if (installation.Switches.Action == TSetupAction::Verify)
            installation.Verified = installation.RunVerify();
        else
            (void)installation.RunUnattended();
        break;
    case TSetupMode::Silent:
        if (form->StartUnattended()) form->ShowModal();
        break;
    case TSetupMode::Wizard:
        form->ShowModal();
        break;
    }
}

// The window is built, its controls created, while the payload loads; it is shown only once the payload is
// known good, else the damage is reported and no wizard shows. A run without pages makes no window, no
// control and no list: the installation reads its settings alone.
int RunWizard(TWizardRun w, TStartupTrace trace) {
    auto mark = [trace](const char* phase) {
        if (trace) trace(phase);
    };
    const TSetupMode mode = w.Switches.Mode;
    TInstallation installation(w.Platform, w.Utils, w.AttachedFiles, w.Run, w.Switches);
    std::optional<TMainDlgForm> form;
    if (w.Load && mode == TSetupMode::VerySilent) {
        installation.ReadInstallSettings();
    } else if (w.Load) {
        form.emplace(installation, [&w] { return w.Drives->Take(); });
        // The worker's end and its questions reach the window at once; the timer stays as it was.
        w.Run.InstallStatus.Notify = form->Waker();
        form->Owner = w.Platform.Module.ApplicationWindow();
        mark("wizard built");
        if (mode == TSetupMode::Wizard) form->CreateHandles();
        mark("windows created");
    }
    if (!w.Load || w.Load->Wait() != TPayloadFault::None) {
        form.reset();
        // The setup cannot do anything without its payload.
        w.Run.Log.Line(std::string(kDamagedSetupText));
        if (!w.Switches.ShowsNoMessage())
            w.Platform.System.MessageBoxA(0, std::string(kDamagedSetupText), std::string(kAppTitle),
                                          kMbOk | kMbIconHand);
        return kExitDamagedSetup;
    }

    w.AttachedFiles.Connect(w.Platform, w.Utils, w.AskUser.AsAskUser());
    w.AttachedFiles.FailureLog = &w.Run.Log;
    w.Asking = &installation;
    TMainDlgForm* window = form ? &*form : nullptr;
    std::optional<std::string> unforeseen;
    try {
        RunPages(installation, window, mode);
    } catch (const std::exception& failure) {
        // Out of the run without a window procedure around it (an unattended run's own walk): nobody may be
        // there to read a box, and the run must still end, with what an abandon stores stored.
        unforeseen = std::string(kUnexpectedFailureLogLine) + " : " + failure.what();
    } catch (...) {
        unforeseen = std::string(kUnexpectedFailureLogLine);
    }
    w.Asking = nullptr;
    if (unforeseen) {
        w.Run.Log.Line(*unforeseen);
        if (w.Run.InstallStarted) StoreRunResults(w.Run, installation, window, w.Utils);
        if (!w.Switches.ShowsNoMessage())
            w.Platform.System.MessageBoxA(0, std::string(kUnexpectedFailureText), std::string(kAppTitle),
                                          kMbOk | kMbIconHand);
        return w.Run.InstallStarted ? kExitInstallFailed : kExitUnexpectedFailure;
    }
    if (w.Run.InstallStarted) StoreRunResults(w.Run, installation, window, w.Utils);
    return RunExitCode(installation, window);
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

int RunSetup(TPlatform& platform, std::string_view commandLine, TStartupTrace trace) {
    if (!IsSupportedWindows(platform.System)) {
        platform.System.MessageBoxA(0, std::string(kOldWindowsText), std::nullopt,
                                    kMbOk | kMbIconExclamation);
        return kExitOldWindows;
    }
    // From here on the process follows no junction that a user who is not an administrator made, where
    // Windows offers that; elsewhere the setup's own checks of each folder stand alone.
    (void)platform.System.EnableRedirectionGuard();
    const TSetupSwitches switches = ParseSetupSwitches(ProgramParams(commandLine));
    // Taken before anything is read or written (the run log included: a second copy must not empty the
    // first one's), and given back after all else has ended. An unattended copy, or one told to show no
    // message box, only says so by its code.
    SetupInstance instance(platform.System);
    if (instance.HeldByAnotherCopy()) {
        if (!switches.ShowsNoMessage()) ReportAnotherSetupRunning(platform.System);
        return kExitAnotherSetupRunning;
    }
    TInstUtils utils(platform);
    TSetupRun run;
    // A run asked to keep a log that cannot be written would leave no record of what it did: it ends first.
    if (switches.LogPath && !StartRunLog(run.Log, platform.Files, *switches.LogPath, commandLine)) {
        if (!switches.ShowsNoMessage())
            platform.System.MessageBoxA(0, LogFailureText(*switches.LogPath), std::string(kAppTitle),
                                        kMbOk | kMbIconHand);
        return kExitLogFailure;
    }
    // Asked for the list of switches, the setup gives it and does nothing else, whatever else it was told.
    if (switches.Help) {
        ShowSwitchesHelp(platform.System, run.Log, switches);
        run.Log.Line("Code de sortie : " + std::to_string(kExitDone));
        return kExitDone;
    }
    // A deployment tool's command line it cannot follow ends the run before anything is read or written.
    if (switches.EndsAsInvalidParameter()) {
        for (const TSwitchProblem& problem : switches.Problems)
            run.Log.Line("Paramètre refusé : " + problem.Text);
        run.Log.Line("Code de sortie : " + std::to_string(kExitBadSwitch));
        return kExitBadSwitch;
    }
    // The index asks its questions through the relay, made here on the GUI thread so that it knows which
    // thread may show the wizard's dialog itself; from the install thread they go through the status
    // record. Nothing is extracted before the wizard is shown, and a question without it is abandoned. The
    // relay outlives the index, and the wizard pointer the relay.
    TInstallation* asking = nullptr;
    TAskUserRelay askUser(run.InstallStatus,
                          [&asking](const std::string& text, int kind, std::uint16_t buttons) {
                              return asking ? asking->Ask(text, kind, buttons) : kResultAbort;
                          });
    // The payload inflates on a thread of its own from here on, while the GUI thread builds the window.
    std::optional<std::span<const std::uint8_t>> stream =
        platform.Module.FindResourceData(kPayloadResourceName, kPayloadResourceType);
    std::unique_ptr<TAttachedFiles> attachedFiles = TAttachedFiles::CreateEmpty();
    std::optional<PayloadLoad> load;
    if (stream) load.emplace(*attachedFiles, *stream, trace);
    // An empty card reader or floppy drive must answer the setup's calls with a failure, never with the
    // system's "no disk in the drive" box: the drive lists poll every drive and the worker may write to one.
    // Set before the drives are read, which sets it for a moment and restores it.
    platform.Drives.SetErrorMode(platform.Drives.SetErrorMode(kSemFailCriticalErrors) |
                                 kSemFailCriticalErrors);
    // The drives are read from here on, while the first window loads the display driver: the reading
    // asks the file system only (and for a network drive, the network library, which registers nothing
    // with the window system as it loads).
    std::optional<DrivesReading> drives;
    if (switches.Mode != TSetupMode::VerySilent) drives.emplace(platform, utils);
    if (switches.Mode != TSetupMode::VerySilent) SetApplicationIdentity(platform);
    OleSession ole(platform.Shell);
    // Made last, gone first: on every way out of here, an exception's included, the worker has ended before
    // the objects above go; the index's end then also removes the run's temporary files.
    InstallThreadEnd workerEnd(run);
    const int code = RunWizard(
        TWizardRun{platform, utils, run, askUser, asking, *attachedFiles, load, drives, switches}, trace);
    run.Log.Line("Code de sortie : " + std::to_string(code));
    return code;
}

} // namespace ulv
