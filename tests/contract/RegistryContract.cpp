#include "ContractEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace ulv::contract {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The characters and the terminating NUL, as a REG_SZ holds them.
Bytes StringBytes(const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

Bytes DwordBytes(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

struct TRead {
    std::int32_t Status = -1;
    std::uint32_t Type = 0xDEAD;
    std::uint32_t Size = 0;
    Bytes Data; // only on success: the bytes the call reported
};

// Every case works in a key of its own below the harness's scratch key; all of them run against one
// machine when the suite runs in one process.
class RegistryContract : public ::testing::Test {
protected:
    IRegistry& Registry = Env().Platform.Registry;

    static std::string KeyPath(const std::string& below = "") {
        std::string path =
            Env().RegistryScratch + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        return below.empty() ? path : path + "\\" + below;
    }

    UniqueKey Create(RegKey parent, const std::string& path) {
        RegKey key = kNoKey;
        EXPECT_EQ(Registry.RegCreateKeyExA(parent, path, kRegOptionNonVolatile, kKeyAllAccess, key), 0)
            << path;
        EXPECT_NE(key, kNoKey) << path;
        return UniqueKey(Registry, key);
    }

    void Set(RegKey key, const std::string& name, std::uint32_t type, const Bytes& data) {
        EXPECT_EQ(
            Registry.RegSetValueExA(key, name, type, data.data(), static_cast<std::uint32_t>(data.size())), 0)
            << name;
    }

    TRead Query(RegKey key, const std::string& name, std::uint32_t bufferSize) {
        TRead read;
        Bytes buffer(std::max<std::uint32_t>(bufferSize, 1), 0xCC); // never a null buffer, even of size 0
        read.Size = bufferSize;
        read.Status = Registry.RegQueryValueExA(key, name, &read.Type, buffer.data(), read.Size);
        if (read.Status == 0) read.Data.assign(buffer.begin(), buffer.begin() + read.Size);
        return read;
    }

    TRead QuerySize(RegKey key, const std::string& name, std::uint32_t sizeIn = 0) {
        TRead read;
        read.Size = sizeIn;
        read.Status = Registry.RegQueryValueExA(key, name, &read.Type, nullptr, read.Size);
        return read;
    }
};

TEST_F(RegistryContract, MissingKeysAreCreatedAtEveryLevelAndOpenAgainIgnoringCase) {
    const Bytes folder = StringBytes("D:\\Outils");
    {
        UniqueKey key = Create(kHkeyCurrentUser, KeyPath("Un\\Deux\\Trois"));
        Set(key.Get(), "MAINDIR", kRegSz, folder);
    }
    UniqueKey again = Create(kHkeyCurrentUser, KeyPath("UN\\deux\\tRoIs"));
    EXPECT_EQ(Query(again.Get(), "MAINDIR", 64).Data, folder);
}

TEST_F(RegistryContract, PathsAreRelativeToTheKeyGiven) {
    UniqueKey outer = Create(kHkeyCurrentUser, KeyPath());
    {
        UniqueKey inner = Create(outer.Get(), "Internal\\Sous");
        Set(inner.Get(), "LastRunVer", kRegDword, DwordBytes(20004000));
    }
    UniqueKey fromRoot = Create(kHkeyCurrentUser, KeyPath("Internal\\Sous"));
    EXPECT_EQ(Query(fromRoot.Get(), "LastRunVer", 4).Data, DwordBytes(20004000));
}

TEST_F(RegistryContract, OpeningCreatesNothing) {
    RegKey key = 0x1234;
    EXPECT_EQ(Registry.RegOpenKeyExA(kHkeyCurrentUser, KeyPath("Absent"), kKeyRead, key),
              static_cast<std::int32_t>(kErrorFileNotFound));
    EXPECT_EQ(key, kNoKey);
    UniqueKey created = Create(kHkeyCurrentUser, KeyPath());
    Set(created.Get(), "LAUNCH", kRegDword, DwordBytes(1));
    ASSERT_EQ(Registry.RegOpenKeyExA(kHkeyCurrentUser, KeyPath(), kKeyRead, key), 0);
    UniqueKey opened(Registry, key);
    EXPECT_EQ(Query(opened.Get(), "LAUNCH", 4).Data, DwordBytes(1));
}

// Which is why the registry access drops the backslash that marks a path from the root.
TEST_F(RegistryContract, PathStartingWithABackslashIsRefused) {
    RegKey key = 0x1234;
    EXPECT_EQ(Registry.RegCreateKeyExA(kHkeyCurrentUser, "\\" + KeyPath(), kRegOptionNonVolatile,
                                       kKeyAllAccess, key),
              static_cast<std::int32_t>(kErrorBadPathname));
    EXPECT_EQ(key, kNoKey);
}

TEST_F(RegistryContract, ValueNamesIgnoreCaseAndKeepTheFirstSpelling) {
    UniqueKey key = Create(kHkeyCurrentUser, KeyPath());
    Set(key.Get(), "MainDir", kRegSz, StringBytes("C:\\A"));
    Set(key.Get(), "MAINDIR", kRegSz, StringBytes("C:\\Bb"));
    EXPECT_EQ(Query(key.Get(), "maindir", 64).Data, StringBytes("C:\\Bb"));
    EXPECT_EQ(RegistryValueNames(KeyPath()), std::vector<std::string>{"MainDir"});
}

TEST_F(RegistryContract, StringKeepsItsBytesWithTheNul) {
    UniqueKey key = Create(kHkeyCurrentUser, KeyPath());
    const Bytes folder = StringBytes("C:\\Program Files\\Modèles");
    const auto size = static_cast<std::uint32_t>(folder.size());
    Set(key.Get(), "Dossier", kRegSz, folder);

    for (std::uint32_t sizeIn : {0u, 1u, 4096u}) {
        TRead sizeOnly = QuerySize(key.Get(), "Dossier", sizeIn);
        EXPECT_EQ(sizeOnly.Status, 0) << "size in " << sizeIn;
        EXPECT_EQ(sizeOnly.Size, size) << "size in " << sizeIn;
        EXPECT_EQ(sizeOnly.Type, kRegSz) << "size in " << sizeIn;
    }
    for (std::uint32_t bufferSize : {size, size + 100}) {
        TRead read = Query(key.Get(), "Dossier", bufferSize);
        EXPECT_EQ(read.Status, 0) << "buffer " << bufferSize;
        EXPECT_EQ(read.Type, kRegSz);
        EXPECT_EQ(read.Data, folder) << "buffer " << bufferSize;
    }
}

TEST_F(RegistryContract, DwordIsFourLittleEndianBytes) {
    UniqueKey key = Create(kHkeyCurrentUser, KeyPath());
    Set(key.Get(), "COMPS_FR (3.1.1)", kRegDword, DwordBytes(0x7FFFFFFE));
    TRead read = Query(key.Get(), "comps_fr (3.1.1)", 4);
    EXPECT_EQ(read.Status, 0);
    EXPECT_EQ(read.Type, kRegDword);
    EXPECT_EQ(read.Data, (Bytes{0xFE, 0xFF, 0xFF, 0x7F}));
}

// What lands in a buffer that is too small differs between systems and types (the bytes that fit, or
// nothing): only the status and the size are promised.
TEST_F(RegistryContract, BufferTooSmallGivesMoreDataAndTheSizeNeeded) {
    UniqueKey key = Create(kHkeyCurrentUser, KeyPath());
    Set(key.Get(), "Chaine", kRegSz, StringBytes("Modèles"));
    Set(key.Get(), "Entier", kRegDword, DwordBytes(1));
    Set(key.Get(), "Binaire", kRegBinary, Bytes{1, 2, 3, 4, 5});
    struct Case {
        std::string Name;
        std::uint32_t Buffer, Needed;
    };
    for (const Case& c : {Case{"Chaine", 0, 8}, Case{"Chaine", 3, 8}, Case{"Chaine", 7, 8},
                          Case{"Entier", 2, 4}, Case{"Binaire", 4, 5}}) {
        TRead read = Query(key.Get(), c.Name, c.Buffer);
        EXPECT_EQ(read.Status, static_cast<std::int32_t>(kErrorMoreData)) << c.Name << " in " << c.Buffer;
        EXPECT_EQ(read.Size, c.Needed) << c.Name << " in " << c.Buffer;
    }
}

TEST_F(RegistryContract, MissingValueIsFileNotFound) {
    UniqueKey key = Create(kHkeyCurrentUser, KeyPath());
    Set(key.Get(), "Autre", kRegDword, DwordBytes(1));
    EXPECT_EQ(QuerySize(key.Get(), "LAUNCH").Status, static_cast<std::int32_t>(kErrorFileNotFound));
    EXPECT_EQ(Query(key.Get(), "LAUNCH", 64).Status, static_cast<std::int32_t>(kErrorFileNotFound));
}

// Readers do not check the type, so what they get back must be what the writer stored.
TEST_F(RegistryContract, TypeAndSizeComeBackAsWrittenWhateverTheReadersBuffer) {
    UniqueKey key = Create(kHkeyCurrentUser, KeyPath());
    Set(key.Get(), "Entier", kRegDword, DwordBytes(7));
    Set(key.Get(), "Court", kRegSz, StringBytes("A"));
    Set(key.Get(), "Change", kRegSz, StringBytes("une longue valeur"));
    Set(key.Get(), "Change", kRegDword, DwordBytes(0));

    TRead dwordAsString = Query(key.Get(), "Entier", 64);
    EXPECT_EQ(dwordAsString.Type, kRegDword);
    EXPECT_EQ(dwordAsString.Data, DwordBytes(7));
    TRead stringAsDword = Query(key.Get(), "Court", 4);
    EXPECT_EQ(stringAsDword.Type, kRegSz);
    EXPECT_EQ(stringAsDword.Data, (Bytes{'A', 0}));
    TRead replaced = Query(key.Get(), "Change", 64);
    EXPECT_EQ(replaced.Type, kRegDword);
    EXPECT_EQ(replaced.Data, DwordBytes(0));
}

TEST_F(RegistryContract, ClosedKeyIsNoLongerValid) {
    UniqueKey key = Create(kHkeyCurrentUser, KeyPath());
    RegKey handle = key.Release();
    EXPECT_EQ(Registry.RegCloseKey(handle), 0);
    EXPECT_EQ(QuerySize(handle, "MAINDIR").Status, static_cast<std::int32_t>(kErrorInvalidHandle));
}

TEST_F(RegistryContract, PredefinedRootStaysOpenWhenClosed) {
    EXPECT_EQ(Registry.RegCloseKey(kHkeyCurrentUser), 0);
    UniqueKey key = Create(kHkeyCurrentUser, KeyPath());
    EXPECT_TRUE(key);
}

} // namespace
} // namespace ulv::contract
