// Shows the wizard window, or its message dialog, as the setup builds them, for the tests to look at:
//   FormShow.exe --sheet N [--components] [--ask] [--rescale D] [--destination [PARAM]]
//                             the window with sheet N (0..7) active; prints "ready" once shown, and
//                             "closed R" with its modal result when it has been closed. Meanwhile it
//                             prints "next" for a click of NextBtn, "select I" when the user selects
//                             item I of the components list and "check I STATE" when the user toggles
//                             it. --components fills that list with the seven components (the first
//                             greyed, the next three checked), each drawn with a folder glyph;
//                             --ask makes NextBtn ask a yes/no question over the window and print
//                             "answer R"; --rescale D tells the shown window that it moved to a monitor of D
//                             dpi (WM_DPICHANGED) before saying "ready"; --destination reads the stored
//                             settings as the setup does (PARAM as its first parameter, "-d..." for
//                             instance), so the destination page's lists show the destination, lets
//                             the lists write into the edit and polls the drives every second; --throw
//                             makes NextBtn's handler and the close question throw, as an unexpected
//                             failure would
//   FormShow.exe --message    the dialog for a file that cannot be written; prints "result R"
#include "engine/AttachFiles.h"
#include "platform/ui/Images.h"
#include "platform/ui/MessageDialog.h"
#include "platform/win32/CommonControls.h"
#include "platform/win32/DllLoading.h"
#include "platform/win32/Win32Platform.h"
#include "resources/ResConst.h"
#include "utils/InstUtils.h"
#include "wizard/MainDlg.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr unsigned kReadyTimer = 99;
constexpr unsigned kDriveTimer = 2;

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

const char* StateName(ulv::TCheckState state) {
    switch (state) {
    case ulv::TCheckState::Checked:
        return "checked";
    case ulv::TCheckState::Grayed:
        return "greyed";
    default:
        return "unchecked";
    }
}

void FillComponents(ulv::TPlatform& platform, ulv::TMainDlgForm& form,
                    std::optional<ulv::TBitmapImage>& glyph) {
    // RT_BITMAP: the glyphs are bitmap resources.
    if (auto bytes = platform.Module.FindResourceData("CLOSEDFOLDER", reinterpret_cast<const char*>(2)))
        glyph = ulv::DecodeDib(*bytes);
    ulv::TCheckListBox& list = form.SelCompLstBx;
    list.ClearItems();
    for (std::string_view name : ulv::kComponentNames)
        list.AddItem(std::string(name));
    list.SetState(0, ulv::TCheckState::Grayed);
    for (int i = 1; i <= 3; ++i)
        list.SetChecked(i, true);
    list.OnDrawItem = [&glyph](ulv::TControl& sender, int index, ulv::TCanvas& canvas, const ulv::TRect& rect,
                               ulv::TOwnerDrawState) {
        canvas.FillRect(rect);
        int x = rect.Left + canvas.Scale(2);
        if (glyph) {
            canvas.DrawTransparent(*glyph, x, rect.Top + (rect.Height() - canvas.Scale(glyph->Height)) / 2);
            x += canvas.Scale(glyph->Width + 4);
        }
        const std::string& text =
            static_cast<ulv::TCustomList&>(sender).Items()[static_cast<std::size_t>(index)].Text;
        canvas.TextOut(x, rect.Top + (rect.Height() - canvas.TextExtent(text).Height) / 2, text);
        canvas.DrawText("1 234 Ko",
                        ulv::TRect{rect.Left, rect.Top, rect.Right - canvas.Scale(4), rect.Bottom},
                        ulv::kDtRight | ulv::kDtVCenter | ulv::kDtSingleLine);
    };
    list.OnChange = [&list](ulv::TControl&) { Say("select " + std::to_string(list.ItemIndex())); };
    list.OnClickCheck = [&list](ulv::TControl&) {
        Say("check " + std::to_string(list.ItemIndex()) + " " + StateName(list.State(list.ItemIndex())));
    };
}

// What the system sends a per-monitor aware window moved to a monitor of another resolution: the new
// resolution and a suggested place (here: where it stands).
void MoveToResolution(ulv::TForm& form, int dpi) {
    auto window = reinterpret_cast<HWND>(form.Native.Window);
    RECT suggested;
    GetWindowRect(window, &suggested);
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

struct TSheetOptions {
    bool Components = false, Ask = false, Destination = false, Throw = false;
    int Rescale = 0;
    std::vector<std::string> Params;
};

int ShowSheet(int page, const TSheetOptions& options) {
    bool components = options.Components, ask = options.Ask;
    int rescale = options.Rescale;
    ulv::win32::Win32Machine machine;
    ulv::TPlatform platform = machine.Platform();
    ulv::TInstUtils utils(platform);
    ulv::TPayloadFault fault = ulv::TPayloadFault::None;
    auto attachedFiles = ulv::TAttachedFiles::Create(platform, utils, {}, fault);
    if (!attachedFiles) return 3;
    ulv::TSetupRun run;
    ulv::TInstallation installation(platform, utils, *attachedFiles, run,
                                    ulv::ParseSetupSwitches(options.Params));
    ulv::TMainDlgForm form(installation);
    // The window as a picture: closing it asks nothing.
    form.OnCloseQuery = nullptr;
    if (options.Throw)
        form.OnCloseQuery = [](ulv::TForm&, bool&) {
            throw std::runtime_error("a close question that fails");
        };
    std::optional<ulv::TBitmapImage> glyph;
    if (components) FillComponents(platform, form, glyph);
    form.NextBtn.OnClick = [&form, ask, &options](ulv::TControl&) {
        Say("next");
        if (options.Throw) throw std::runtime_error("a handler that fails");
        if (ask)
            Say("answer " +
                std::to_string(ulv::ShowWizardMessage(&form, "Continuer ?", ulv::kMessageConfirmation,
                                                      ulv::kButtonYes | ulv::kButtonNo)));
    };
    // The window's construction has read the stored choices, with the destination of the parameters.
    if (options.Destination) form.StartTimer(kDriveTimer, 1000);
    form.ShowSheet(page);
    form.OnTimer = [rescale, &form](ulv::TForm& sender, unsigned id) {
        if (id == kDriveTimer) form.DriveTimer();
        if (id != kReadyTimer) return;
        sender.StopTimer(kReadyTimer);
        if (rescale) MoveToResolution(sender, rescale);
        Say("ready");
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
    if (argc >= 3 && std::strcmp(argv[1], "--sheet") == 0) {
        int page = std::atoi(argv[2]);
        TSheetOptions options;
        for (int i = 3; i < argc; ++i) {
            if (std::strcmp(argv[i], "--components") == 0)
                options.Components = true;
            else if (std::strcmp(argv[i], "--ask") == 0)
                options.Ask = true;
            else if (std::strcmp(argv[i], "--throw") == 0)
                options.Throw = true;
            else if (std::strcmp(argv[i], "--rescale") == 0 && i + 1 < argc)
                options.Rescale = std::atoi(argv[++i]);
            else if (std::strcmp(argv[i], "--destination") == 0) {
                options.Destination = true;
                if (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0)
                    options.Params.emplace_back(argv[++i]);
            } else
                return 2;
        }
        if (page < 0 || page >= ulv::kPageCount || options.Rescale < 0) return 2;
        return ShowSheet(page, options);
    }
    if (argc == 2 && std::strcmp(argv[1], "--message") == 0) return ShowMessage();
    std::fprintf(
        stderr,
        "usage: FormShow.exe --sheet N [--components] [--ask] [--rescale DPI] [--destination [PARAM]] "
        "[--throw] | --message\n");
    return 2;
}
