#pragma once
// The entry in the system's list of installed programs.
#include "wizard/InstallSettings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ulv {

// The uninstall entry's values in the order they are written.
[[nodiscard]] std::vector<TRegistryValue> UninstallValues(const std::string& mainDir, std::int32_t sizeKB);

} // namespace ulv
