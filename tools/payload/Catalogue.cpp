#include "tools/payload/Catalogue.h"

namespace ulv::pack {
namespace {

constexpr TCatalogueRow kRows[] = {
#include "Catalogue.inc"
};

} // namespace

std::span<const TCatalogueRow> Catalogue() {
    return kRows;
}

} // namespace ulv::pack
