#include "InstUtilsFixture.h"

namespace ulv::test {
namespace {

TEST(SizeText, GroupDigits) {
    EXPECT_EQ(GroupDigits(0), "0");
    EXPECT_EQ(GroupDigits(12), "12");
    EXPECT_EQ(GroupDigits(999), "999");
    EXPECT_EQ(GroupDigits(1000), "1 000");
    EXPECT_EQ(GroupDigits(123456), "123 456");
    EXPECT_EQ(GroupDigits(1234567), "1 234 567");
    EXPECT_EQ(GroupDigits(-100), "-100") << "no blank after the sign";
    EXPECT_EQ(GroupDigits(-1234567), "-1 234 567");
}

TEST_F(InstUtilsTest, DriveKindOfLocalAndNetworkPaths) {
    AddDrive('D', kDriveCdrom, kBusTypeAtapi);
    Machine.Volumes.AddShare({"\\\\serveur\\partage"});
    EXPECT_EQ(Utils.GetDriveKind("C:\\Dest"), kDriveFixed);
    EXPECT_EQ(Utils.GetDriveKind("d:\\"), kDriveCdrom);
    EXPECT_EQ(Utils.GetDriveKind("\\\\SERVEUR\\partage\\Ulvara"), kDriveRemote);
    EXPECT_EQ(Utils.GetDriveKind("\\\\serveur\\autre\\Ulvara"), kDriveNoRootDir);
    EXPECT_EQ(Utils.GetDriveKind("Q:\\Dest"), kDriveNoRootDir);
}

TEST_F(InstUtilsTest, PortableDrives) {
    struct Case {
        char Letter;
        std::uint32_t Type, Bus;
        bool RemovableMedia, Portable;
    };
    const Case cases[] = {
        {'E', kDriveFixed, kBusTypeUsb, false, true},    {'F', kDriveFixed, kBusType1394, false, true},
        {'G', kDriveFixed, kBusTypeSata, true, true},    {'H', kDriveFixed, kBusTypeSata, false, false},
        {'I', kDriveFixed, kBusTypeNvme, false, false},  {'J', kDriveFixed, kBusTypeScsi, false, false},
        {'K', kDriveFixed, kBusTypeAta, false, false},   {'L', kDriveCdrom, kBusTypeUsb, true, false},
        {'M', kDriveRamdisk, kBusTypeUsb, false, false},
    };
    for (const Case& c : cases)
        AddDrive(c.Letter, c.Type, c.Bus, c.RemovableMedia);
    for (const Case& c : cases)
        EXPECT_EQ(Utils.IsPortableDrive(std::string(1, c.Letter) + ":\\Ulvara"), c.Portable) << c.Letter;

    Machine.Volumes.AddShare({"\\\\serveur\\partage"});
    EXPECT_FALSE(Utils.IsPortableDrive("\\\\serveur\\partage\\Ulvara"));
    EXPECT_FALSE(Utils.IsPortableDrive("Q:\\Ulvara")) << "no such letter";
    EXPECT_FALSE(Utils.IsPortableDrive("C:\\Program Files\\Ulvara"));
    EXPECT_EQ(Machine.Files.OpenHandleCount(), 0u) << "every volume handle closed";
}

TEST_F(InstUtilsTest, RemovableDriveIsPortableWithoutOpeningTheVolume) {
    AddDrive('U', kDriveRemovable, kBusTypeUsb);
    sim::TSimDrive stick = *Machine.Volumes.Drive('U');
    stick.VolumeOpens = false; // an open would fail and so answer false
    Machine.Volumes.SetDrive(stick);
    EXPECT_TRUE(Utils.IsPortableDrive("U:\\Ulvara"));
}

TEST_F(InstUtilsTest, PortableTestFailsClosed) {
    AddDrive('E', kDriveFixed, kBusTypeUsb);
    AddDrive('F', kDriveFixed, kBusTypeUsb);
    sim::TSimDrive refusing = *Machine.Volumes.Drive('E'), silent = *Machine.Volumes.Drive('F');
    refusing.VolumeOpens = false;
    silent.QuerySucceeds = false;
    Machine.Volumes.SetDrive(refusing);
    Machine.Volumes.SetDrive(silent);
    EXPECT_FALSE(Utils.IsPortableDrive("E:\\Ulvara")) << "the volume refuses to open";
    EXPECT_FALSE(Utils.IsPortableDrive("F:\\Ulvara")) << "the query fails";
    EXPECT_EQ(Machine.Files.OpenHandleCount(), 0u);
}

TEST_F(InstUtilsTest, ClusterSizeOfExistingAndFutureFolders) {
    AddDrive('D', kDriveFixed, kBusTypeSata, false, 32768);
    AddDrive('E', kDriveFixed, kBusTypeSata, false, 65536);
    ASSERT_TRUE(Machine.Files.PutFolder("D:\\Data"));
    ASSERT_TRUE(Machine.Files.SetCurrentDirectoryA("D:\\Data"));
    const int setsBefore = Machine.Files.SetCurrentDirectoryCalls();

    EXPECT_EQ(Utils.GetClusterSize("D:\\Data"), 32768u);
    EXPECT_EQ(Utils.GetClusterSize("C:\\Program Files\\Ulvara\\"), 4096u)
        << "a folder not made yet is on C:, not on the current directory's D:";
    EXPECT_EQ(Utils.GetClusterSize("E:\\Nouveau\\Dossier"), 65536u);
    EXPECT_EQ(Utils.GetClusterSize("Q:\\Ulvara"), kFallbackClusterSize) << "no such drive: never 0";

    EXPECT_EQ(Machine.Files.GetCurrentDirectoryA(), "D:\\Data");
    EXPECT_EQ(Machine.Files.SetCurrentDirectoryCalls(), setsBefore);
}

TEST_F(InstUtilsTest, FileSizeOf) {
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Dest\\vide.txt", ""));
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Dest\\cinq.txt", "12345"));
    EXPECT_EQ(Utils.FileSizeOf("C:\\Dest\\vide.txt"), 0);
    EXPECT_EQ(Utils.FileSizeOf("C:\\Dest\\cinq.txt"), 5);
    EXPECT_EQ(Utils.FileSizeOf("C:\\Dest\\absent.txt"), kInvalidFileSize);
    EXPECT_EQ(Machine.Files.OpenHandleCount(), 0u);
}

} // namespace
} // namespace ulv::test
