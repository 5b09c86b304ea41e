// Writes one shell link through the Win32 shell adapter, for a reader that is not Windows to check:
//   LinkWriter.exe FOLDER     writes FOLDER\Ulvara.lnk to FOLDER\Modèles\vlmr.exe, started in FOLDER\Modèles
// The accented names and the description are Windows-1252 literals, as the setup's own are.
#include "platform/win32/DllLoading.h"
#include "platform/win32/Win32Shell.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* kDescription =
    "Traitement de texte compact, rapide, puissant, et par dessus tout pratique.";

int WriteLink(ulv::IShell& shell, const std::string& folder) {
    std::unique_ptr<ulv::IShellLinkObject> link = shell.CreateShellLink();
    if (!link) return 3;
    const std::string workingFolder = folder + "\\Modèles";
    if (link->SetPath(workingFolder + "\\vlmr.exe") != ulv::kSOk) return 4;
    if (link->SetWorkingDirectory(workingFolder) != ulv::kSOk) return 5;
    if (link->SetDescription(kDescription) != ulv::kSOk) return 6;
    ulv::HResult saved = link->Save(folder + "\\Ulvara.lnk", true);
    if (saved != ulv::kSOk) std::printf("save=0x%08lx\n", static_cast<unsigned long>(saved));
    return saved == ulv::kSOk ? 0 : 7;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    ulv::win32::RestrictDllSearchPath();
    ulv::win32::Win32Shell shell;
    ulv::HResult ole = shell.OleInitialize();
    if (ole != ulv::kSOk && ole != ulv::kSFalse) return 3;
    int rc = WriteLink(shell, argv[1]);
    shell.OleUninitialize();
    return rc;
}
