#include "engine/PayloadFormat.h"
#include "engine/AttachFiles.h"
#include "tools/payload/Packer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <memory>

namespace ulv {
namespace {

using pack::TPackItem;
using Bytes = std::vector<std::uint8_t>;

Bytes Text(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

// Words of a small vocabulary in a pseudo-random order: text that deflates about fivefold to tenfold.
std::string Words(size_t length) {
    static const char* kWords[] = {"ligne",  "mot",   "dictionnaire", "page",  "modèle", "texte",
                                   "lettre", "coupe", "insert",       "image", "phrase", "titre",
                                   "note",   "fin",   "un",           "de"};
    std::string text;
    std::uint32_t seed = 12345;
    while (text.size() < length) {
        seed = seed * 1103515245u + 12345u;
        text += kWords[(seed >> 16) % 16];
        text += (seed >> 8) % 9 == 0 ? "\r\n" : " ";
    }
    return text;
}

std::vector<TPackItem> SampleItems() {
    return {
        {"vlmr.exe", {2020, 2, 17, 11, 31, 32}, Text("MZ program")},
        {"Modèles de document\\Mémos\\Mémo 1.rtf", {1995, 8, 15, 22, 46, 10}, Text("{\\rtf1 Mémo}")},
        {"persodicfr.tlx", {2019, 5, 1, 8, 0, 0}, {}},
        {std::string(200, 'a') + "\\" + std::string(54, 'b'), {1980, 1, 1, 0, 0, 0}, Text("255-byte name")},
    };
}

Bytes Pack(const std::vector<TPackItem>& items, Bytes* rawOut = nullptr) {
    Bytes raw, stream;
    std::string error;
    EXPECT_TRUE(pack::BuildRecords(items, raw, error)) << error;
    EXPECT_TRUE(pack::CompressRecords(raw, stream, error)) << error;
    if (rawOut) *rawOut = raw;
    return stream;
}

// The walker must never read past the data it is given: the copy is exactly that long so that the
// address sanitizer catches a read one byte beyond.
TPayloadFault WalkExact(const Bytes& data, size_t length, std::vector<TPayloadRecord>& records) {
    auto copy = std::make_unique<std::uint8_t[]>(length ? length : 1);
    std::memcpy(copy.get(), data.data(), length);
    return WalkPayloadRecords({copy.get(), length}, records);
}

TEST(PayloadFormat, WorkedExampleRecordBytes) {
    Bytes out;
    Bytes data(87354, 0x55);
    PutRecord(out, "us.zlx", EncodeDateTime({2017, 4, 14, 9, 41, 24}), data);
    const Bytes expected = {0x06, 0x75, 0x73, 0x2E, 0x7A, 0x6C, 0x78, 0xB8, 0x1E, 0x85,
                            0xEB, 0xEC, 0xEA, 0xE4, 0x40, 0x3A, 0x55, 0x01, 0x00};
    ASSERT_EQ(out.size(), 19u + 87354u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 19), expected);
}

TEST(PayloadFormat, PackedStreamReadsBackEntryForEntry) {
    auto items = SampleItems();
    Bytes stream = Pack(items);
    ASSERT_GE(stream.size(), 2u);
    EXPECT_EQ(stream[0], 0x78);
    EXPECT_EQ(stream[1], 0xDA);

    TPayloadFault fault;
    auto files = TAttachedFiles::FromStream(stream, fault);
    ASSERT_TRUE(files) << PayloadFaultName(fault);
    ASSERT_EQ(files->Entries.size(), items.size());
    EXPECT_EQ(files->Entries[0].DataOffset, 21); // 1 + 8 name bytes + 8 + 4
    for (size_t i = 0; i < items.size(); ++i) {
        const TAttachedFile& e = files->Entries[i];
        EXPECT_EQ(e.Name, items[i].Name);
        EXPECT_EQ(e.Time, EncodeDateTime(items[i].Stamp));
        ASSERT_EQ(e.Size, static_cast<std::int32_t>(items[i].Data.size()));
        EXPECT_EQ(Bytes(files->Payload() + e.DataOffset, files->Payload() + e.DataOffset + e.Size),
                  items[i].Data);
    }
    const TAttachedFile& last = files->Entries.back();
    EXPECT_EQ(last.DataOffset + last.Size, files->PayloadSize()); // the walk ends exactly at the end
    EXPECT_EQ(files->Entries[3].Name.size(), 255u);
    EXPECT_EQ(files->Entries[1].Name[3], '\xE8'); // "è" in Windows-1252
}

TEST(PayloadFormat, BlockGrowsPastFiveTimesTheCompressedSize) {
    // The first block is too small and must grow.
    Bytes raw;
    Bytes stream = Pack({{"a.txt", {2000, 1, 1, 0, 0, 0}, Text(Words(400000))}}, &raw);
    ASSERT_GT(raw.size(), stream.size() * 5);
    TPayloadBlock block;
    ASSERT_EQ(InflatePayload(stream, block), TPayloadFault::None);
    ASSERT_EQ(block.Size, raw.size());
    EXPECT_EQ(std::memcmp(block.Data.get(), raw.data(), raw.size()), 0);
}

TEST(PayloadFormat, PackerRefusesWhatTheFormatCannotCarry) {
    struct Case {
        TPackItem Item;
        const char* Why;
    };
    const Case cases[] = {
        {{"a.txt", {1979, 12, 31, 23, 59, 58}, {}}, "before 1980"},
        {{"a.txt", {2100, 1, 1, 0, 0, 0}, {}}, "after 2099"},
        {{"a.txt", {2000, 1, 1, 0, 0, 1}, {}}, "odd second"},
        {{"a.txt", {2001, 2, 29, 0, 0, 0}, {}}, "no such day"},
        {{"..\\a.txt", {2000, 1, 1, 0, 0, 0}, {}}, "unsafe name"},
        {{std::string(256, 'n'), {2000, 1, 1, 0, 0, 0}, {}}, "name over 255 bytes"},
    };
    for (const Case& c : cases) {
        Bytes raw;
        std::string error;
        EXPECT_FALSE(pack::BuildRecords({c.Item}, raw, error)) << c.Why;
        EXPECT_FALSE(error.empty()) << c.Why;
    }
    Bytes raw;
    std::string error;
    std::vector<TPackItem> twice = {{"Modèles\\É.rtf", {2000, 1, 1, 0, 0, 0}, {}},
                                    {"MODÈLES\\é.RTF", {2000, 1, 1, 0, 0, 0}, {}}};
    EXPECT_FALSE(pack::BuildRecords(twice, raw, error)) << "names equal ignoring case";
}

TEST(PayloadFormat, Utf8NamesBecomeWindows1252) {
    // u8 literals stay UTF-8 whatever the execution character set.
    auto utf8 = [](std::u8string_view s) { return std::string(s.begin(), s.end()); };
    std::string out;
    ASSERT_TRUE(pack::Utf8ToCp1252(utf8(u8"Étoile 10 – œuvre €"), out));
    EXPECT_EQ(out, "\xC9toile 10 \x96 \x9Cuvre \x80");
    const std::string omega = utf8(u8"Ω"); // not in the code page
    EXPECT_FALSE(pack::Utf8ToCp1252(omega, out));
    // Malformed UTF-8 is no name, whatever a lenient decoder would make of it: cut, a continuation byte
    // alone, overlong forms of "." and "\" (a name that would climb or split into folders), a surrogate.
    for (const char* malformed : {"\xC3", "\x80x", "Licence\xC0\xAEtxt",
                                  "Mod\xC1\x9C"
                                  "Divers",
                                  "a\xE0\x80\xAE", "a\xF0\x80\x80\xAE", "\xED\xA0\x80"})
        EXPECT_FALSE(pack::Utf8ToCp1252(malformed, out)) << malformed;
}

TEST(PayloadFormat, RecordsCutAnywhereNeverReadOutside) {
    Bytes raw;
    Pack(SampleItems(), &raw);
    std::vector<size_t> boundaries = {0};
    {
        std::vector<TPayloadRecord> all;
        ASSERT_EQ(WalkExact(raw, raw.size(), all), TPayloadFault::None);
        for (auto& r : all)
            boundaries.push_back(static_cast<size_t>(r.DataOffset) + static_cast<size_t>(r.Size));
    }
    for (size_t cut = 1; cut < raw.size(); ++cut) {
        std::vector<TPayloadRecord> records;
        TPayloadFault fault = WalkExact(raw, cut, records);
        auto at = std::find(boundaries.begin(), boundaries.end(), cut);
        if (at != boundaries.end()) {
            // A cut between records is a shorter archive, which the format cannot tell apart.
            ASSERT_EQ(fault, TPayloadFault::None) << cut;
            ASSERT_EQ(records.size(), static_cast<size_t>(at - boundaries.begin())) << cut;
        } else {
            ASSERT_EQ(fault, TPayloadFault::RecordPastEnd) << cut;
        }
    }
}

TEST(PayloadFormat, SizesPastTheEndAreRefused) {
    for (std::uint32_t size : {4u, 5u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        Bytes raw;
        PutRecord(raw, "a.bin", 1.0, Bytes{1, 2, 3, 4});
        std::memcpy(raw.data() + 1 + 5 + 8, &size, 4); // little-endian host
        std::vector<TPayloadRecord> records;
        TPayloadFault fault = WalkExact(raw, raw.size(), records);
        if (size == 4)
            EXPECT_EQ(fault, TPayloadFault::None);
        else
            EXPECT_EQ(fault, TPayloadFault::RecordPastEnd) << size;
    }
}

TEST(PayloadFormat, NamesThatCouldLeaveTheTargetFolderAreRefused) {
    const char* refused[] = {"",           "\\a.txt",  "\\\\srv\\share\\a",
                             "C:\\a.txt",  "C:a.txt",  "a\\..\\b",
                             "..",         ".",        "a\\.\\b",
                             "a\\\\b",     "a\\",      "a/b",
                             "a/../../b",  "a:stream", "CON",
                             "d\\nul.txt", "COM1.dat", "a.",
                             "a\\b ",      "a*",       "a?",
                             "a\"b",       "a<b",      "a|b",
                             "a\x01"};
    for (const char* name : refused)
        EXPECT_FALSE(IsSafeEntryName(name)) << name;
    const char* accepted[] = {"vlmr.exe",
                              "Modèles de document\\Mémos\\Mémo 1.rtf",
                              "a..b",
                              ".profile",
                              "Collections d'inserts\\Images\\Étoiles\\Étoile 10.gif",
                              "CONTE.rtf",
                              "COM10"};
    for (const char* name : accepted)
        EXPECT_TRUE(IsSafeEntryName(name)) << name;

    Bytes raw;
    PutRecord(raw, "", 1.0, Bytes{});
    std::vector<TPayloadRecord> records;
    EXPECT_EQ(WalkExact(raw, raw.size(), records), TPayloadFault::BadName) << "name length 0";
    raw.clear();
    PutRecord(raw, "ok.txt", 1.0, Bytes{});
    PutRecord(raw, "..\\..\\Windows\\evil.dll", 1.0, Bytes{});
    EXPECT_EQ(WalkExact(raw, raw.size(), records), TPayloadFault::BadName);
}

TEST(PayloadFormat, StampsThatAreNotNumbersAreRefused) {
    Bytes raw;
    PutRecord(raw, "a.txt", std::numeric_limits<double>::quiet_NaN(), Bytes{});
    std::vector<TPayloadRecord> records;
    EXPECT_EQ(WalkExact(raw, raw.size(), records), TPayloadFault::BadStamp);
}

TEST(PayloadFormat, DamagedStreamsAreRefused) {
    Bytes stream = Pack(SampleItems());
    TPayloadBlock block;
    for (size_t cut = 0; cut < stream.size(); ++cut) {
        Bytes part(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut));
        TPayloadFault fault = InflatePayload(part, block);
        ASSERT_TRUE(fault == TPayloadFault::Truncated || fault == TPayloadFault::NotAStream) << cut;
    }
    Bytes trailing = stream;
    trailing.push_back(0);
    EXPECT_EQ(InflatePayload(trailing, block), TPayloadFault::TrailingData);
    Bytes badChecksum = stream;
    badChecksum.back() ^= 1;
    EXPECT_EQ(InflatePayload(badChecksum, block), TPayloadFault::NotAStream);
    Bytes notZlib(1000, 0xA5);
    EXPECT_EQ(InflatePayload(notZlib, block), TPayloadFault::NotAStream);
    Bytes empty = Pack({});
    EXPECT_EQ(InflatePayload(empty, block), TPayloadFault::Empty);
}

TEST(PayloadFormat, StreamWithoutEndIsTruncated) {
    // Deflate blocks flushed but never finished: the data goes on being valid and never ends.
    Bytes input = Text(Words(100000));
    z_stream z{};
    ASSERT_EQ(deflateInit(&z, 9), Z_OK);
    Bytes out(200000);
    z.next_in = input.data();
    z.avail_in = static_cast<uInt>(input.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    ASSERT_EQ(deflate(&z, Z_SYNC_FLUSH), Z_OK);
    out.resize(z.total_out);
    deflateEnd(&z);
    TPayloadBlock block;
    EXPECT_EQ(InflatePayload(out, block), TPayloadFault::Truncated);
}

TEST(PayloadFormat, ExpansionIsBounded) {
    // 2 MiB of zeros deflate to about 2 KiB: a thousandfold, far past any payload of ours. (The block grows
    // by the stream's size at a time, each growth a copy under some allocators, the sanitizers' among them:
    // the cost grows as the square of the bomb's size.)
    Bytes zeros(2u << 20, 0);
    uLongf length = compressBound(zeros.size());
    Bytes bomb(length);
    ASSERT_EQ(compress2(bomb.data(), &length, zeros.data(), zeros.size(), 9), Z_OK);
    bomb.resize(length);
    TPayloadBlock block;
    EXPECT_EQ(InflatePayload(bomb, block), TPayloadFault::TooLarge);
    TPayloadLimits generous;
    generous.MaxExpansion = 2000;
    EXPECT_EQ(InflatePayload(bomb, block, generous), TPayloadFault::None);
    EXPECT_EQ(block.Size, zeros.size());
}

} // namespace
} // namespace ulv
