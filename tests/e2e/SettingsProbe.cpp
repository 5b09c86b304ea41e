// Reads and stores the wizard's settings through the real registry, as the setup does, for the end-to-end
// test to check with Wine's own reader:
//   SettingsProbe.exe read PAYLOAD [PARAM]
//       prints the settings read (with PARAM as the program's first parameter)
//   SettingsProbe.exe save PAYLOAD DEST [UNCHECK...]
//       reads them, takes DEST as the destination, unchecks the listed components, stores them
#include "engine/AttachFiles.h"
#include "platform/win32/DllLoading.h"
#include "platform/win32/Win32Platform.h"
#include "tests/support/TestFiles.h"
#include "utils/InstUtils.h"
#include "wizard/MainDlg.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

char StateLetter(ulv::TCheckState state) {
    return state == ulv::TCheckState::Checked ? 'C' : state == ulv::TCheckState::Grayed ? 'G' : 'U';
}

void PrintSettings(const ulv::TMainDlgForm& form) {
    const ulv::TInstallation& installation = form.Installation;
    std::printf("MainDir=%s\n", installation.Options.MainDir.c_str());
    std::printf("Components=0x%08X\n", static_cast<unsigned>(installation.Options.Components));
    std::printf("Extensions=%s\n", installation.Options.Extensions.c_str());
    std::printf("LastRunVersion=%d\n", static_cast<int>(installation.LastRunVersion));
    std::printf("InstallToAll=%d Desktop=%d Launch=%d\n", form.InstallToAllChkBx.Checked(),
                form.DesktopChkBx.Checked(), form.FinishChkBx.Checked());
    std::string items;
    for (const ulv::TListItem& item : form.SelCompLstBx.Items())
        items += StateLetter(item.State);
    std::printf("Items=%s\n", items.c_str());
}

int Run(int argc, char** argv) {
    std::string command = argv[1];
    std::vector<std::uint8_t> stream = ulv::test::ReadHostFile(argv[2]);
    ulv::win32::Win32Machine machine;
    ulv::TPlatform platform = machine.Platform();
    ulv::TInstUtils utils(platform);
    ulv::TPayloadFault fault = ulv::TPayloadFault::None;
    std::unique_ptr<ulv::TAttachedFiles> files = ulv::TAttachedFiles::FromStream(stream, fault);
    if (!files) return 3;
    files->Connect(platform, utils, [](const std::string&, int, std::uint16_t) { return ulv::kResultAbort; });
    ulv::TSetupRun run;
    std::vector<std::string> params;
    if (command == "read" && argc > 3) params.emplace_back(argv[3]);
    ulv::TInstallation installation(platform, utils, *files, run, ulv::ParseSetupSwitches(params));
    ulv::TMainDlgForm form(installation);
    if (command == "read") {
        PrintSettings(form);
        return 0;
    }
    if (command != "save" || argc < 4) return 2;
    installation.Options.MainDir = argv[3];
    for (int i = 4; i < argc; ++i)
        form.SelCompLstBx.SetChecked(std::atoi(argv[i]), false);
    form.TakeChoicesFromPages(); // as the installation's start does, with its target
    installation.FixInstallTarget();
    form.SaveInstallSettings();
    std::printf("saved portable=%d\n", installation.Target.Portable);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    ulv::win32::RestrictDllSearchPath();
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: SettingsProbe.exe read PAYLOAD [PARAM] | save PAYLOAD DEST [UNCHECK...]\n");
        return 2;
    }
    return Run(argc, argv);
}
