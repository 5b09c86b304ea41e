#include "InstUtils.h"

#include <limits>

namespace ulv {
namespace {

constexpr std::uint32_t kReparsePoint = 0x400;
// Paths of the ANSI calls stop at 260 characters, so no real tree is deeper; a loop the system does not
// flag as a link (a folder mounted into itself) ends here instead of exhausting the stack.
constexpr int kMaxDepth = 128;

std::uint64_t RoundUp(std::uint64_t size, std::uint64_t unit) {
    return size % unit == 0 ? size : (size / unit + 1) * unit;
}

} // namespace

std::int32_t TInstUtils::InstalledSizeKB(const std::string& folder) {
    std::uint64_t unit = GetClusterSize(folder); // once for the whole walk; never 0
    std::int64_t total = SizeKBBelow(folder, unit, 0);
    return static_cast<std::int32_t>(std::min<std::int64_t>(total, std::numeric_limits<std::int32_t>::max()));
}

// A link to a folder is not entered: one pointing back to an ancestor would recurse without end, and what
// it points at is not part of the installation anyway.
std::int64_t TInstUtils::SizeKBBelow(const std::string& folder, std::uint64_t clusterSize, int depth) {
    if (depth > kMaxDepth) return 0;
    std::string prefix = folder;
    if (prefix.empty() || prefix.back() != '\\') prefix += '\\';
    std::int64_t total = 0;
    for (const TFindData& entry : ListFolder(prefix)) {
        std::string path = prefix + entry.Name;
        if (entry.Attributes & kFileAttributeDirectory) {
            if (!(entry.Attributes & kReparsePoint)) total += SizeKBBelow(path, clusterSize, depth + 1);
            continue;
        }
        std::int32_t opened = FileSizeOf(path);
        // A file that cannot be opened still takes the room the listing gives it, and beyond 2 GiB only the
        // listing has the whole size.
        bool fits = opened >= 0 && entry.Size <= std::numeric_limits<std::int32_t>::max();
        std::uint64_t size = fits ? static_cast<std::uint64_t>(opened) : entry.Size;
        total += static_cast<std::int64_t>(RoundUp(size, clusterSize) / 1024);
    }
    return total;
}

} // namespace ulv
