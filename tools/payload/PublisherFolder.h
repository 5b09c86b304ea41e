#pragma once
// A publisher's folder read against the catalogue before anything is packed: every catalogue name must be
// there (matched ignoring case, as Windows matches names), and every file found must be one the setup can
// carry and install.
#include "tools/payload/Catalogue.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ulv::pack {

struct TFolderFile {
    const TCatalogueRow* Row = nullptr;
    std::filesystem::path Path; // the file to read: a link's target
    std::uintmax_t Size = 0;
    std::int64_t Modified = 0; // seconds since 1970, UTC
};

struct TFolderCheck {
    std::vector<TFolderFile> Files;   // the catalogue's files found, in catalogue order
    std::vector<std::string> Missing; // catalogue paths the folder lacks
    std::vector<std::string> Extra; // files of the folder the catalogue does not name: nothing installs them
    std::vector<std::string> Problems; // "path: reason"; each one stops a release
};

// Walks `root`, following the links that stay inside it, and matches what it finds to the catalogue. Paths
// in the result are relative to `root`, "/" between folders, shown with any unprintable byte escaped.
[[nodiscard]] TFolderCheck CheckFolder(const std::filesystem::path& root);

} // namespace ulv::pack
