#pragma once
// The components page's rules: how an amount of disk space is written, and what the checked items need.
#include "platform/ui/Controls.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ulv {

// "N Ko" (1,024 bytes, truncated) below 16 MiB - 1 byte unless the amount is an exact, non-zero number of
// MiB; "N Mo" (1,048,576 bytes, half to even) otherwise; digits grouped by three with a blank.
[[nodiscard]] std::string FormatDiskSize(std::int64_t bytes);

// The sum, wrapping as a signed 32-bit number, of the sizes of the items that are checked or locked.
[[nodiscard]] std::int32_t RequiredSpace(const std::vector<TListItem>& items);

} // namespace ulv
