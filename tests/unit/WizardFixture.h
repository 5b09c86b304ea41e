#pragma once
// The wizard window over a simulated machine with the sample payload loaded, as the program entry makes it.
#include "engine/AttachFiles.h"
#include "engine/InstallThread.h"
#include "platform/sim/SimMachine.h"
#include "tests/unit/SampleRun.h"
#include "utils/InstUtils.h"
#include "wizard/MainDlg.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ulv::test {

class WizardTest : public ::testing::Test {
protected:
    static constexpr std::uint8_t kAllSelected = 0x7F;

    sim::SimMachine Machine;
    TPlatform Platform = Machine.Platform();
    TInstUtils Utils{Platform};
    std::unique_ptr<TAttachedFiles> AttachedFiles = LoadSamplePayload(Platform, Utils);
    TSetupRun Run;
    TMainDlgForm Form{Platform, Utils, *AttachedFiles, Run, {}};

    // A removable drive R:, the place of a portable installation.
    void AddStick(char letter = 'R') {
        Machine.Volumes.SetDrive({.Letter = letter,
                                  .Type = kDriveRemovable,
                                  .BusType = kBusTypeUsb,
                                  .RemovableMedia = true,
                                  .Label = "CLE USB"});
    }
    // What the page flow does on entering the installing page, then the worker to its end.
    void Install(const std::string& mainDir, std::uint8_t selected = kAllSelected) {
        Form.Options.MainDir = mainDir;
        Form.SelectedComps = selected;
        Form.FixInstallTarget();
        Utils.CreateInstallLog(mainDir, Form.Target.Portable);
        Form.BuildInstallPlan();
        TInstallThreadStatus status;
        TInstallThread worker(*AttachedFiles, Utils, status);
        worker.Join();
    }
    [[nodiscard]] std::vector<std::string> QueuedTargets(int component) const {
        std::vector<std::string> targets;
        for (const TFileToInstall& item : AttachedFiles->Queues[static_cast<std::size_t>(component)])
            targets.push_back(item.TargetPath);
        return targets;
    }
    [[nodiscard]] size_t QueuedCount() const {
        size_t n = 0;
        for (const auto& queue : AttachedFiles->Queues)
            n += queue.size();
        return n;
    }
};

} // namespace ulv::test
