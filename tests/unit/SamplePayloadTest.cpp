// The sample payload that the build packs into the program: the names, groups, sizes and stamps that the
// component catalogue and the install plan rely on.
#include "engine/AttachFiles.h"
#include "platform/sim/SimText.h"
#include "resources/ResConst.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ulv {
namespace {

class SamplePayload : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Stream = new std::vector<std::uint8_t>(test::ReadHostFile(ULVARA_SAMPLE_PAYLOAD));
        TPayloadFault fault;
        Files = TAttachedFiles::FromStream(*Stream, fault).release();
        ASSERT_NE(Files, nullptr) << PayloadFaultName(fault);
    }
    static void TearDownTestSuite() {
        delete Files;
        delete Stream;
    }
    static const TAttachedFile* Find(std::string_view name) {
        for (auto& e : Files->Entries)
            if (sim::SameTextNoCase(e.Name, name)) return &e;
        return nullptr;
    }
    static bool Under(const TAttachedFile& e, std::string_view prefix) {
        return e.Name.size() > prefix.size() && sim::SameTextNoCase(e.Name.substr(0, prefix.size()), prefix);
    }
    static std::int64_t Rounded(std::int32_t size, std::int32_t unit) {
        return size % unit == 0 ? size : (size / unit + 1) * static_cast<std::int64_t>(unit);
    }
    // Disk space of a component's file list on a volume with the given allocation unit.
    static std::int64_t ComponentBytes(std::string_view list, std::int32_t unit) {
        std::int64_t total = 0;
        size_t start = 0;
        while (start <= list.size()) {
            size_t cut = std::min(list.find('\r', start), list.size());
            std::string_view line = list.substr(start, cut - start);
            if (line.ends_with('\\')) {
                for (auto& e : Files->Entries)
                    if (Under(e, line)) total += Rounded(e.Size, unit);
            } else if (const TAttachedFile* e = Find(line)) {
                total += Rounded(e->Size, unit);
            }
            start = cut + 1;
        }
        return total;
    }

    static std::vector<std::uint8_t>* Stream;
    static TAttachedFiles* Files;
};
std::vector<std::uint8_t>* SamplePayload::Stream = nullptr;
TAttachedFiles* SamplePayload::Files = nullptr;

TEST_F(SamplePayload, HoldsTheEntriesInGroupOrder) {
    const auto& e = Files->Entries;
    ASSERT_EQ(e.size(), 259u);
    EXPECT_EQ(e[0].Name, "vlmr.exe");
    EXPECT_EQ(e[0].Size, 4452520);
    EXPECT_EQ(e[0].DataOffset, 21);
    EXPECT_EQ(e[1].Name, "Licence.txt");
    const char* english[] = {"English (American).asc", "English (British).asc",    "us.zlx",     "uk.zlx",
                             "userdicen.tlx",          "English (American).cache", "english.zlx"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(e[2 + i].Name, english[i]);
    for (int i = 9; i <= 37; ++i)
        EXPECT_TRUE(Under(e[i], "Modèles de document\\")) << e[i].Name;
    for (int i = 38; i <= 253; ++i)
        EXPECT_TRUE(Under(e[i], "Collections d'inserts\\")) << e[i].Name;
    EXPECT_EQ(e[254].Name, "Basic.asn");
    EXPECT_EQ(e[255].Name, "French.asc");
    EXPECT_EQ(e[256].Name, "persodicfr.tlx");
    EXPECT_EQ(e[257].Name, "français.zlx");
    EXPECT_EQ(e[258].Name, "Coupe de mots.dat");
    EXPECT_EQ(e[258].DataOffset + e[258].Size, Files->PayloadSize());
}

TEST_F(SamplePayload, InsertCollectionsHoldTheImagesAndBullets) {
    int images = 0;
    for (auto& e : Files->Entries)
        images += Under(e, "Collections d'inserts\\Images\\");
    EXPECT_EQ(images, 126);
    for (int i = 1; i <= 9; ++i) {
        std::string name = "Collections d'inserts\\Images\\Puces\\Puce 0" + std::to_string(i) + ".png";
        EXPECT_NE(Find(name), nullptr) << name;
    }
    EXPECT_NE(Find("Modèles de document\\Divers\\Conte.rtf"), nullptr);
    EXPECT_NE(Find("Modèles de document\\Mémos\\Mémo 1.rtf"), nullptr);
    EXPECT_NE(Find("Collections d'inserts\\Images\\Étoiles\\Étoile 10.gif"), nullptr);
    // What the clean-up of old versions deletes must not be among the new files.
    for (auto& e : Files->Entries) {
        EXPECT_FALSE(Under(e, "Collections d'inserts\\Images\\Coches\\")) << e.Name;
        EXPECT_FALSE(sim::SameTextNoCase(e.Name, "Collections d'inserts\\Images\\Puces\\Cible.gif"));
        for (int n = 1; n <= 32; ++n)
            EXPECT_FALSE(sim::SameTextNoCase(e.Name, "Collections d'inserts\\Images\\Puces\\Puce " +
                                                         std::to_string(n) + ".gif"));
    }
}

TEST_F(SamplePayload, WorkedExampleRecordAndFixedSizes) {
    const TAttachedFile* us = Find("us.zlx");
    ASSERT_NE(us, nullptr);
    const std::uint8_t expected[19] = {0x06, 0x75, 0x73, 0x2E, 0x7A, 0x6C, 0x78, 0xB8, 0x1E, 0x85,
                                       0xEB, 0xEC, 0xEA, 0xE4, 0x40, 0x3A, 0x55, 0x01, 0x00};
    EXPECT_EQ(std::memcmp(Files->Payload() + us->DataOffset - 19, expected, 19), 0);
    EXPECT_EQ(Find("English (American).cache")->Size, 8022);
    EXPECT_EQ(Find("userdicen.tlx")->Size, 0);
    EXPECT_EQ(Find("persodicfr.tlx")->Size, 0);
    for (auto& e : Files->Entries) {
        bool empty = e.Name == "userdicen.tlx" || e.Name == "persodicfr.tlx";
        EXPECT_EQ(e.Size == 0, empty) << e.Name;
    }
}

TEST_F(SamplePayload, ComponentSizesOnClusteredVolumes) {
    const std::int64_t expected[kComponentCount] = {4460544, 622592, 471040, 184320, 770048, 1003520, 65536};
    std::int64_t sum4k = 0, sum32k = 0;
    for (int c = 0; c < kComponentCount; ++c) {
        EXPECT_EQ(ComponentBytes(kComponentFiles[c], 4096), expected[c]) << kComponentNames[c];
        std::int64_t large = ComponentBytes(kComponentFiles[c], 32768);
        EXPECT_GE(large, expected[c]);
        sum4k += expected[c];
        sum32k += large;
    }
    EXPECT_EQ(sum4k, 7400 * 1024);
    EXPECT_GT(sum32k, sum4k + 200 * 28672) << "every small file takes a whole unit of its own";
    // The catalogue's lists cover every entry exactly once.
    std::int64_t all = 0;
    for (auto& e : Files->Entries)
        all += Rounded(e.Size, 4096);
    EXPECT_EQ(all, sum4k);
}

TEST_F(SamplePayload, StampsFollowTheEvenSecondRule) {
    const TDateTime first = EncodeDateTime({1995, 8, 15, 22, 46, 10});
    const TDateTime last = EncodeDateTime({2020, 2, 17, 11, 31, 32});
    for (auto& e : Files->Entries) {
        TCivilTime t;
        ASSERT_TRUE(DecodeDateTime(e.Time, t)) << e.Name;
        EXPECT_EQ(t.Second % 2, 0) << e.Name;
        EXPECT_EQ(t.Millisecond, 0) << e.Name;
        // Bit for bit the value a DOS-precision file date reads back as.
        const TDateTime again = EncodeDateTime(t);
        EXPECT_EQ(std::memcmp(&e.Time, &again, sizeof again), 0) << e.Name;
        EXPECT_GE(e.Time, first) << e.Name;
        EXPECT_LE(e.Time, last) << e.Name;
    }
}

TEST_F(SamplePayload, CompressesLikeTheRealFiles) {
    ASSERT_GE(Stream->size(), 2u);
    EXPECT_EQ((*Stream)[0], 0x78);
    EXPECT_EQ((*Stream)[1], 0xDA);
    EXPECT_NEAR(static_cast<double>(Stream->size()), 3.6e6, 0.3e6);
    EXPECT_NEAR(static_cast<double>(Files->PayloadSize()), 6.7e6, 0.3e6);
}

} // namespace
} // namespace ulv
