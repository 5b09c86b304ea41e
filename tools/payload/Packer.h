#pragma once
// Builds the payload stream from files: records in the given order, one zlib stream at level 9.
#include "utils/DateTime.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ulv::pack {

struct TPackItem {
    std::string Name; // Windows-1252, backslashes
    TCivilTime Stamp; // local wall-clock time, whole even seconds
    std::vector<std::uint8_t> Data;
};

// The records of the items, uncompressed; false with a reason when an item breaks the format's rules
// (unsafe or over-long name, names equal ignoring case, a stamp outside 1980..2099 or on an odd second,
// data of 2 GiB or more).
[[nodiscard]] bool BuildRecords(const std::vector<TPackItem>& items, std::vector<std::uint8_t>& records,
                                std::string& error);

// zlib stream of the records at the highest level (header 78 DA).
[[nodiscard]] bool CompressRecords(const std::vector<std::uint8_t>& records,
                                   std::vector<std::uint8_t>& stream, std::string& error);

// False with a reason when the setup's loader would refuse a stream of these sizes as damaged (it caps the
// inflated size and how far the stream may expand).
[[nodiscard]] bool WithinLoaderLimits(std::size_t inflated, std::size_t packed, std::string& error);

// UTF-8 to Windows-1252; false for a character the code page lacks or malformed UTF-8 (a sequence cut or
// broken, a character not in its shortest form, a surrogate).
[[nodiscard]] bool Utf8ToCp1252(const std::string& utf8, std::string& cp1252);

// "YYYY-MM-DD HH:MM:SS".
[[nodiscard]] bool ParseStamp(const std::string& text, TCivilTime& stamp);

} // namespace ulv::pack
