#include "wizard/Installation.h"
#include "wizard/ComponentsPage.h"
#include "wizard/DestDirLists.h"

namespace ulv {

std::int32_t ComponentsSpace(std::uint32_t components,
                             const std::array<std::int32_t, kComponentCount>& sizes) {
    std::uint32_t total = 0; // wraps as the signed 32-bit sum would, without overflow in C++
    for (int c = 0; c < kComponentCount; ++c)
        if (c == 0 || (components >> c & 1u))
            total += static_cast<std::uint32_t>(sizes[static_cast<std::size_t>(c)]);
    return static_cast<std::int32_t>(total);
}

std::optional<std::string> DestinationRefusal(const std::string& mainDir, std::uint32_t components,
                                              const TDestinationFacts& facts) {
    if (!IsAbsoluteDestination(mainDir)) return "\"" + mainDir + "\" n'est pas un chemin absolu";
    const std::int32_t required = ComponentsSpace(components, facts.ComponentSizes);
    const std::uint64_t free = facts.FreeBytes.value_or(0);
    if (!facts.FreeBytes || static_cast<std::int64_t>(free) < required)
        return "pas assez de place pour \"" + mainDir + "\" (nécessaire : " + FormatDiskSize(required) +
               ", disponible : " + FormatDiskSize(static_cast<std::int64_t>(free)) + ")";
    if (!facts.CanBeMade) return "impossible de créer le dossier \"" + mainDir + "\"";
    return std::nullopt;
}

} // namespace ulv
