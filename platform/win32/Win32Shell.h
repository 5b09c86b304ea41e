#pragma once
#include "platform/Shell.h"

#include <windows.h>

namespace ulv::win32 {

// SHGetFolderPathA is looked up once, at construction: shell32 has it from Windows 2000 on, shfolder.dll is
// the redistributable that gives it to older systems. Both come from the system folder only.
class Win32Shell final : public IShell {
public:
    Win32Shell();
    HResult SHGetFolderPathA(int csidl, std::string& path) override;
    HResult OleInitialize() override;
    void OleUninitialize() override;
    std::unique_ptr<IShellLinkObject> CreateShellLink() override;
    std::optional<TShellLinkInfo> ReadShellLink(const std::string& linkPath) override;
    HResult ShellExecuteFromDesktop(const std::string& file, const std::string& arguments,
                                    const std::string& directory, std::uint32_t showCommand) override;

private:
    using GetFolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
    GetFolderPathFn GetFolderPath = nullptr;
};

} // namespace ulv::win32
