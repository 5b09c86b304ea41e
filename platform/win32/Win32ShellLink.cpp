#include "Win32ShellLink.h"

namespace ulv::win32 {

TShellLinkCom CreateShellLinkCom() {
    TShellLinkCom com;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                com.Link.PutVoid())))
        return {};
    if (FAILED(com.Link->QueryInterface(IID_IPersistFile, com.File.PutVoid()))) return {};
    return com;
}

std::wstring AnsiToWide(const std::string& text) {
    if (text.empty()) return {};
    int size = static_cast<int>(text.size());
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

HResult Win32ShellLinkObject::SetPath(const std::string& target) {
    return Com.Link->SetPath(target.c_str());
}

HResult Win32ShellLinkObject::SetWorkingDirectory(const std::string& folder) {
    return Com.Link->SetWorkingDirectory(folder.c_str());
}

HResult Win32ShellLinkObject::SetDescription(const std::string& description) {
    return Com.Link->SetDescription(description.c_str());
}

HResult Win32ShellLinkObject::Save(const std::string& linkPath, bool remember) {
    std::wstring wide = AnsiToWide(linkPath);
    return Com.File->Save(wide.c_str(), remember ? TRUE : FALSE);
}

} // namespace ulv::win32
