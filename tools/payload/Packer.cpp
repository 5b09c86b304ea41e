#include "Packer.h"

#include "engine/PayloadFormat.h"
#include "platform/Cp1252.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <set>

namespace ulv::pack {
namespace {

bool EncodeCodePoint(char32_t cp, std::string& out) {
    std::optional<char> byte = cp1252::FromCodePoint(cp);
    if (byte) out += *byte;
    return byte.has_value();
}

bool DaysInMonthOk(const TCivilTime& t) {
    static constexpr int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.Month < 1 || t.Month > 12 || t.Day < 1 || t.Day > kDays[t.Month - 1]) return false;
    bool leap = (t.Year % 4 == 0 && t.Year % 100 != 0) || t.Year % 400 == 0;
    return !(t.Month == 2 && t.Day == 29 && !leap);
}

std::string StampError(const TPackItem& item) {
    const TCivilTime& t = item.Stamp;
    if (t.Year < 1980 || t.Year > 2099) return "stamp outside 1980..2099";
    if (!DaysInMonthOk(t) || t.Hour > 23 || t.Minute > 59 || t.Second > 59) return "invalid stamp";
    if (t.Second % 2 != 0 || t.Millisecond != 0) return "stamp not on an even second";
    return {};
}

} // namespace

bool BuildRecords(const std::vector<TPackItem>& items, std::vector<std::uint8_t>& records,
                  std::string& error) {
    records.clear();
    std::set<std::string> seen;
    for (const TPackItem& item : items) {
        auto fail = [&](const std::string& why) {
            error = item.Name + ": " + why;
            return false;
        };
        if (item.Name.size() > 255) return fail("name longer than 255 bytes");
        if (!IsSafeEntryName(item.Name)) return fail("name not a safe relative path");
        if (!seen.insert(cp1252::Upper(item.Name)).second) return fail("name given twice (ignoring case)");
        if (std::string why = StampError(item); !why.empty()) return fail(why);
        if (item.Data.size() > 0x7FFFFFFF) return fail("file of 2 GiB or more");
        PutRecord(records, item.Name, EncodeDateTime(item.Stamp), item.Data);
    }
    return true;
}

bool CompressRecords(const std::vector<std::uint8_t>& records, std::vector<std::uint8_t>& stream,
                     std::string& error) {
    uLongf length = compressBound(records.size());
    stream.resize(length);
    if (compress2(stream.data(), &length, records.data(), records.size(), Z_BEST_COMPRESSION) != Z_OK) {
        error = "compression failed";
        return false;
    }
    stream.resize(length);
    return true;
}

bool WithinLoaderLimits(std::size_t inflated, std::size_t packed, std::string& error) {
    const TPayloadLimits limits;
    if (inflated > limits.MaxInflated) {
        error = "the files add up to " + std::to_string(inflated) + " bytes; the setup carries under 2 GiB";
        return false;
    }
    if (inflated > packed * limits.MaxExpansion) {
        error = "the payload inflates to " + std::to_string(inflated / std::max<std::size_t>(packed, 1)) +
                " times its packed size; the setup refuses more than " + std::to_string(limits.MaxExpansion) +
                " as a damaged payload";
        return false;
    }
    return true;
}

bool Utf8ToCp1252(const std::string& utf8, std::string& cp1252) {
    cp1252.clear();
    for (size_t i = 0; i < utf8.size();) {
        auto b = static_cast<unsigned char>(utf8[i]);
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + static_cast<size_t>(extra) >= utf8.size() + (extra == 0 ? 1 : 0)) return false;
        char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            auto c = static_cast<unsigned char>(utf8[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = cp << 6 | (c & 0x3F);
        }
        // Each character in its shortest form only: an overlong one ("\xC0\xAE" for ".") would let a name
        // pass for another.
        constexpr char32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kShortest[extra] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return false;
        if (!EncodeCodePoint(cp, cp1252)) return false;
        i += 1 + extra;
    }
    return true;
}

bool ParseStamp(const std::string& text, TCivilTime& stamp) {
    int consumed = 0;
    int n = std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &stamp.Year, &stamp.Month, &stamp.Day,
                        &stamp.Hour, &stamp.Minute, &stamp.Second, &consumed);
    stamp.Millisecond = 0;
    return n == 6 && static_cast<size_t>(consumed) == text.size();
}

} // namespace ulv::pack
