// The payload index over the sample payload on a simulated machine: extraction with its question, the
// component sizes and the install queues.
#include "engine/AttachFiles.h"
#include "platform/sim/SimMachine.h"
#include "resources/ResConst.h"
#include "tests/support/TestFiles.h"
#include "utils/InstUtils.h"

#include "tests/support/PayloadFiles.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ulv {
namespace {

struct TQuestion {
    int Kind = 0;
    std::string Text;
    std::uint16_t Buttons = 0;
};

class AttachedFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Stream = new std::vector<std::uint8_t>(test::ReadHostFile(ULVARA_SAMPLE_PAYLOAD));
    }
    static void TearDownTestSuite() { delete Stream; }

    void SetUp() override {
        TPayloadFault fault;
        Files = TAttachedFiles::FromStream(*Stream, fault);
        ASSERT_NE(Files, nullptr) << PayloadFaultName(fault);
        Files->Connect(Platform, Utils, [this](const std::string& text, int kind, std::uint16_t buttons) {
            Questions.push_back({kind, text, buttons});
            return Answer ? Answer() : kResultAbort;
        });
        Machine.Shell.SetFolder(kCsidlCommonAppData, "C:\\ProgramData");
        Utils.CreateInstallLog("C:\\Dest", true);
    }

    const TAttachedFile& Entry(const std::string& name) {
        for (auto& e : Files->Entries)
            if (e.Name == name) return e;
        ADD_FAILURE() << "no entry " << name;
        return Files->Entries.front();
    }
    std::string Bytes(const TAttachedFile& e) {
        return std::string(reinterpret_cast<const char*>(Files->Payload() + e.DataOffset), e.Size);
    }
    int LogCount(const std::string& line) {
        int n = 0;
        for (auto& l : Utils.InstallLog())
            n += l == line;
        return n;
    }
    void SetClusterSize(std::uint32_t size) {
        sim::TSimDrive drive = *Machine.Volumes.Drive('C');
        drive.ClusterSize = size;
        Machine.Volumes.SetDrive(drive);
    }

    static std::vector<std::uint8_t>* Stream;
    sim::SimMachine Machine;
    TPlatform Platform = Machine.Platform();
    TInstUtils Utils{Platform};
    std::unique_ptr<TAttachedFiles> Files;
    std::vector<TQuestion> Questions;
    std::function<int()> Answer;
};
std::vector<std::uint8_t>* AttachedFiles::Stream = nullptr;

const char* const kTarget = "C:\\Tmp\\Sub\\lic.txt";

TEST_F(AttachedFiles, IndexesTheSamplePayload) {
    ASSERT_EQ(Files->Entries.size(), 259u);
    EXPECT_EQ(Files->Entries[0].Name, "vlmr.exe");
    EXPECT_EQ(Files->Entries[0].Size, 4452520);
    EXPECT_EQ(Files->Entries[0].DataOffset, 21);
}

TEST_F(AttachedFiles, ExtractsByNameInCapitalsWithFoldersStampAndLogLine) {
    const TAttachedFile& licence = Entry("Licence.txt");
    EXPECT_TRUE(Files->ExtractEntry(nullptr, "LICENCE.TXT", kTarget));

    EXPECT_EQ(Machine.Files.FileContent(kTarget), Bytes(licence));
    EXPECT_EQ(Utils.FileModifiedDate(kTarget), licence.Time);
    EXPECT_TRUE(Questions.empty());
    EXPECT_EQ(LogCount(std::string("File Copy: ") + kTarget), 1);
    EXPECT_EQ(LogCount("Made Dir: C:\\Tmp\\Sub\\"), 1);
    EXPECT_EQ(Machine.Files.OpenHandleCount(), 0u);
}

// Far west and far east of UTC, UTC itself, a half-hour zone, and Paris in winter and in summer: the
// stamp goes out and comes back through the offset in force, so every entry must read back as it was.
TEST_F(AttachedFiles, EveryEntryKeepsItsStampUnderAnyOffset) {
    Utils.FreeInstallLog(); // 1,554 files: the log's search for duplicates would dominate the run
    for (int offset : {-600, 0, 330, 840, 60, 120}) {
        Machine.Clock.SetUtcOffsetMinutes(offset);
        const std::string folder = "C:\\Dest" + std::to_string(offset + 1000) + "\\";
        for (const TAttachedFile& e : Files->Entries) {
            const std::string target = folder + e.Name;
            ASSERT_TRUE(Files->ExtractEntry(&e, {}, target)) << e.Name;
            EXPECT_EQ(Utils.FileModifiedDate(target), e.Time) << e.Name << " at " << offset << " min";
        }
    }
    EXPECT_TRUE(Questions.empty());
}

TEST_F(AttachedFiles, AsksTheExactQuestionAndRetriesUntilTheCauseIsGone) {
    Machine.Files.InjectCreateFailure(kTarget, 2, kErrorSharingViolation);
    Answer = [] { return kResultRetry; };
    EXPECT_TRUE(Files->ExtractEntry(nullptr, "Licence.txt", kTarget));

    ASSERT_EQ(Questions.size(), 2u);
    EXPECT_EQ(Questions[0].Kind, 1);
    EXPECT_EQ(Questions[0].Buttons, 0x0070);
    EXPECT_EQ(
        Questions[0].Text,
        "Impossible de cr\xE9"
        "er le fichier \"C:\\Tmp\\Sub\\lic.txt\".\rCe fichier est peut-\xEAtre actuellement utilis\xE9 par "
        "une autre application.\r\rVeuillez vous assurer que le processus d'installation du traitement "
        "de texte Ulvara n'est pas bloqu\xE9 par votre logiciel de s\xE9"
        "curit\xE9 (pare-feu ou antivirus).\rEssayez de d\xE9sactiver votre logiciel de s\xE9"
        "curit\xE9 et relancez l'installation d'Ulvara.");
    EXPECT_EQ(Machine.Files.FileContent(kTarget), Bytes(Entry("Licence.txt")));
}

TEST_F(AttachedFiles, RetryAfterTheHolderClosesWritesOnce) {
    ASSERT_TRUE(Machine.Files.PutFile(kTarget, "old"));
    FileHandle holder =
        Machine.Files.CreateFileA(kTarget, kGenericRead, 0, kOpenExisting, kFileAttributeNormal);
    ASSERT_NE(holder, kNoFile);
    Answer = [&] {
        Machine.Files.CloseHandle(holder);
        return 99; // any code but Abort and Ignore means Retry
    };
    EXPECT_TRUE(Files->ExtractEntry(nullptr, "Licence.txt", kTarget));
    EXPECT_EQ(Questions.size(), 1u);
    EXPECT_EQ(Machine.Files.FileContent(kTarget), Bytes(Entry("Licence.txt")));
}

TEST_F(AttachedFiles, IgnoreAndAbandon) {
    Machine.Files.InjectCreateFailure(kTarget, 1, kErrorAccessDenied);
    Answer = [] { return kResultIgnore; };
    EXPECT_TRUE(Files->ExtractEntry(nullptr, "Licence.txt", kTarget));
    EXPECT_FALSE(Machine.Files.FileContent(kTarget).has_value());
    EXPECT_EQ(LogCount(std::string("File Copy: ") + kTarget), 0);

    Machine.Files.InjectCreateFailure(kTarget, 1, kErrorAccessDenied);
    Answer = [] { return kResultAbort; };
    EXPECT_FALSE(Files->ExtractEntry(nullptr, "Licence.txt", kTarget));
    EXPECT_EQ(Questions.size(), 2u);
    EXPECT_EQ(LogCount(std::string("File Copy: ") + kTarget), 0);
}

TEST_F(AttachedFiles, ShortWriteAsksAndClosesTheFile) {
    Machine.Files.ShortenNextWrite("C:\\Tmp\\Sub\\~Ulvara1.tmp", 10);
    Answer = [] { return kResultRetry; };
    EXPECT_TRUE(Files->ExtractEntry(nullptr, "Licence.txt", kTarget));
    EXPECT_EQ(Questions.size(), 1u);
    EXPECT_EQ(Machine.Files.FileContent(kTarget), Bytes(Entry("Licence.txt")));
    EXPECT_EQ(Machine.Files.OpenHandleCount(), 0u);
}

TEST_F(AttachedFiles, UnknownNameAsksAndCreatesNothing) {
    Answer = [] { return kResultIgnore; };
    EXPECT_TRUE(Files->ExtractEntry(nullptr, "Absent.txt", kTarget));
    EXPECT_EQ(Questions.size(), 1u);
    EXPECT_EQ(Machine.Files.GetFileAttributesA("C:\\Tmp"), kInvalidFileAttributes);
}

TEST_F(AttachedFiles, ComponentSizesFollowTheClusterSize) {
    const std::int32_t expected[kComponentCount] = {4460544, 622592, 471040, 184320, 770048, 1003520, 65536};
    for (int c = 0; c < kComponentCount; ++c) {
        EXPECT_EQ(Files->ComponentSize(std::string(kComponentFiles[c]), "C:\\Dest"), expected[c]) << c;
    }
    SetClusterSize(32768);
    for (int c = 0; c < kComponentCount; ++c) {
        std::int32_t size = Files->ComponentSize(std::string(kComponentFiles[c]), "C:\\Dest");
        EXPECT_GE(size, expected[c]) << c;
        EXPECT_EQ(size % 32768, 0) << c;
    }
    EXPECT_EQ(Files->ComponentSize("Absent.txt\r\nvlmr.exe\nLicence.txt", "C:\\Dest"),
              Files->ComponentSize(std::string(kComponentFiles[0]), "C:\\Dest"));
    EXPECT_EQ(Files->RoundToCluster(4097, 0), 4097);
    EXPECT_EQ(Files->RoundToCluster(0, 4096), 0);
}

TEST_F(AttachedFiles, IfMissingQueuesTemplatesOnceUnlessAlways) {
    const std::string prefix = "Modèles de document\\";
    EXPECT_TRUE(Files->QueueForInstall(test::Request(prefix, "C:\\F", 4, TInstallMode::IfMissing)));
    const auto& queue = Files->Queues[4];
    ASSERT_EQ(queue.size(), 29u);
    const TAttachedFile* previous = nullptr;
    for (const TFileToInstall& item : queue) {
        EXPECT_EQ(item.TargetPath, "C:\\F\\" + item.Entry.Name);
        EXPECT_TRUE(item.LogFlag);
        if (previous) {
            EXPECT_LT(previous, &item.Entry);
        }
        previous = &item.Entry;
        ASSERT_TRUE(Machine.Files.PutFile(item.TargetPath, "x"));
    }
    Files->ClearQueue(4);
    EXPECT_FALSE(Files->QueueForInstall(test::Request(prefix, "C:\\F\\", 4, TInstallMode::IfMissing)));
    EXPECT_TRUE(Files->Queues[4].empty());
    EXPECT_TRUE(Files->QueueForInstall(test::Request(prefix, "C:\\F\\", 4, TInstallMode::Always)));
    EXPECT_EQ(Files->Queues[4].size(), 29u);
    EXPECT_FALSE(Files->QueueForInstall(test::Request("Absent.txt", "C:\\F", 4, TInstallMode::Always)));
    EXPECT_EQ(Files->Queues[4].size(), 29u);
}

TEST_F(AttachedFiles, ModesOnPresentAbsentAndChangedFiles) {
    const TAttachedFile& basic = Entry("Basic.asn");
    ASSERT_TRUE(Files->ExtractEntry(&basic, {}, "C:\\Same\\Basic.asn"));
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Changed\\Basic.asn", "old", 0));
    ASSERT_TRUE(Machine.Files.PutFolder("C:\\Folder\\Basic.asn"));
    struct Case {
        const char* Folder;
        TInstallMode Mode;
        bool Queued;
    };
    const Case cases[] = {
        {"C:\\Same", TInstallMode::IfMissing, false},   {"C:\\Same", TInstallMode::IfChanged, false},
        {"C:\\Same", TInstallMode::Always, true},       {"C:\\Changed", TInstallMode::IfMissing, false},
        {"C:\\Changed", TInstallMode::IfChanged, true}, {"C:\\Absent", TInstallMode::IfMissing, true},
        {"C:\\Absent", TInstallMode::IfChanged, true},  {"C:\\Folder", TInstallMode::IfMissing, true},
    };
    for (const Case& c : cases) {
        Files->ClearQueue(6);
        EXPECT_EQ(Files->QueueForInstall(test::Request("BASIC.ASN", c.Folder, 6, c.Mode)), c.Queued)
            << c.Folder;
        EXPECT_EQ(Files->Queues[6].size(), c.Queued ? 1u : 0u) << c.Folder;
    }
}

TEST_F(AttachedFiles, LogFlagUpdateListAndWholePath) {
    TInstallRequest quiet = test::Request("Basic.asn", "D:\\Data\\Sons", 6, TInstallMode::IfMissing);
    quiet.Logged = false;
    quiet.Update = TUpdateMark::Kept;
    EXPECT_TRUE(Files->QueueForInstall(quiet));
    EXPECT_FALSE(Files->Queues[6][0].LogFlag);
    TInstallRequest listed = test::Request("French.asc", "D:\\Data", 1, TInstallMode::Always);
    listed.Update = TUpdateMark::Listed;
    EXPECT_TRUE(Files->QueueForInstall(listed));
    EXPECT_TRUE(Files->Queues[1][0].LogFlag);
    EXPECT_TRUE(Files->QueueForInstall(test::Request("vlmr.exe", "C:\\Dest", 0, TInstallMode::IfMissing)));
    TInstallRequest british = test::Request("English (American).cache", "C:\\Dest\\English (British).cache",
                                            2, TInstallMode::Always);
    british.WholePath = true;
    EXPECT_TRUE(Files->QueueForInstall(british));
    EXPECT_EQ(Files->Queues[2][0].TargetPath, "C:\\Dest\\English (British).cache");
    EXPECT_EQ(Files->UpdateList,
              (std::vector<std::string>{"D:\\Data\\Sons\\Basic.asn\t!", "D:\\Data\\French.asc"}));
}

TEST_F(AttachedFiles, QueuedTotalCountsTheSecondCacheCopy) {
    std::int64_t sum = 0;
    for (const TAttachedFile& e : Files->Entries) {
        sum += e.Size;
        EXPECT_TRUE(Files->QueueForInstall(
            test::Request(e.Name, "C:\\Dest", static_cast<int>(sum % kQueueCount), TInstallMode::IfMissing)));
    }
    TInstallRequest british = test::Request("English (American).cache", "C:\\Dest\\English (British).cache",
                                            2, TInstallMode::Always);
    british.WholePath = true;
    EXPECT_TRUE(Files->QueueForInstall(british));
    EXPECT_EQ(Files->QueuedTotal(), sum + 8022);
    for (int c = 0; c < kQueueCount; ++c)
        Files->ClearQueue(c);
    EXPECT_EQ(Files->QueuedTotal(), 0);
}

TEST_F(AttachedFiles, DestructionDeletesTempLeftovers) {
    std::string leftover = Utils.NewTempFileName();
    ASSERT_TRUE(Machine.Files.PutFile(leftover, "x"));
    Files.reset();
    EXPECT_FALSE(Machine.Files.FileContent(leftover).has_value());
}

} // namespace
} // namespace ulv
