#include "utils/RegistryAccess.h"
#include "platform/sim/SimRegistry.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace ulv {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kInstallKey = "Software\\Ulvara Word Processor\\Install";
const std::string kInternalKey = "Software\\Ulvara Word Processor\\Internal";
const std::string kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ulvara Word Processor";

Bytes BytesOf(const std::string& bytes) {
    return Bytes(bytes.begin(), bytes.end());
}

class RegistryAccessTest : public ::testing::Test {
protected:
    sim::SimRegistry Registry;

    void Put(const std::string& name, std::uint32_t type, const Bytes& data) {
        Registry.PutValue(kHkeyCurrentUser, kInstallKey, name, type, data);
    }
    std::optional<Bytes> Stored(RegKey root, const std::string& key, const std::string& name) {
        auto value = Registry.Value(root, key, name);
        if (!value) return std::nullopt;
        return value->Data;
    }
};

TEST_F(RegistryAccessTest, LeadingBackslashOpensFromTheRootOtherwiseFromTheOpenKey) {
    {
        TRegistryAccess access(Registry);
        EXPECT_TRUE(access.OpenKey(kInstallKey));
        EXPECT_TRUE(access.OpenKey("\\" + kInternalKey));
        access.WriteInteger("LastRunVer", 1);
        EXPECT_TRUE(access.OpenKey("Sous"));
        access.WriteInteger("Relative", 2);
        EXPECT_EQ(Registry.OpenKeyCount(), 1u) << "each open closes the key before it";
        access.CloseKey();
        EXPECT_TRUE(access.OpenKey("Racine"));
        access.WriteInteger("FromRoot", 3);
    }
    EXPECT_EQ(Registry.OpenKeyCount(), 0u);
    EXPECT_TRUE(Registry.Value(kHkeyCurrentUser, kInternalKey, "LastRunVer"));
    EXPECT_FALSE(Registry.KeyExists(kHkeyCurrentUser, kInstallKey + "\\Software"));
    EXPECT_TRUE(Registry.Value(kHkeyCurrentUser, kInternalKey + "\\Sous", "Relative"));
    EXPECT_TRUE(Registry.Value(kHkeyCurrentUser, "Racine", "FromRoot"));
}

TEST_F(RegistryAccessTest, SwitchingTheRootClosesTheKey) {
    TRegistryAccess access(Registry);
    EXPECT_EQ(access.RootKey(), kHkeyCurrentUser);
    EXPECT_TRUE(access.OpenKey(kInstallKey));
    access.SetRootKey(kHkeyLocalMachine);
    EXPECT_EQ(access.RootKey(), kHkeyLocalMachine);
    EXPECT_FALSE(access.HasOpenKey());
    EXPECT_EQ(Registry.OpenKeyCount(), 0u);
    access.WriteString("DisplayName", "Traitement de texte Ulvara");
    EXPECT_TRUE(Registry.Writes().empty()) << "the install key was closed, not written";

    EXPECT_TRUE(access.OpenKey(kUninstallKey));
    access.WriteString("DisplayName", "Traitement de texte Ulvara");
    EXPECT_EQ(Stored(kHkeyLocalMachine, kUninstallKey, "DisplayName"),
              BytesOf(std::string("Traitement de texte Ulvara\0", 27)));
}

TEST_F(RegistryAccessTest, WithoutAnOpenKeyNothingIsReadOrWritten) {
    Registry.PutValue(kHkeyCurrentUser, "", "MAINDIR", kRegSz, BytesOf(std::string("C:\\Racine\0", 10)));
    TRegistryAccess access(Registry);
    EXPECT_FALSE(access.ValueExists("MAINDIR"));
    EXPECT_EQ(access.ReadString("MAINDIR"), "");
    EXPECT_EQ(access.ReadInteger("MAINDIR"), std::nullopt);
    access.WriteString("MAINDIR", "C:\\Autre");
    access.WriteBool("LAUNCH", true);
    EXPECT_TRUE(Registry.Writes().empty());
}

TEST_F(RegistryAccessTest, FailedOpenLeavesNoKeyOpen) {
    TRegistryAccess access(Registry);
    ASSERT_TRUE(access.OpenKey(kInstallKey));
    EXPECT_FALSE(access.OpenKey("Vide\\\\Double")); // the registry refuses an empty level
    EXPECT_FALSE(access.HasOpenKey());
    access.WriteString("MAINDIR", "C:\\Ailleurs");
    EXPECT_TRUE(Registry.Writes().empty()) << "not into the key open before";
    EXPECT_EQ(Registry.OpenKeyCount(), 0u);
}

TEST_F(RegistryAccessTest, WritesAreRegSzWithTheNulAndDwords) {
    TRegistryAccess access(Registry);
    access.OpenKey(kInstallKey);
    access.WriteString("EXTENSIONS", "DA");
    access.WriteInteger("COMPS_FR (3.1.1)", -2);
    access.WriteBool("LAUNCH", true);
    access.WriteBool("DSKSHORTCUT", false);
    auto writes = Registry.Writes();
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[0].KeyPath, kInstallKey);
    EXPECT_EQ(writes[0].Type, kRegSz);
    EXPECT_EQ(writes[0].Data, (Bytes{'D', 'A', 0}));
    EXPECT_EQ(writes[1].Type, kRegDword);
    EXPECT_EQ(writes[1].Data, (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(writes[2].Data, (Bytes{1, 0, 0, 0}));
    EXPECT_EQ(writes[3].Data, (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(access.ReadString("extensions"), "DA");
    EXPECT_EQ(access.ReadInteger("COMPS_FR (3.1.1)"), -2);
    EXPECT_EQ(access.ReadBool("LAUNCH"), true);
    EXPECT_EQ(access.ReadBool("DSKSHORTCUT"), false);
}

TEST_F(RegistryAccessTest, StringReadTakesTheBytesUpToTheFirstNulWhateverTheType) {
    Put("Accent", kRegSz, BytesOf(std::string("Modèles\0", 8)));
    Put("Embedded", kRegSz, BytesOf(std::string("ab\0cd\0", 6)));
    Put("Unterminated", kRegSz, BytesOf("abc"));
    Put("Dword", kRegDword, Bytes{'A', 'B', 0, 0});
    Put("FullDword", kRegDword, Bytes{0xFE, 0xFF, 0xFF, 0x7F});
    Put("Empty", kRegSz, Bytes{});
    Put("OnlyNul", kRegSz, Bytes{0});
    const std::pair<const char*, std::string> cases[] = {{"Accent", "Modèles"},
                                                         {"Embedded", "ab"},
                                                         {"Unterminated", "abc"},
                                                         {"Dword", "AB"},
                                                         {"FullDword", "\xFE\xFF\xFF\x7F"},
                                                         {"Empty", ""},
                                                         {"OnlyNul", ""},
                                                         {"Missing", ""}};
    TRegistryAccess access(Registry);
    access.OpenKey(kInstallKey);
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(access.ReadString(name), expected) << name;
    EXPECT_TRUE(access.ValueExists("Empty"));
    EXPECT_FALSE(access.ValueExists("Missing"));
}

TEST_F(RegistryAccessTest, IntegerReadTakesAtMostFourBytesOfAnyType) {
    Put("TwoByteString", kRegSz, BytesOf(std::string("A\0", 2)));
    Put("FiveByteString", kRegSz, BytesOf(std::string("ABCD\0", 5)));
    Put("Negative", kRegDword, Bytes{0xFF, 0xFF, 0xFF, 0xFF});
    Put("ThreeBytes", kRegBinary, Bytes{1, 2, 3});
    Put("Empty", kRegBinary, Bytes{});
    Put("Two", kRegDword, Bytes{2, 0, 0, 0});
    TRegistryAccess access(Registry);
    access.OpenKey(kInstallKey);
    EXPECT_EQ(access.ReadInteger("TwoByteString"), 0x41);
    EXPECT_EQ(access.ReadInteger("FiveByteString"), std::nullopt);
    EXPECT_EQ(access.ReadInteger("Negative"), -1);
    EXPECT_EQ(access.ReadInteger("ThreeBytes"), 0x030201);
    EXPECT_EQ(access.ReadInteger("Empty"), 0);
    EXPECT_EQ(access.ReadInteger("Missing"), std::nullopt);
    EXPECT_EQ(access.ReadBool("Two"), true);
    EXPECT_EQ(access.ReadBool("FiveByteString"), std::nullopt);
}

TEST_F(RegistryAccessTest, OversizedStringReadsAsEmpty) {
    const std::string largest(kMaxRegistryStringBytes - 1, 'x');
    Put("Largest", kRegSz, BytesOf(largest + '\0'));
    Put("TooLarge", kRegSz, BytesOf(largest + "x" + '\0'));
    TRegistryAccess access(Registry);
    access.OpenKey(kInstallKey);
    EXPECT_EQ(access.ReadString("Largest").size(), largest.size());
    EXPECT_EQ(access.ReadString("TooLarge").size(), 0u);
}

// Another process rewrites the value between the size query and the read.
class ChangingRegistry final : public IRegistry {
public:
    ChangingRegistry(sim::SimRegistry& inner, Bytes replacement)
        : Inner(inner), Replacement(std::move(replacement)) {}
    std::int32_t RegCreateKeyExA(RegKey parent, const std::string& subKey, std::uint32_t options,
                                 std::uint32_t access, RegKey& result) override {
        return Inner.RegCreateKeyExA(parent, subKey, options, access, result);
    }
    std::int32_t RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                               RegKey& result) override {
        return Inner.RegOpenKeyExA(parent, subKey, access, result);
    }
    std::int32_t RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t& size) override {
        std::int32_t status = Inner.RegQueryValueExA(key, name, type, data, size);
        if (data == nullptr) Inner.PutValue(kHkeyCurrentUser, kInstallKey, name, kRegSz, Replacement);
        return status;
    }
    std::int32_t RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) override {
        return Inner.RegSetValueExA(key, name, type, data, size);
    }
    std::int32_t RegCloseKey(RegKey key) override { return Inner.RegCloseKey(key); }
    std::int32_t RegDeleteKeyA(RegKey parent, const std::string& subKey) override {
        return Inner.RegDeleteKeyA(parent, subKey);
    }

private:
    sim::SimRegistry& Inner;
    Bytes Replacement;
};

TEST_F(RegistryAccessTest, StringThatChangesBetweenTheQueriesIsNotTakenHalfRead) {
    const Bytes original = BytesOf(std::string("C:\\Ulvara\0", 10));
    Put("MAINDIR", kRegSz, original);
    ChangingRegistry grows(Registry, BytesOf(std::string("C:\\Program Files\\Ulvara\0", 24)));
    TRegistryAccess growing(grows);
    growing.OpenKey(kInstallKey);
    EXPECT_EQ(growing.ReadString("MAINDIR"), "") << "not a truncated prefix of the new value";

    Put("MAINDIR", kRegSz, original);
    ChangingRegistry shrinks(Registry, BytesOf(std::string("C:\\U", 4)));
    TRegistryAccess shrinking(shrinks);
    shrinking.OpenKey(kInstallKey);
    EXPECT_EQ(shrinking.ReadString("MAINDIR"), "C:\\U") << "no byte beyond the value read";
}

TEST_F(RegistryAccessTest, MachineKeyOfAUserWithoutRightsIsLeftAlone) {
    Registry.PutValue(kHkeyLocalMachine, kUninstallKey, "DisplayName", kRegSz,
                      BytesOf(std::string("Ancien\0", 7)));
    Registry.SetMachineWritable(false);
    {
        TRegistryAccess access(Registry);
        access.OpenKey(kInstallKey);
        access.WriteString("MAINDIR", "C:\\Ulvara");
        access.SetRootKey(kHkeyLocalMachine);
        EXPECT_FALSE(access.OpenKey(kUninstallKey)) << "an existing key, asked for all access";
        access.WriteString("DisplayName", "Traitement de texte Ulvara");
        EXPECT_FALSE(access.OpenKey("Software\\Nouvelle"));
        access.WriteString("DisplayName", "Traitement de texte Ulvara");
    }
    auto writes = Registry.Writes();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].Root, kHkeyCurrentUser);
    EXPECT_EQ(Stored(kHkeyLocalMachine, kUninstallKey, "DisplayName"), BytesOf(std::string("Ancien\0", 7)));
    EXPECT_FALSE(Registry.KeyExists(kHkeyLocalMachine, "Software\\Nouvelle"));
    EXPECT_EQ(Registry.OpenKeyCount(), 0u);
}

// The simulated registry's own rules, beyond what the contract suite can observe on Windows.
TEST(SimRegistry, ReadingAMachineKeyNeedsNoRights) {
    sim::SimRegistry registry;
    registry.PutValue(kHkeyLocalMachine, "Software\\Lecture", "Valeur", kRegDword, Bytes{7, 0, 0, 0});
    registry.SetMachineWritable(false);
    RegKey key = kNoKey;
    ASSERT_EQ(registry.RegCreateKeyExA(kHkeyLocalMachine, "software\\LECTURE", 0, kKeyRead, key), 0);
    std::uint32_t size = 0;
    EXPECT_EQ(registry.RegQueryValueExA(key, "valeur", nullptr, nullptr, size), 0);
    const std::uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_EQ(registry.RegSetValueExA(key, "Valeur", kRegDword, one, 4),
              static_cast<std::int32_t>(kErrorAccessDenied));
    EXPECT_EQ(registry.RegCloseKey(key), 0);
    EXPECT_EQ(registry.RegCreateKeyExA(kHkeyLocalMachine, "Software\\Manquante", 0, kKeyRead, key),
              static_cast<std::int32_t>(kErrorAccessDenied));
    EXPECT_EQ(key, kNoKey);
    EXPECT_FALSE(registry.KeyExists(kHkeyLocalMachine, "Software\\Manquante"));
    EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

TEST(SimRegistry, ValuesListInCreationOrderWithTheirFirstSpelling) {
    sim::SimRegistry registry;
    for (const char* name : {"Zeta", "alpha", "ALPHA", "Mu"})
        registry.PutValue(kHkeyCurrentUser, "Clé", name, kRegDword, Bytes{0, 0, 0, 0});
    const std::string upperKey = "CLÉ";
    EXPECT_EQ(registry.ValueNames(kHkeyCurrentUser, upperKey),
              (std::vector<std::string>{"Zeta", "alpha", "Mu"}));
    registry.DeleteValue(kHkeyCurrentUser, "clé", "ZETA");
    EXPECT_EQ(registry.ValueNames(kHkeyCurrentUser, upperKey), (std::vector<std::string>{"alpha", "Mu"}));
}

TEST(SimRegistry, KeyDeletedUnderAnOpenHandleAnswersKeyDeleted) {
    sim::SimRegistry registry;
    RegKey key = kNoKey;
    ASSERT_EQ(registry.RegCreateKeyExA(kHkeyCurrentUser, "A\\B", 0, kKeyAllAccess, key), 0);
    registry.DeleteKey(kHkeyCurrentUser, "a");
    EXPECT_FALSE(registry.KeyExists(kHkeyCurrentUser, "A\\B"));
    std::uint32_t size = 0;
    EXPECT_EQ(registry.RegQueryValueExA(key, "X", nullptr, nullptr, size), sim::kErrorKeyDeleted);
    EXPECT_EQ(registry.RegCloseKey(key), 0);
    EXPECT_EQ(registry.RegCloseKey(key), static_cast<std::int32_t>(kErrorInvalidHandle));
}

} // namespace
} // namespace ulv
