// Shows the wizard window, or its message dialog, as the setup builds them, for the tests to look at:
//   FormShow.exe --sheet N    the window with sheet N (0..7) active; prints "ready" once shown, and
//                             "closed R" with its modal result when it has been closed
//   FormShow.exe --message    the dialog for a file that cannot be written; prints "result R"
#include "engine/AttachFiles.h"
#include "platform/ui/MessageDialog.h"
#include "platform/win32/CommonControls.h"
#include "platform/win32/DllLoading.h"
#include "platform/win32/Win32Platform.h"
#include "wizard/MainDlg.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr unsigned kReadyTimer = 99;

int ShowSheet(int page) {
    ulv::win32::Win32Machine machine;
    ulv::TPlatform platform = machine.Platform();
    ulv::TMainDlgForm form(platform);
    form.ShowSheet(page);
    form.OnTimer = [](ulv::TForm& sender, unsigned id) {
        if (id != kReadyTimer) return;
        sender.StopTimer(kReadyTimer);
        std::printf("ready\n");
        std::fflush(stdout);
    };
    form.StartTimer(kReadyTimer, 200);
    int result = form.ShowModal();
    std::printf("closed %d\n", result);
    return 0;
}

int ShowMessage() {
    std::string text = ulv::CannotCreateFileText("C:\\Program Files\\Ulvara\\Modèles\\Lettre.vlt");
    int result = ulv::ShowWizardMessage(nullptr, text, ulv::kMessageError,
                                        ulv::kButtonAbort | ulv::kButtonRetry | ulv::kButtonIgnore);
    std::printf("result %d\n", result);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    ulv::win32::RestrictDllSearchPath();
    ulv::win32::InitCommonControls();
    if (argc == 3 && std::strcmp(argv[1], "--sheet") == 0) {
        int page = std::atoi(argv[2]);
        if (page < 0 || page >= ulv::kPageCount) return 2;
        return ShowSheet(page);
    }
    if (argc == 2 && std::strcmp(argv[1], "--message") == 0) return ShowMessage();
    std::fprintf(stderr, "usage: FormShow.exe --sheet N | --message\n");
    return 2;
}
