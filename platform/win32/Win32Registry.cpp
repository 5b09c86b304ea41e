#include "Win32Platform.h"

namespace ulv::win32 {

namespace {

HKEY ToHkey(RegKey key) {
    return reinterpret_cast<HKEY>(key);
}

} // namespace

std::int32_t Win32Registry::RegCreateKeyExA(RegKey parent, const std::string& subKey, std::uint32_t options,
                                            std::uint32_t access, RegKey& result) {
    HKEY key = nullptr;
    LSTATUS status = ::RegCreateKeyExA(ToHkey(parent), subKey.c_str(), 0, nullptr, options, access, nullptr,
                                       &key, nullptr);
    result = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : kNoKey;
    return status;
}

std::int32_t Win32Registry::RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                                          RegKey& result) {
    HKEY key = nullptr;
    LSTATUS status = ::RegOpenKeyExA(ToHkey(parent), subKey.c_str(), 0, access, &key);
    result = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : kNoKey;
    return status;
}

std::int32_t Win32Registry::RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t* type,
                                             std::uint8_t* data, std::uint32_t& size) {
    DWORD valueType = 0;
    DWORD valueSize = size;
    LSTATUS status = ::RegQueryValueExA(ToHkey(key), name.c_str(), nullptr,
                                        type != nullptr ? &valueType : nullptr, data, &valueSize);
    if (type != nullptr) *type = valueType;
    size = valueSize;
    return status;
}

std::int32_t Win32Registry::RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type,
                                           const std::uint8_t* data, std::uint32_t size) {
    return ::RegSetValueExA(ToHkey(key), name.c_str(), 0, type, data, size);
}

std::int32_t Win32Registry::RegCloseKey(RegKey key) {
    return ::RegCloseKey(ToHkey(key));
}

std::int32_t Win32Registry::RegDeleteKeyA(RegKey parent, const std::string& subKey) {
    return ::RegDeleteKeyA(ToHkey(parent), subKey.c_str());
}

} // namespace ulv::win32
