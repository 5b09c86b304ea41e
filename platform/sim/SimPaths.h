#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ulv::sim {

// A full path split into its root ("C:" or "\\server\share", as written) and its components.
struct TPathParts {
    std::string Root;
    std::vector<std::string> Components;
    bool TrailingBackslash = false;
};

// GetFullPathNameA's string arithmetic, without looking at any file: "/" made "\", a path relative to
// `currentDirectory` (itself a full path), "\x" relative to the current root, "C:x" relative to the current
// directory when that lies on C: and to C:\ otherwise, empty components, "." and ".." dropped (never above
// the root), one trailing dot of an inner component and every trailing dot and blank of the last one
// dropped, as Windows does. A device path ("\\.\C:") is returned as given. nullopt for an empty path or a
// network path without a share.
std::optional<std::string> FullPathName(std::string_view path, std::string_view currentDirectory);

// The parts of a full path as FullPathName gives it; nullopt when it has no drive or share root.
std::optional<TPathParts> SplitFullPath(std::string_view fullPath);

// True for "\\.\X:" (any case of the letter), the name of a volume.
bool IsVolumeDeviceName(std::string_view path, char& letter);

} // namespace ulv::sim
