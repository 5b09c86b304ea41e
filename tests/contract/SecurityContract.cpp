#include "ContractEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace ulv::contract::security {
namespace {

constexpr const char* kProgramFolder = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
constexpr std::uint32_t kAsItself = kFileFlagBackupSemantics | kFileFlagOpenReparsePoint;

std::string SidOf(const std::string& text) {
    if (text == "BA") return kSidAdministrators;
    if (text == "SY") return kSidLocalSystem;
    if (text == "BU") return "S-1-5-32-545";
    return text;
}

std::uint32_t MaskOf(const std::string& rights) {
    if (rights == "FA") return 0x1F01FF;
    if (rights == "FRFX" || rights == "FXFR") return 0x1200A9;
    return static_cast<std::uint32_t>(std::strtoul(rights.c_str(), nullptr, 0));
}

// An entry by its meaning: type, inheritance flags (two letters each, in any order), rights, trustee.
using TAce = std::tuple<std::string, std::set<std::string>, std::uint32_t, std::string>;
struct TDacl {
    std::string Owner;
    std::string Flags;
    std::set<TAce> Entries;
};

TDacl Parse(const std::string& sddl) {
    TDacl dacl;
    size_t d = sddl.find("D:");
    if (sddl.starts_with("O:")) dacl.Owner = SidOf(sddl.substr(2, std::min(sddl.find("G:"), d) - 2));
    if (d == std::string::npos) return dacl;
    size_t open = sddl.find('(', d);
    dacl.Flags = sddl.substr(d + 2, std::min(open, sddl.size()) - d - 2);
    for (; open != std::string::npos; open = sddl.find('(', open + 1)) {
        const std::string ace = sddl.substr(open + 1, sddl.find(')', open) - open - 1);
        std::vector<std::string> field;
        for (size_t at = 0, cut = 0; cut != std::string::npos; at = cut + 1) {
            cut = ace.find(';', at);
            field.push_back(ace.substr(at, cut - at));
        }
        if (field.size() < 6) {
            ADD_FAILURE() << "an entry of fewer than six fields: " << ace;
            continue;
        }
        std::set<std::string> flags;
        for (size_t i = 0; i + 1 < field[1].size(); i += 2)
            flags.insert(field[1].substr(i, 2));
        dacl.Entries.insert({field[0], flags, MaskOf(field[2]), SidOf(field[5])});
    }
    return dacl;
}

std::string TestName() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

class SecurityContract : public ::testing::Test {
protected:
    IFiles& Files = Env().Platform.Files;
    const std::string Dir = Env().Scratch + TestName() + "\\";

    void SetUp() override { ASSERT_TRUE(Files.CreateDirectoryA(Dir)) << Dir; }
};

// The descriptor is the folder's from its making: protected (nothing taken from the parent) with exactly
// the entries given, and the owner the process gives what it makes. The text read back is compared by
// meaning, as the system spells it its own way.
//
// Wine 8 keeps no descriptor: it turns the DACL given into the folder's Unix mode (an entry for Everyone
// would give the other users' bits; here there is none, so 0700) and answers with a DACL it makes up from
// that mode, as for every file: owned by the process's user (S-1-5-21-0-0-0-1000), not protected,
// "(A;OICI;FA;;;SY)(A;OICI;FA;;;<user>)", and "(A;OICI;0x1200a9;;;WD)" when others may read (a folder
// made without a descriptor, the drive root and C:\Program Files all answer that way). Its answer is
// recorded as it is; it lets every elevated process of Wine's single user change any folder anyway.
TEST_F(SecurityContract, AFolderMadeWithADescriptorHasExactlyItsDacl) {
    const std::string folder = Dir + "Programme";
    ASSERT_TRUE(Files.CreateDirectoryWithSddl(folder, kProgramFolder)) << Files.LastError();
    UniqueFile f(Files, Files.CreateFileA(folder, kReadControl, kFileShareRead | kFileShareWrite,
                                          kOpenExisting, kAsItself));
    ASSERT_TRUE(f);
    std::optional<std::string> sddl = Files.GetSecuritySddl(f.Get());
    ASSERT_TRUE(sddl) << Files.LastError();
    const TDacl dacl = Parse(*sddl);
    EXPECT_EQ(dacl.Owner, Files.GetOwnerSid(f.Get()).value_or("?")) << *sddl;
    const std::set<std::string> inherited = {"OI", "CI"};
    if (UnderWine()) {
        EXPECT_EQ(dacl.Flags.find('P'), std::string::npos) << *sddl;
        const std::set<TAce> fromMode = {{"A", inherited, 0x1F01FF, kSidLocalSystem},
                                         {"A", inherited, 0x1F01FF, dacl.Owner}};
        EXPECT_EQ(dacl.Entries, fromMode) << "Wine keeps descriptors now: " << *sddl;
    } else {
        EXPECT_NE(dacl.Flags.find('P'), std::string::npos) << *sddl;
        const std::set<TAce> expected = {{"A", inherited, 0x1F01FF, kSidLocalSystem},
                                         {"A", inherited, 0x1F01FF, kSidAdministrators},
                                         {"A", inherited, 0x1200A9, "S-1-5-32-545"}};
        EXPECT_EQ(dacl.Entries, expected) << *sddl;
    }

    UniqueFile blind(
        Files, Files.CreateFileA(folder, 0, kFileShareRead | kFileShareWrite, kOpenExisting, kAsItself));
    ASSERT_TRUE(blind);
    EXPECT_EQ(Files.GetSecuritySddl(blind.Get()), std::nullopt);
    EXPECT_EQ(Files.LastError(), kErrorAccessDenied);

    EXPECT_FALSE(Files.CreateDirectoryWithSddl(Dir + "Refusé", "D:P(A;OICI;FA"));
    EXPECT_EQ(Files.LastError(), kErrorInvalidAcl);
    EXPECT_EQ(Files.GetFileAttributesA(Dir + "Refusé"), kInvalidFileAttributes);
}

} // namespace
} // namespace ulv::contract::security
