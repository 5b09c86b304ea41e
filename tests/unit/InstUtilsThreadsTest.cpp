#include "InstUtilsFixture.h"

#include <atomic>
#include <thread>

namespace ulv::test {
namespace {

// The GUI thread keeps asking about drives while the install thread makes folders and logs files.
TEST_F(InstUtilsTest, DriveQueriesRunBesideFolderMaking) {
    AddDrive('E', kDriveFixed, kBusTypeUsb, false, 32768);
    ASSERT_TRUE(Machine.Files.PutFolder("C:\\Work"));
    ASSERT_TRUE(Machine.Files.SetCurrentDirectoryA("C:\\Work"));
    StartLog();
    constexpr int kFolders = 150;

    std::atomic<bool> done{false};
    int wrong = 0, rounds = 0;
    std::thread gui([&] {
        do {
            wrong += Utils.GetDriveKind("E:\\Ulvara") != kDriveFixed;
            wrong += !Utils.IsPortableDrive("E:\\Ulvara");
            wrong += Utils.GetClusterSize("E:\\Ulvara\\Neuf") != 32768;
            wrong += Utils.GetClusterSize("C:\\Dest\\D1\\") != 4096;
            wrong += !Utils.IsExistingDirectory("C:\\Work");
            wrong += Machine.Files.GetCurrentDirectoryA() != "C:\\Work";
            ++rounds;
        } while (!done.load(std::memory_order_acquire));
    });
    for (int i = 0; i < kFolders; ++i) {
        const std::string folder = "C:\\Dest\\D" + std::to_string(i) + "\\";
        Utils.MakeDirectoryTree(folder);
        Utils.AddLogLine("File Copy: " + folder + "f.txt");
    }
    done.store(true, std::memory_order_release);
    gui.join();

    EXPECT_GT(rounds, 0);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(Machine.Files.GetCurrentDirectoryA(), "C:\\Work");
    auto log = Utils.InstallLog();
    ASSERT_EQ(log.size(), 1u + 2 * kFolders);
    EXPECT_EQ(log[0], "Made Dir: C:\\Dest\\");
    for (int i = 0; i < kFolders; ++i) {
        const std::string folder = "C:\\Dest\\D" + std::to_string(i) + "\\";
        EXPECT_EQ(log[1 + 2 * i], "Made Dir: " + folder);
        EXPECT_EQ(log[2 + 2 * i], "File Copy: " + folder + "f.txt");
    }
}

} // namespace
} // namespace ulv::test
