#pragma once
#include "ComPtr.h"
#include "platform/Shell.h"

#include <shlobj.h>

#include <string>

namespace ulv::win32 {

// The two faces of one CLSID_ShellLink object; both empty when it could not be made.
struct TShellLinkCom {
    ComPtr<IShellLinkA> Link;
    ComPtr<IPersistFile> File;
};
[[nodiscard]] TShellLinkCom CreateShellLinkCom();

// IPersistFile takes UTF-16 names; ours are in the system code page.
[[nodiscard]] std::wstring AnsiToWide(const std::string& text);

class Win32ShellLinkObject final : public IShellLinkObject {
public:
    explicit Win32ShellLinkObject(TShellLinkCom com) : Com(std::move(com)) {}
    HResult SetPath(const std::string& target) override;
    HResult SetWorkingDirectory(const std::string& folder) override;
    HResult SetDescription(const std::string& description) override;
    HResult Save(const std::string& linkPath, bool remember) override;

private:
    TShellLinkCom Com;
};

} // namespace ulv::win32
