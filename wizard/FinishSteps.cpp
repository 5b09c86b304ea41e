// The work of the finish page that lives on the window.
#include "engine/AttachFiles.h"
#include "platform/ui/MessageDialog.h"
#include "wizard/MainDlg.h"
#include "wizard/UpdateLog.h"

namespace ulv {

void TMainDlgForm::WriteUpdateLog() {
    if (AttachedFiles.UpdateList.empty()) return; // nothing shared was written: the file is not even read
    std::string shared = DataFolder(TDataFolderKind::Shared);
    if (shared.empty()) return;
    TUpdateLogResult result = StoreUpdateLog(Platform, Utils, shared, AttachedFiles.UpdateList, InstallTime);
    // The files are installed either way; only the word processor's record of them is missing.
    if (result == TUpdateLogResult::LeftUnchanged || result == TUpdateLogResult::WriteFailed)
        ShowWizardMessage(this, UpdateLogFailureText(shared + std::string(kUpdateLogName)), kMessageWarning,
                          kButtonOk);
}

} // namespace ulv
