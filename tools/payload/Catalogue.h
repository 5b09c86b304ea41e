#pragma once
// The catalogue: the files the setup carries, in archive order, each with the component whose plan rows
// install it. The sample generator makes stand-ins of them; a release packs the publisher's own files of
// these names, in this order, so that the same folder always gives the same payload.
#include <span>

namespace ulv::pack {

struct TCatalogueRow {
    int Component = 0;
    int Clusters = 0;      // the sample stand-in's size in 4 KiB clusters
    const char* Path = ""; // UTF-8, "/" between folders
};

[[nodiscard]] std::span<const TCatalogueRow> Catalogue();

} // namespace ulv::pack
