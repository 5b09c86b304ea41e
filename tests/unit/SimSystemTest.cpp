#include "platform/sim/SimErrors.h"
#include "platform/sim/SimMachine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace ulv::sim {
namespace {

constexpr const char* kRunningProp = "1.x Vantor Kell";

class SimSystemTest : public ::testing::Test {
protected:
    SimMachine Machine;
    ISystem& System = Machine.System;
    IDrives& Drives = Machine.Drives;

    std::vector<WindowHandle> TopLevelWindows() {
        std::vector<WindowHandle> windows;
        EXPECT_TRUE(System.EnumWindows([&](WindowHandle window) {
            windows.push_back(window);
            return true;
        }));
        return windows;
    }
};

TEST_F(SimSystemTest, WindowsAreEnumeratedTopmostFirst) {
    EXPECT_TRUE(TopLevelWindows().empty());
    WindowHandle first = Machine.System.AddTopLevelWindow();
    WindowHandle second = Machine.System.AddTopLevelWindow({{kRunningProp, 1}});
    EXPECT_NE(first, second);
    EXPECT_EQ(TopLevelWindows(), (std::vector<WindowHandle>{second, first}));
    EXPECT_EQ(System.GetPropA(first, kRunningProp), 0u);
    EXPECT_EQ(System.GetPropA(second, "1.X VANTOR KELL"), 1u);
}

// A copy of the word processor may quit while the wizard looks at its windows.
TEST_F(SimSystemTest, AWindowDestroyedDuringTheEnumerationIsSkipped) {
    WindowHandle bottom = Machine.System.AddTopLevelWindow();
    WindowHandle top = Machine.System.AddTopLevelWindow();
    std::vector<WindowHandle> seen;
    EXPECT_TRUE(System.EnumWindows([&](WindowHandle window) {
        seen.push_back(window);
        Machine.System.RemoveWindow(bottom);
        return true;
    }));
    EXPECT_EQ(seen, std::vector<WindowHandle>{top});
}

TEST_F(SimSystemTest, WindowsComeAndGoWhileAnotherThreadLooksForTheProperty) {
    std::atomic<bool> done{false};
    std::thread copies([&] {
        for (int i = 0; i < 500; ++i)
            Machine.System.RemoveWindow(Machine.System.AddTopLevelWindow({{kRunningProp, 1}}));
        done = true;
    });
    WindowHandle kept = Machine.System.AddTopLevelWindow({{kRunningProp, 2}});
    while (!done) {
        bool found = false;
        System.EnumWindows([&](WindowHandle window) {
            found = System.GetPropA(window, kRunningProp) == 2;
            return !found;
        });
        ASSERT_TRUE(found) << "the window that stays is always found";
    }
    copies.join();
    EXPECT_EQ(TopLevelWindows(), std::vector<WindowHandle>{kept});
}

// Unquoted, "C:\Program Files\..." is tried as "C:\Program.exe" first, as CreateProcess does: why the
// wizard quotes the path of the word processor.
TEST_F(SimSystemTest, WinExecFindsItsProgramAsCreateProcessDoes) {
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Program Files\\Ulvara\\vlmr.exe", "MZ\x90"));
    EXPECT_EQ(System.WinExec("\"C:\\Program Files\\Ulvara\\vlmr.exe\" -assoc adpr", kSwShow), 33u);
    EXPECT_EQ(System.WinExec("C:\\Program Files\\Ulvara\\vlmr -assoc adpr", kSwShow), 33u);
    EXPECT_EQ(System.WinExec("\"C:\\Program Files\\Ulvara\\vlmr\"", kSwShow), 33u) << "\".exe\" added";
    EXPECT_EQ(System.WinExec("\"C:\\Program Files\\Ulvara\\vlmr.exe -x\"", kSwShow), 2u) << "all one name";

    ASSERT_TRUE(Machine.Files.PutFile("C:\\Program.exe", "not a program"));
    EXPECT_EQ(System.WinExec("C:\\Program Files\\Ulvara\\vlmr.exe", kSwShow), 11u);
    EXPECT_EQ(System.WinExec("\"C:\\Program Files\\Ulvara\\vlmr.exe\"", kSwShow), 33u);

    ASSERT_TRUE(Machine.Files.SetCurrentDirectoryA("C:\\Program Files\\Ulvara"));
    EXPECT_EQ(System.WinExec("vlmr", kSwShow), 33u) << "from the current directory";
    EXPECT_EQ(Machine.System.WinExecCalls().size(), 7u);
}

TEST_F(SimSystemTest, WinExecCallsAreRecordedAndTheirAnswerCanBeScripted) {
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Ulvara\\vlmr.exe", "MZ"));
    Machine.System.SetWinExecResult(0); // out of memory
    EXPECT_EQ(System.WinExec("\"C:\\Ulvara\\vlmr.exe\"", kSwShow), 0u);
    EXPECT_EQ(System.WinExec("\"C:\\Ulvara\\absent.exe\"", 0), 0u);
    auto calls = Machine.System.WinExecCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].CommandLine, "\"C:\\Ulvara\\vlmr.exe\"");
    EXPECT_EQ(calls[0].ShowCommand, kSwShow);
    EXPECT_EQ(calls[1].ShowCommand, 0u);
}

TEST_F(SimSystemTest, AQuotaLowersOnlyTheFreeBytesOfTheCaller) {
    Machine.Volumes.SetDrive({.Letter = 'D', .FreeBytes = 5000, .TotalBytes = 9000, .QuotaFreeBytes = 1200});
    auto space = Drives.GetDiskFreeSpaceExA("D:");
    ASSERT_TRUE(space);
    EXPECT_EQ(space->FreeBytesAvailableToCaller, 1200u);
    EXPECT_EQ(space->TotalNumberOfFreeBytes, 5000u);
    EXPECT_EQ(space->TotalNumberOfBytes, 9000u);

    Machine.Volumes.SetDrive({.Letter = 'D', .FreeBytes = 5000, .TotalBytes = 9000, .QuotaFreeBytes = 7000});
    space = Drives.GetDiskFreeSpaceExA("D:\\");
    ASSERT_TRUE(space);
    EXPECT_EQ(space->FreeBytesAvailableToCaller, 5000u) << "never more than the volume has";
}

TEST_F(SimSystemTest, FreeSpaceOfADriveThatCannotBeReadFails) {
    Machine.Volumes.SetDrive({.Letter = 'E', .Type = kDriveRemovable, .HasMedia = false});
    EXPECT_FALSE(Drives.GetDiskFreeSpaceExA("E:"));
    EXPECT_EQ(Machine.Files.LastError(), kErrorNotReady);
    Machine.Volumes.SetDrive({.Letter = 'R', .Type = kDriveRemovable});
    ASSERT_TRUE(Drives.GetDiskFreeSpaceExA("R:\\"));
    Machine.Volumes.SetPresent('R', false);
    EXPECT_FALSE(Drives.GetDiskFreeSpaceExA("R:\\")) << "the stick was pulled";
}

TEST_F(SimSystemTest, AShareRootNeedsItsTrailingBackslash) {
    Machine.Volumes.AddShare({"\\\\serveur\\partage", 4096, 3000, 8000});
    ASSERT_TRUE(Machine.Files.PutFolder("\\\\serveur\\partage\\Ulvara"));
    for (const char* folder : {"\\\\serveur\\partage\\", "\\\\SERVEUR\\partage\\Ulvara"}) {
        auto space = Drives.GetDiskFreeSpaceExA(folder);
        ASSERT_TRUE(space) << folder;
        EXPECT_EQ(space->FreeBytesAvailableToCaller, 3000u);
        EXPECT_EQ(space->TotalNumberOfBytes, 8000u);
    }
    EXPECT_FALSE(Drives.GetDiskFreeSpaceExA("\\\\serveur\\partage"));
    EXPECT_FALSE(Drives.GetDiskFreeSpaceExA("\\\\serveur\\autre\\"));
}

} // namespace
} // namespace ulv::sim
