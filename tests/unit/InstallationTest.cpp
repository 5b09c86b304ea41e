#include "wizard/Installation.h"

#include <gtest/gtest.h>

namespace ulv {
namespace {

// A destination and what the machine says of it, against the refusal an unattended run logs.
TEST(Installation, DestinationChecksOnValues) {
    constexpr std::uint64_t kMiB = 1'048'576;
    // The word processor 10 MiB, each other component 1 MiB.
    const std::array<std::int32_t, kComponentCount> sizes = {10 * kMiB, kMiB, kMiB, kMiB, kMiB, kMiB, kMiB};
    const struct {
        const char* MainDir;
        std::uint32_t Components;
        std::optional<std::uint64_t> Free;
        bool CanBeMade;
        std::optional<std::string> Refusal;
    } cases[] = {
        {"C:\\Apps\\Ulvara", 0x7F, 16 * kMiB, true, std::nullopt},
        {"\\\\serveur\\partage\\Ulvara", 0x7F, 16 * kMiB, true, std::nullopt},
        {"Apps\\Ulvara", 0x7F, 16 * kMiB, true, "\"Apps\\Ulvara\" n'est pas un chemin absolu"},
        {"C:Ulvara", 0x7F, 16 * kMiB, true, "\"C:Ulvara\" n'est pas un chemin absolu"},
        // Exactly enough, then a byte short: 16 MiB for all seven components.
        {"C:\\U", 0x7F, 16 * kMiB - 1, true,
         "pas assez de place pour \"C:\\U\" (nécessaire : 16 Mo, disponible : 16 Mo)"},
        // The word processor counts whether its bit is set or not; the components left out do not.
        {"C:\\U", 0x00, 10 * kMiB, true, std::nullopt},
        {"C:\\U", 0x02, 10 * kMiB, true,
         "pas assez de place pour \"C:\\U\" (nécessaire : 11 Mo, disponible : 10 Mo)"},
        // A free space that cannot be read counts as none.
        {"C:\\U", 0x7F, std::nullopt, true,
         "pas assez de place pour \"C:\\U\" (nécessaire : 16 Mo, disponible : 0 Ko)"},
        // Room is asked before the folder: the person meets the components page first.
        {"C:\\U", 0x7F, 0, false,
         "pas assez de place pour \"C:\\U\" (nécessaire : 16 Mo, disponible : 0 Ko)"},
        {"C:\\U", 0x7F, 16 * kMiB, false, "impossible de créer le dossier \"C:\\U\""},
    };
    for (const auto& c : cases) {
        TDestinationFacts facts{sizes, c.Free, c.CanBeMade};
        EXPECT_EQ(DestinationRefusal(c.MainDir, c.Components, facts), c.Refusal)
            << c.MainDir << " " << c.Components;
    }
}

} // namespace
} // namespace ulv
