#include "Win32Shell.h"

#include "DllLoading.h"
#include "Win32ShellLink.h"

#include <shlobj.h>

namespace ulv::win32 {
namespace {

FARPROC FindFolderPathExport() {
    for (const char* dll : {"shell32.dll", "shfolder.dll"}) {
        HMODULE module = LoadSystemLibrary(dll);
        if (!module) continue;
        if (FARPROC found = GetProcAddress(module, "SHGetFolderPathA")) return found;
    }
    return nullptr;
}

// INFOTIPSIZE: the longest description the shell keeps.
constexpr int kDescriptionSize = 1024;

} // namespace

Win32Shell::Win32Shell()
    : GetFolderPath(reinterpret_cast<GetFolderPathFn>(reinterpret_cast<void*>(FindFolderPathExport()))) {}

HResult Win32Shell::SHGetFolderPathA(int csidl, std::string& path) {
    if (!GetFolderPath) return kEFail;
    char buffer[MAX_PATH] = {};
    HRESULT result = GetFolderPath(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
    if (result == S_OK) path = buffer;
    return result;
}

HResult Win32Shell::OleInitialize() {
    return ::OleInitialize(nullptr);
}

void Win32Shell::OleUninitialize() {
    ::OleUninitialize();
}

std::unique_ptr<IShellLinkObject> Win32Shell::CreateShellLink() {
    TShellLinkCom com = CreateShellLinkCom();
    if (!com.File) return nullptr;
    return std::make_unique<Win32ShellLinkObject>(std::move(com));
}

std::optional<TShellLinkInfo> Win32Shell::ReadShellLink(const std::string& linkPath) {
    TShellLinkCom com = CreateShellLinkCom();
    if (!com.File || FAILED(com.File->Load(AnsiToWide(linkPath).c_str(), STGM_READ))) return std::nullopt;
    char target[MAX_PATH] = {}, folder[MAX_PATH] = {}, description[kDescriptionSize] = {};
    TShellLinkInfo info;
    if (SUCCEEDED(com.Link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))) info.Target = target;
    if (SUCCEEDED(com.Link->GetWorkingDirectory(folder, MAX_PATH))) info.WorkingDirectory = folder;
    if (SUCCEEDED(com.Link->GetDescription(description, kDescriptionSize))) info.Description = description;
    return info;
}

} // namespace ulv::win32
