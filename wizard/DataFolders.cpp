// The folders the word processor keeps its shared data in: under the common application-data folder on an
// ordinary installation, beside the program on a portable one.
#include "utils/InstUtils.h"
#include "wizard/InstallPlan.h"
#include "wizard/MainDlg.h"

namespace ulv {

std::string DataFolderPath(TDataFolderKind kind, bool portable, const std::string& mainDir,
                           const std::string& commonAppData, const std::string& personal) {
    std::string folder;
    if (portable) {
        folder = mainDir;
        if (EnsureTrailingBackslash(folder).empty()) return {};
        return kind == TDataFolderKind::Spelling ? folder + "Orthographe\\" : folder;
    }
    folder = commonAppData.empty() ? personal : commonAppData;
    // Neither is known: a folder relative to whatever is current would be no place for shared data.
    if (EnsureTrailingBackslash(folder).empty()) return {};
    folder += "Ulvara\\";
    switch (kind) {
    case TDataFolderKind::Shared:
        return folder;
    case TDataFolderKind::Hidden:
        return folder + "Hidden\\";
    case TDataFolderKind::Public:
        return folder + "Public\\";
    case TDataFolderKind::Spelling:
        return folder + "Public\\Orthographe\\";
    }
    return {};
}

std::string TMainDlgForm::DataFolder(TDataFolderKind kind) {
    bool portable = IsPortableDestination();
    std::string commonAppData = portable ? std::string() : Utils.GetSpecialFolder(kCsidlCommonAppData);
    std::string personal =
        portable || !commonAppData.empty() ? std::string() : Utils.GetSpecialFolder(kCsidlPersonal);
    std::string folder = DataFolderPath(kind, portable, Options.MainDir, commonAppData, personal);
    // The parents are made first, each logged as made unless logging is suspended.
    if (!folder.empty()) Utils.MakeDirectoryTree(folder);
    return folder;
}

} // namespace ulv
