#pragma once
#include "platform/sim/SimMachine.h"
#include "utils/InstUtils.h"

#include <gtest/gtest.h>

namespace ulv::test {

// A fresh simulated machine and the unit over it.
class InstUtilsTest : public ::testing::Test {
protected:
    sim::SimMachine Machine;
    TPlatform Platform = Machine.Platform();
    TInstUtils Utils{Platform};

    void AddDrive(char letter, std::uint32_t type, std::uint32_t bus, bool removableMedia = false,
                  std::uint32_t clusterSize = 4096) {
        sim::TSimDrive drive;
        drive.Letter = letter;
        drive.Type = type;
        drive.BusType = bus;
        drive.RemovableMedia = removableMedia;
        drive.ClusterSize = clusterSize;
        Machine.Volumes.SetDrive(drive);
    }
    void StartLog() { Utils.CreateInstallLog("C:\\Dest", true); }
};

} // namespace ulv::test
