#pragma once
// Where an installation goes, decided once when it starts: the destination, whether it is portable, the data
// folders and the base of the old insert images. Everything after the start reads this value, never the
// drive again: a stick pulled out meanwhile leaves a portable installation portable.
#include "utils/InstUtils.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ulv {

// The folders the word processor keeps its data in, besides the program folder.
enum class TDataFolderKind { Shared, Hidden, Public, Spelling };
constexpr std::size_t kDataFolderKinds = 4;

struct TInstallTarget {
    std::string MainDir;
    bool Portable = false;
    // By kind, each with one trailing backslash; empty when no base folder is known, or when a link lies on
    // the folder's way below DataBase.
    std::array<std::string, kDataFolderKinds> DataFolders;
    // The common application-data folder (the documents when that is unknown) with a trailing backslash:
    // below it, an ordinary installation's data folders must be real folders. Empty when portable.
    std::string DataBase;
    // Where versions before the PNG bullets kept their insert images, with a trailing backslash; empty when
    // unknown.
    std::string OldImagesBase;
    // The links found on the way to a data folder, in the order found: what was refused.
    std::vector<std::string> RefusedLinks;
    // The folders on the way that another user owns (made where everyone may create), refused as links are.
    std::vector<std::string> RefusedForeign;

    [[nodiscard]] const std::string& DataFolder(TDataFolderKind kind) const {
        return DataFolders[static_cast<std::size_t>(kind)];
    }
};

// The target's paths, nothing checked or created: ordinary installations under the common application-data
// folder (the documents folder when that is unknown), portable ones beside the program; a folder is empty
// when neither base folder is known, or when a portable installation has no destination.
[[nodiscard]] TInstallTarget InstallTargetFor(const std::string& mainDir, bool portable,
                                              const std::string& commonAppData, const std::string& personal);

// The target of an installation into mainDir on this machine, asked once: the drive's kind, the special
// folders, and the data folders whose way passes a link or another user's folder (refused: they are emptied
// and the level noted). Below the data base, every level written into is judged from then on; an ordinary
// installation's program folder is protected when it is made.
[[nodiscard]] TInstallTarget ComputeInstallTarget(TInstUtils& utils, const std::string& mainDir,
                                                  bool portable);

// Refuses every data folder whose way below the data base passes the refused level (noting it once).
void RefuseDataFoldersThrough(TInstallTarget& target, const TFolderRefusal& refusal);

// The warning that names the refused links, one per line.
[[nodiscard]] std::string RefusedDataFoldersText(const std::vector<std::string>& links);
// The warning that names the refused folders of other users, one per line.
[[nodiscard]] std::string ForeignDataFoldersText(const std::vector<std::string>& folders);

} // namespace ulv
