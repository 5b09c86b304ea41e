#include "DllLoading.h"
#include "Win32Platform.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace ulv::win32 {
namespace {

constexpr int kProcessRedirectionTrustPolicy = 16; // PROCESS_MITIGATION_POLICY
constexpr DWORD kEnforceRedirectionTrust = 0x1;    // the first bit of the policy's flags

std::optional<std::string> SidString(PSID sid) {
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) return std::nullopt;
    std::string result(text);
    LocalFree(text);
    return result;
}

std::optional<std::string> TokenUserSid(HANDLE token) {
    DWORD size = 0;
    if (GetTokenInformation(token, TokenUser, nullptr, 0, &size) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return std::nullopt;
    // TOKEN_USER holds a pointer: the buffer is made of pointer-sized words to keep it aligned.
    std::vector<ULONG_PTR> buffer(size / sizeof(ULONG_PTR) + 1);
    if (!GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return std::nullopt;
    return SidString(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

} // namespace

std::optional<std::string> Win32Files::GetOwnerSid(FileHandle file) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD result =
        ::GetSecurityInfo(reinterpret_cast<HANDLE>(file), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                          nullptr, nullptr, nullptr, &descriptor);
    if (result != ERROR_SUCCESS) {
        // GetSecurityInfo returns its error instead of setting it.
        ::SetLastError(result);
        return std::nullopt;
    }
    // The owner points into the descriptor.
    std::optional<std::string> sid = owner ? SidString(owner) : std::nullopt;
    LocalFree(descriptor);
    return sid;
}

std::optional<std::string> Win32Files::GetSecuritySddl(FileHandle file) {
    constexpr SECURITY_INFORMATION kWhat = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD result = ::GetSecurityInfo(reinterpret_cast<HANDLE>(file), SE_FILE_OBJECT, kWhat, nullptr, nullptr,
                                     nullptr, nullptr, &descriptor);
    if (result != ERROR_SUCCESS) {
        ::SetLastError(result);
        return std::nullopt;
    }
    char* text = nullptr;
    std::optional<std::string> sddl;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, kWhat, &text,
                                                             nullptr)) {
        sddl = text;
        LocalFree(text);
    }
    DWORD error = GetLastError();
    LocalFree(descriptor);
    ::SetLastError(error);
    return sddl;
}

bool Win32Files::CreateDirectoryWithSddl(const std::string& path, const std::string& sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    BOOL made = ::CreateDirectoryA(path.c_str(), &attributes);
    DWORD error = GetLastError();
    LocalFree(descriptor);
    ::SetLastError(error);
    return made != FALSE;
}

std::string Win32System::ProcessUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return "";
    std::optional<std::string> sid = TokenUserSid(token);
    ::CloseHandle(token);
    return sid.value_or("");
}

std::optional<std::uint32_t> Win32System::TokenElevationType() {
    constexpr int kTokenElevationTypeClass = 18; // TOKEN_INFORMATION_CLASS, from Windows Vista on
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::nullopt;
    DWORD type = 0, size = 0;
    BOOL read = GetTokenInformation(token, static_cast<TOKEN_INFORMATION_CLASS>(kTokenElevationTypeClass),
                                    &type, sizeof type, &size);
    ::CloseHandle(token);
    if (!read || size != sizeof type) return std::nullopt;
    return type;
}

bool Win32System::InAdministratorsGroup() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                  0, &administrators))
        return false;
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
    FreeSid(administrators);
    return member != FALSE;
}

bool Win32System::EnableRedirectionGuard() {
    using SetProcessMitigationPolicyFn = BOOL(WINAPI*)(int, PVOID, SIZE_T);
    auto setPolicy =
        MappedSystemExport<SetProcessMitigationPolicyFn>("kernel32.dll", "SetProcessMitigationPolicy");
    if (!setPolicy) return false;
    DWORD flags = kEnforceRedirectionTrust;
    return setPolicy(kProcessRedirectionTrustPolicy, &flags, sizeof flags) != FALSE;
}

} // namespace ulv::win32
