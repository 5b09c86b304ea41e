#include "PayloadFormat.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace ulv {
namespace {

constexpr std::size_t kRecordFixedBytes = 13; // length byte, stamp, size

std::size_t RoundUp256(std::size_t n) {
    return (n + 255) / 256 * 256;
}

// Frees the zlib state on every path out of InflatePayload.
struct InflateStream {
    z_stream Z{};
    bool Ready = false;
    ~InflateStream() {
        if (Ready) inflateEnd(&Z);
    }
};

std::uint32_t ReadU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

double ReadF64(const std::uint8_t* p) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | p[i];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool GrowBlock(TPayloadBlock& block, std::size_t& capacity, std::size_t step, std::size_t bound) {
    if (capacity >= bound) return false;
    std::size_t wanted = std::min(capacity + step, bound);
    auto* grown = static_cast<std::uint8_t*>(std::realloc(block.Data.get(), wanted));
    if (!grown) return false;
    (void)block.Data.release();
    block.Data.reset(grown);
    capacity = wanted;
    return true;
}

bool IsDeviceName(std::string_view component) {
    std::string base(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    std::transform(base.begin(), base.end(), base.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    if (std::find(kPlain.begin(), kPlain.end(), base) != kPlain.end()) return true;
    bool numbered = base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT"));
    return numbered && base[3] >= '1' && base[3] <= '9';
}

bool IsSafeComponent(std::string_view c) {
    if (c.empty() || c == "." || c == "..") return false;
    if (c.back() == '.' || c.back() == ' ') return false;
    for (unsigned char ch : c)
        if (ch < 0x20 || std::strchr("/:*?\"<>|", ch)) return false;
    return !IsDeviceName(c);
}

} // namespace

const char* PayloadFaultName(TPayloadFault fault) {
    switch (fault) {
    case TPayloadFault::None:
        return "none";
    case TPayloadFault::Missing:
        return "missing";
    case TPayloadFault::NotAStream:
        return "not a zlib stream";
    case TPayloadFault::Truncated:
        return "truncated stream";
    case TPayloadFault::TooLarge:
        return "inflates past its bound";
    case TPayloadFault::TrailingData:
        return "data after the stream";
    case TPayloadFault::Empty:
        return "no records";
    case TPayloadFault::RecordPastEnd:
        return "record past the end";
    case TPayloadFault::BadStamp:
        return "bad time stamp";
    case TPayloadFault::BadName:
        return "unsafe name";
    }
    return "?";
}

TPayloadFault InflatePayload(std::span<const std::uint8_t> stream, TPayloadBlock& block,
                             const TPayloadLimits& limits) {
    block = {};
    if (stream.empty() || stream.size() > 0xFFFFFFFFu) return TPayloadFault::NotAStream;
    const std::size_t compressed = stream.size();
    const std::size_t bound = std::min(limits.MaxInflated, compressed * limits.MaxExpansion);
    std::size_t capacity = std::min(compressed * 5, bound);
    block.Data.reset(static_cast<std::uint8_t*>(std::malloc(std::max<std::size_t>(capacity, 1))));
    if (!block.Data) return TPayloadFault::TooLarge;

    InflateStream s;
    s.Z.next_in = const_cast<Bytef*>(stream.data());
    s.Z.avail_in = static_cast<uInt>(compressed);
    if (inflateInit(&s.Z) != Z_OK) return TPayloadFault::NotAStream;
    s.Ready = true;
    for (;;) {
        s.Z.next_out = block.Data.get() + s.Z.total_out;
        s.Z.avail_out = static_cast<uInt>(capacity - s.Z.total_out);
        int rc = inflate(&s.Z, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) break;
        if (rc != Z_OK && rc != Z_BUF_ERROR) return TPayloadFault::NotAStream;
        if (s.Z.avail_out == 0) {
            if (!GrowBlock(block, capacity, RoundUp256(compressed), bound)) return TPayloadFault::TooLarge;
        } else if (s.Z.avail_in == 0) {
            return TPayloadFault::Truncated;
        }
    }
    if (s.Z.avail_in != 0) return TPayloadFault::TrailingData;
    block.Size = s.Z.total_out;
    if (block.Size == 0) return TPayloadFault::Empty;
    if (block.Size < capacity) {
        if (auto* trimmed = static_cast<std::uint8_t*>(std::realloc(block.Data.get(), block.Size))) {
            (void)block.Data.release();
            block.Data.reset(trimmed);
        }
    }
    return TPayloadFault::None;
}

TPayloadFault WalkPayloadRecords(std::span<const std::uint8_t> data, std::vector<TPayloadRecord>& records,
                                 std::size_t* faultOffset) {
    records.clear();
    if (data.empty()) return TPayloadFault::Empty;
    if (data.size() > 0x7FFFFFFF) return TPayloadFault::TooLarge;
    std::size_t offset = 0;
    auto fail = [&](TPayloadFault fault) {
        if (faultOffset) *faultOffset = offset;
        return fault;
    };
    while (offset < data.size()) {
        const std::size_t left = data.size() - offset;
        const std::size_t n = data[offset];
        if (left < kRecordFixedBytes + n) return fail(TPayloadFault::RecordPastEnd);
        const std::uint8_t* p = data.data() + offset;
        TPayloadRecord r;
        r.Name.assign(reinterpret_cast<const char*>(p + 1), n);
        r.Time = ReadF64(p + 1 + n);
        const std::uint32_t size = ReadU32(p + 9 + n);
        if (size > left - kRecordFixedBytes - n) return fail(TPayloadFault::RecordPastEnd);
        if (!std::isfinite(r.Time)) return fail(TPayloadFault::BadStamp);
        if (!IsSafeEntryName(r.Name)) return fail(TPayloadFault::BadName);
        r.Size = static_cast<std::int32_t>(size);
        r.DataOffset = static_cast<std::int32_t>(offset + kRecordFixedBytes + n);
        records.push_back(std::move(r));
        offset += kRecordFixedBytes + n + size;
    }
    return TPayloadFault::None;
}

bool IsSafeEntryName(std::string_view name) {
    if (name.empty()) return false;
    std::size_t start = 0;
    for (;;) {
        std::size_t cut = name.find('\\', start);
        if (!IsSafeComponent(name.substr(start, cut - start))) return false;
        if (cut == std::string_view::npos) return true;
        start = cut + 1;
    }
}

void PutRecord(std::vector<std::uint8_t>& out, std::string_view name, double stamp,
               std::span<const std::uint8_t> data) {
    out.push_back(static_cast<std::uint8_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    std::uint64_t bits;
    std::memcpy(&bits, &stamp, sizeof bits);
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    auto size = static_cast<std::uint32_t>(data.size());
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
    out.insert(out.end(), data.begin(), data.end());
}

} // namespace ulv
