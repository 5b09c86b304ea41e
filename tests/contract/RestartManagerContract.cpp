#include "ContractEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace ulv::contract {
namespace {

struct TListing {
    std::uint32_t Error = 0xDEAD;
    std::vector<TRmProcessInfo> Processes;
    std::uint32_t RebootReasons = 0xDEAD;
};

// One session, the files registered, the list, the session ended.
TListing ListUsers(const std::vector<std::string>& files) {
    IRestartManager& manager = Env().Platform.RestartManager;
    TListing listing;
    UniqueRmSession session(manager);
    EXPECT_EQ(session.StartError(), kErrorSuccess);
    EXPECT_EQ(manager.RmRegisterResources(session.Get(), files), kErrorSuccess);
    listing.Error = manager.RmGetList(session.Get(), listing.Processes, listing.RebootReasons);
    return listing;
}

bool ListsThisProcess(const TListing& listing) {
    return std::any_of(listing.Processes.begin(), listing.Processes.end(),
                       [](const TRmProcessInfo& p) { return p.ProcessId == CurrentProcessId(); });
}

// The setup's running-copy check rests on this: a file in use is seen with who uses it, one unused has
// nobody. Wine 8 answers every call with success and never lists anybody.
TEST(RestartManagerContract, ListsWhoHoldsAFile) {
    IRestartManager& manager = Env().Platform.RestartManager;
    RmSessionHandle probe = 0;
    if (std::uint32_t error = manager.RmStartSession(probe); error != kErrorSuccess) {
        EXPECT_EQ(error, kErrorModNotFound);
        GTEST_SKIP() << "this system has no Restart Manager";
    }
    EXPECT_EQ(manager.RmEndSession(probe), kErrorSuccess);

    const std::string file = Env().Scratch + "tenu.txt";
    IFiles& files = Env().Platform.Files;
    UniqueFile created(files, files.CreateFileA(file, kGenericWrite, 0, kCreateAlways, kFileAttributeNormal));
    ASSERT_TRUE(created);
    created.Reset();

    TListing unused = ListUsers({file, Env().Scratch + "absent.exe"});
    EXPECT_EQ(unused.Error, kErrorSuccess);
    EXPECT_TRUE(unused.Processes.empty());
    EXPECT_EQ(unused.RebootReasons, 0u);

    UniqueFile held(files, files.CreateFileA(file, kGenericRead | kGenericWrite, 0, kOpenExisting, 0));
    ASSERT_TRUE(held);
    TListing used = ListUsers({file});
    EXPECT_EQ(used.Error, kErrorSuccess);
    if (UnderWine()) {
        EXPECT_TRUE(used.Processes.empty()) << "Wine lists somebody now: the stub has grown";
        EXPECT_EQ(used.RebootReasons, 0u);
    } else {
        // Windows may say the caller itself by a reboot reason rather than in the list.
        EXPECT_TRUE(ListsThisProcess(used) || (used.RebootReasons & kRmRebootReasonDetectedSelf))
            << used.Processes.size() << " listed, reasons " << used.RebootReasons;
    }
}

TEST(RestartManagerContract, AnEndedSessionIsGone) {
    IRestartManager& manager = Env().Platform.RestartManager;
    RmSessionHandle session = 0;
    if (manager.RmStartSession(session) != kErrorSuccess)
        GTEST_SKIP() << "this system has no Restart Manager";
    ASSERT_EQ(manager.RmEndSession(session), kErrorSuccess);
    std::vector<TRmProcessInfo> processes{TRmProcessInfo{}};
    std::uint32_t reasons = 0xDEAD;
    std::uint32_t error = manager.RmGetList(session, processes, reasons);
    EXPECT_TRUE(processes.empty());
    if (UnderWine()) {
        EXPECT_EQ(error, kErrorSuccess) << "Wine 8 keeps no sessions";
        EXPECT_EQ(manager.RmEndSession(session), kErrorSuccess);
    } else {
        EXPECT_EQ(error, kErrorInvalidHandle);
        EXPECT_EQ(manager.RmEndSession(session), kErrorInvalidHandle);
    }
}

} // namespace
} // namespace ulv::contract
