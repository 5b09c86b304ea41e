// The payload loaded beside the window's construction: an index filled in place by Load, possibly on
// another thread, and a start-up that shows the wizard only over a payload known to be good.
#include "app/Startup.h"
#include "engine/AttachFiles.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/ui/HeadlessUi.h"
#include "resources/ResConst.h"
#include "tests/support/TestFiles.h"
#include "wizard/MainDlg.h"
#include "wizard/PageFlow.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <thread>

namespace ulv {
namespace {

std::vector<std::uint8_t> SampleStream() {
    return test::ReadHostFile(ULVARA_SAMPLE_PAYLOAD);
}

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& bytes) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::vector<std::uint8_t> out(size);
    if (compress(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size())) != Z_OK) return {};
    out.resize(size);
    return out;
}

TEST(PayloadLoad, AnEmptyIndexLoadsAsFromStreamDoes) {
    std::vector<std::uint8_t> stream = SampleStream();
    TPayloadFault fault = TPayloadFault::None;
    std::unique_ptr<TAttachedFiles> whole = TAttachedFiles::FromStream(stream, fault);
    ASSERT_NE(whole, nullptr);

    std::unique_ptr<TAttachedFiles> files = TAttachedFiles::CreateEmpty();
    EXPECT_TRUE(files->Entries.empty());
    EXPECT_EQ(files->Payload(), nullptr);
    ASSERT_EQ(files->Load(stream), TPayloadFault::None);
    ASSERT_EQ(files->Entries.size(), whole->Entries.size());
    for (std::size_t i = 0; i < files->Entries.size(); ++i) {
        EXPECT_EQ(files->Entries[i].Name, whole->Entries[i].Name) << i;
        EXPECT_EQ(files->Entries[i].DataOffset, whole->Entries[i].DataOffset) << i;
    }
    ASSERT_EQ(files->PayloadSize(), whole->PayloadSize());
    EXPECT_EQ(std::memcmp(files->Payload(), whole->Payload(), static_cast<std::size_t>(files->PayloadSize())),
              0);
}

TEST(PayloadLoad, AFaultLeavesTheIndexEmpty) {
    std::vector<std::uint8_t> stream = SampleStream();
    std::vector<std::uint8_t> cut(stream.begin(), stream.begin() + static_cast<long>(stream.size() / 2));
    std::vector<std::uint8_t> good, unsafe;
    PutRecord(good, "a.txt", 40000.0, std::vector<std::uint8_t>(10, 'a'));
    PutRecord(unsafe, "..\\evil.txt", 40000.0, std::vector<std::uint8_t>(10, 'b'));
    std::vector<std::uint8_t> records = good;
    records.insert(records.end(), unsafe.begin(), unsafe.end());
    // A stream that inflates whole but whose second record is refused: nothing of the first stays.
    const std::vector<std::uint8_t> badName = Deflate(records);
    ASSERT_FALSE(badName.empty());

    struct Case {
        const std::vector<std::uint8_t>& Stream;
        TPayloadFault Fault;
    };
    for (const Case& c : {Case{cut, TPayloadFault::Truncated}, Case{badName, TPayloadFault::BadName}}) {
        std::unique_ptr<TAttachedFiles> files = TAttachedFiles::CreateEmpty();
        EXPECT_EQ(files->Load(c.Stream), c.Fault);
        EXPECT_TRUE(files->Entries.empty());
        EXPECT_EQ(files->Payload(), nullptr);
        EXPECT_EQ(files->PayloadSize(), 0);
    }
}

// The start-up's own use: loaded on one thread, read on another once that one has been joined.
TEST(PayloadLoad, LoadsOnAnotherThread) {
    std::vector<std::uint8_t> stream = SampleStream();
    std::unique_ptr<TAttachedFiles> files = TAttachedFiles::CreateEmpty();
    TPayloadFault fault = TPayloadFault::Missing;
    std::thread loader([&] { fault = files->Load(stream); });
    loader.join();
    EXPECT_EQ(fault, TPayloadFault::None);
    ASSERT_EQ(files->Entries.size(), 259u);
    EXPECT_EQ(files->Entries[0].Name, "vlmr.exe");
}

class StartupPayload : public ::testing::Test {
protected:
    void TearDown() override { headless::ScriptModalLoop({}); }
    int Run(std::vector<std::uint8_t> stream) {
        Machine.Module.PutResource("FILES", "FILES", std::move(stream));
        Machine.Module.AddIcon(1);
        TPlatform platform = Machine.Platform();
        return RunSetup(platform, "");
    }
    sim::SimMachine Machine;
};

TEST_F(StartupPayload, ADamagedPayloadShowsNoWizard) {
    std::vector<std::uint8_t> stream = SampleStream();
    stream.resize(stream.size() - 10);
    bool shown = false;
    headless::ScriptModalLoop({[&](TForm& form) {
        shown = true;
        form.Close();
    }});
    EXPECT_EQ(Run(std::move(stream)), kExitDamagedSetup);
    EXPECT_FALSE(shown);
    ASSERT_EQ(Machine.System.MessageBoxes.size(), 1u);
    EXPECT_EQ(Machine.System.MessageBoxes[0].Text, kDamagedSetupText);
}

TEST_F(StartupPayload, TheShownWizardWorksFromTheLoadedPayload) {
    std::size_t licenceLines = 0;
    int page = -1;
    headless::ScriptModalLoop({[](TForm& form) { static_cast<TMainDlgForm&>(form).NextBtn.Click(); },
                               [&](TForm& form) {
                                   auto& wizard = static_cast<TMainDlgForm&>(form);
                                   page = wizard.PgCtrl.ActivePage()->Tag;
                                   licenceLines = wizard.LicenseMemo.Lines().size();
                                   wizard.CancelBtn.Click();
                               }});
    EXPECT_EQ(Run(SampleStream()), kExitCancelled);
    EXPECT_EQ(page, kLicensePage) << "the licence comes out of the payload";
    EXPECT_GT(licenceLines, 10u);
    EXPECT_TRUE(Machine.System.MessageBoxes.empty());
}

} // namespace
} // namespace ulv
