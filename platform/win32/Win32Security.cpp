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

std::string Win32System::ProcessUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return "";
    std::optional<std::string> sid = TokenUserSid(token);
    ::CloseHandle(token);
    return sid.value_or("");
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
