#pragma once
// The components page's rule: how an amount of disk space is written.
#include "platform/ui/Controls.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ulv {

// "N Ko" (1,024 bytes, truncated) below 16 MiB - 1 byte unless the amount is an exact, non-zero number of
// MiB; "N Mo" (1,048,576 bytes, half to even) otherwise; digits grouped by three with a blank.
[[nodiscard]] std::string FormatDiskSize(std::int64_t bytes);

} // namespace ulv
