// The security the simulated file system keeps: an owner per entry and, for a folder made with a
// descriptor, its DACL as the SDDL text it was given.
#include "SimErrors.h"
#include "SimFiles.h"

#include <algorithm>
#include <string_view>

namespace ulv::sim {
namespace {

// The "D:" part of a descriptor's text, up to a SACL if one follows; nullopt (with the error
// ConvertStringSecurityDescriptorToSecurityDescriptorA gives) when the text has none or its entries are not
// six fields in parentheses.
std::optional<std::string> DaclPart(std::string_view sddl, std::uint32_t& error) {
    size_t at = sddl.find("D:");
    error = kErrorInvalidParameter;
    if (at == std::string_view::npos) return std::nullopt;
    error = kErrorInvalidAcl;
    std::string_view dacl = sddl.substr(at, sddl.find("S:", at) - at);
    for (size_t open = dacl.find('('); open != std::string_view::npos; open = dacl.find('(', open + 1)) {
        size_t close = dacl.find(')', open);
        if (close == std::string_view::npos) return std::nullopt;
        std::string_view ace = dacl.substr(open, close - open);
        if (std::count(ace.begin(), ace.end(), ';') != 5) return std::nullopt;
    }
    return std::string(dacl);
}

std::string SddlSid(const std::string& sid) {
    if (sid == kSidAdministrators) return "BA";
    if (sid == kSidLocalSystem) return "SY";
    return sid;
}

} // namespace

bool SimFiles::CreateDirectoryWithSddl(const std::string& path, const std::string& sddl) {
    std::uint32_t error = 0;
    std::optional<std::string> dacl = DaclPart(sddl, error);
    if (!dacl) return Fail(error);
    return MakeFolder(path, dacl);
}

std::optional<std::string> SimFiles::GetSecuritySddl(FileHandle file) {
    std::lock_guard guard(Lock);
    auto h = Handles.find(file);
    Node* node = NodeOf(file);
    if (!node) return Fail(kErrorInvalidHandle), std::nullopt;
    if (!(h->second.Access & (kReadControl | kGenericRead))) return Fail(kErrorAccessDenied), std::nullopt;
    if (node->Owner.empty()) return Fail(kErrorNotSupported), std::nullopt;
    return "O:" + SddlSid(node->Owner) + node->Dacl;
}

bool SimFiles::SetDacl(const std::string& path, const std::string& dacl) {
    std::lock_guard guard(Lock);
    Node* node = NodeAt(path);
    if (node) node->Dacl = dacl;
    return node != nullptr;
}

std::optional<std::string> SimFiles::DaclOf(const std::string& path) const {
    std::lock_guard guard(Lock);
    const Node* node = NodeAt(path);
    if (!node) return std::nullopt;
    return node->Dacl;
}

} // namespace ulv::sim
