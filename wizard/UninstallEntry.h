#pragma once
// The entry in the system's list of installed programs.
#include "wizard/InstallSettings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ulv {

// Measured once the files are written; the other values follow from the destination alone.
inline constexpr std::string_view kEstimatedSizeValue = "EstimatedSize";

// The uninstall entry's values in the order they are written.
[[nodiscard]] std::vector<TRegistryValue> UninstallValues(const std::string& mainDir, std::int32_t sizeKB);

} // namespace ulv
