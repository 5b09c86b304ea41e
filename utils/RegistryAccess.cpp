#include "RegistryAccess.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace ulv {

TRegistryAccess::TRegistryAccess(IRegistry& registry) : Registry(registry) {}

TRegistryAccess::~TRegistryAccess() = default;

void TRegistryAccess::SetRootKey(RegKey root) {
    CloseKey();
    Root = root;
}

RegKey TRegistryAccess::RootKey() const {
    return Root;
}

bool TRegistryAccess::OpenKey(const std::string& path) {
    return Open(path, true);
}

bool TRegistryAccess::OpenExistingKey(const std::string& path) {
    return Open(path, false);
}

bool TRegistryAccess::Open(const std::string& path, bool create) {
    bool fromRoot = !path.empty() && path.front() == '\\';
    RegKey parent = fromRoot || !Key ? Root : Key.Get();
    RegKey opened = kNoKey;
    const std::string subKey = fromRoot ? path.substr(1) : path;
    std::int32_t status =
        create ? Registry.RegCreateKeyExA(parent, subKey, kRegOptionNonVolatile, kKeyAllAccess, opened)
               : Registry.RegOpenKeyExA(parent, subKey, kKeyRead, opened);
    // The old key stays open until here: it may be the parent of the new one.
    Key = UniqueKey(Registry, opened);
    if (status != 0) Key.Reset();
    return status == 0;
}

void TRegistryAccess::CloseKey() {
    Key.Reset();
}

bool TRegistryAccess::HasOpenKey() const {
    return static_cast<bool>(Key);
}

bool TRegistryAccess::ValueExists(const std::string& name) {
    if (!Key) return false;
    std::uint32_t size = 0;
    return Registry.RegQueryValueExA(Key.Get(), name, nullptr, nullptr, size) == 0;
}

std::string TRegistryAccess::ReadString(const std::string& name) {
    if (!Key) return {};
    std::uint32_t size = 0;
    if (Registry.RegQueryValueExA(Key.Get(), name, nullptr, nullptr, size) != 0) return {};
    if (size == 0 || size > kMaxRegistryStringBytes) return {};
    std::vector<std::uint8_t> bytes(size);
    // Another process may rewrite the value between the two queries: a larger one fails with
    // ERROR_MORE_DATA and leaves a truncated buffer that must not be taken for the value.
    if (Registry.RegQueryValueExA(Key.Get(), name, nullptr, bytes.data(), size) != 0) return {};
    bytes.resize(std::min<size_t>(size, bytes.size()));
    auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return std::string(bytes.begin(), end);
}

std::optional<std::int32_t> TRegistryAccess::ReadInteger(const std::string& name) {
    if (!Key) return std::nullopt;
    std::uint8_t bytes[4] = {};
    std::uint32_t size = sizeof bytes;
    if (Registry.RegQueryValueExA(Key.Get(), name, nullptr, bytes, size) != 0) return std::nullopt;
    std::uint32_t value = 0;
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(size, sizeof bytes); ++i)
        value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    return static_cast<std::int32_t>(value);
}

std::optional<bool> TRegistryAccess::ReadBool(const std::string& name) {
    auto value = ReadInteger(name);
    if (!value) return std::nullopt;
    return *value != 0;
}

void TRegistryAccess::WriteString(const std::string& name, const std::string& value) {
    if (!Key || value.size() >= std::numeric_limits<std::uint32_t>::max()) return;
    auto size = static_cast<std::uint32_t>(value.size() + 1);
    // Failures are deliberately silent: without the right to write, the value is simply not stored.
    static_cast<void>(Registry.RegSetValueExA(Key.Get(), name, kRegSz,
                                              reinterpret_cast<const std::uint8_t*>(value.c_str()), size));
}

void TRegistryAccess::WriteInteger(const std::string& name, std::int32_t value) {
    if (!Key) return;
    auto bits = static_cast<std::uint32_t>(value);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                                   static_cast<std::uint8_t>(bits >> 16),
                                   static_cast<std::uint8_t>(bits >> 24)};
    static_cast<void>(Registry.RegSetValueExA(Key.Get(), name, kRegDword, bytes, sizeof bytes));
}

void TRegistryAccess::WriteBool(const std::string& name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

} // namespace ulv
