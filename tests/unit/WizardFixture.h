#pragma once
// An installation over a simulated machine with the sample payload loaded, as the program entry makes it;
// and the wizard window over it.
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

struct TInstallationOwner {
    TInstallationOwner(TPlatform& platform, TInstUtils& utils, TAttachedFiles& files, TSetupRun& run,
                       const TSetupSwitches& switches)
        : Installation(platform, utils, files, run, switches) {}
    TInstallation Installation;
};

// The wizard window with its own installation, made as the program entry makes the two.
class TWizardWindow : private TInstallationOwner, public TMainDlgForm {
public:
    TWizardWindow(TPlatform& platform, TInstUtils& utils, TAttachedFiles& files, TSetupRun& run,
                  const TSetupSwitches& switches = {})
        : TInstallationOwner(platform, utils, files, run, switches),
          TMainDlgForm(TInstallationOwner::Installation) {}
};

class InstallationTest : public ::testing::Test {
protected:
    static constexpr std::uint8_t kAllSelected = 0x7F;

    sim::SimMachine Machine;
    TPlatform Platform = Machine.Platform();
    TInstUtils Utils{Platform};
    std::unique_ptr<TAttachedFiles> AttachedFiles = LoadSamplePayload(Platform, Utils);
    TSetupRun Run;
    TInstallation Installation{Platform, Utils, *AttachedFiles, Run, {}};
    // The installation's questions as a window would have shown them, each answered with OK.
    struct TAsked {
        std::string Text;
        int Kind = 0;
        std::uint16_t Buttons = 0;
    };
    std::vector<TAsked> Asked;
    bool Recording = [this] {
        Installation.ShowQuestion = [this](const std::string& text, int kind, std::uint16_t buttons) {
            Asked.push_back({text, kind, buttons});
            return kResultOk;
        };
        return true;
    }();

    // A removable drive R:, the place of a portable installation.
    void AddStick(char letter = 'R') {
        Machine.Volumes.SetDrive({.Letter = letter,
                                  .Type = kDriveRemovable,
                                  .BusType = kBusTypeUsb,
                                  .RemovableMedia = true,
                                  .Label = "CLE USB"});
    }
    // The installation started with these final choices, and its worker followed to its end.
    void Install(const std::string& mainDir, std::uint8_t selected = kAllSelected) {
        Installation.Options.MainDir = mainDir;
        Installation.Options.Components = selected;
        Installation.Start();
        Run.InstallThread->Join();
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

class WizardTest : public InstallationTest {
protected:
    TMainDlgForm Form{Installation};
};

} // namespace ulv::test
