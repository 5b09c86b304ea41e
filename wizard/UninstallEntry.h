#pragma once
// The entry in the system's list of installed programs.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ulv {

// One value of the uninstall entry.
struct TRegistryValue {
    std::string_view Name;
    std::uint32_t Type = 0; // REG_SZ or REG_DWORD
    std::string Text;
    std::int32_t Number = 0;
};

// The uninstall entry's values in the order they are written.
[[nodiscard]] std::vector<TRegistryValue> UninstallValues(const std::string& mainDir, std::int32_t sizeKB);

} // namespace ulv
