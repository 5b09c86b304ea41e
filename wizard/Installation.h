#pragma once
// The installation's own decisions, on values: what the pages and an unattended run both ask of it, without
// a control in sight.
#include "resources/ResConst.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace ulv {

// What the machine says of a destination, read once for its check.
struct TDestinationFacts {
    // The room each component takes on the destination's volume, in component order.
    std::array<std::int32_t, kComponentCount> ComponentSizes{};
    // The free space the caller may use there; none when it cannot be read (the drive gone, a network path
    // the system does not answer for).
    std::optional<std::uint64_t> FreeBytes;
    // The folder exists, or its nearest existing level lets the setup add a folder to it.
    bool CanBeMade = false;
};

// Why an unattended run refuses the destination `mainDir` (already completed by the page's rule) for the
// components of `components` (bit n for component n, the word processor's always counted), as its run log
// says it; nullopt when it is usable. Asked in the order a person meets them: an absolute path, room for the
// components (the components page's figures), a folder that can be made.
[[nodiscard]] std::optional<std::string>
DestinationRefusal(const std::string& mainDir, std::uint32_t components, const TDestinationFacts& facts);

// The room the components of `components` need: the components page's sum, wrapping as it does.
[[nodiscard]] std::int32_t ComponentsSpace(std::uint32_t components,
                                           const std::array<std::int32_t, kComponentCount>& sizes);

} // namespace ulv
