#pragma once
// The payload archive: one zlib stream whose inflated bytes are entry records laid back to back,
//   [name length: u8][name: n bytes, Windows-1252, backslashes][stamp: binary64 LE][size: u32 LE][data]
// with no header, count or trailer. The stamp is an OLE Automation date in local time on even seconds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ulv {

enum class TPayloadFault {
    None,
    Missing,       // no FILES resource
    NotAStream,    // not zlib, or the deflate data is corrupt, or the checksum does not match
    Truncated,     // the stream ends before its end-of-stream marker
    TooLarge,      // inflates past the bound (a bomb, or not our payload)
    TrailingData,  // bytes after the end of the stream
    Empty,         // no record at all
    RecordPastEnd, // a record's fields or data run past the end of the inflated bytes
    BadStamp,      // a stamp that is not a finite number
    BadName,       // a name that is empty or could leave the folder it is written to
};

const char* PayloadFaultName(TPayloadFault fault);

struct TFreeDeleter {
    void operator()(std::uint8_t* p) const { std::free(p); }
};

// The inflated payload, one block that never moves once built.
struct TPayloadBlock {
    std::unique_ptr<std::uint8_t, TFreeDeleter> Data;
    std::size_t Size = 0;
    [[nodiscard]] std::span<const std::uint8_t> Bytes() const { return {Data.get(), Size}; }
};

struct TPayloadRecord {
    std::string Name;
    double Time = 0;
    std::int32_t Size = 0;
    std::int32_t DataOffset = 0;
};

struct TPayloadLimits {
    // The inflated size may not exceed this many times the compressed size; far above any real payload
    // (ours inflates to under twice its size) and far below what a deflate bomb reaches.
    std::size_t MaxExpansion = 64;
    // DataOffset and Size are signed 32-bit fields.
    std::size_t MaxInflated = 0x7FFFFFFF;
};

// Inflates the whole stream into one block: it starts at five times the compressed size and grows by the
// compressed size rounded up to 256 bytes whenever it fills, then is trimmed to the inflated length.
[[nodiscard]] TPayloadFault InflatePayload(std::span<const std::uint8_t> stream, TPayloadBlock& block,
                                           const TPayloadLimits& limits = {});

// Walks the records of an inflated payload, checking every field against the end of the data. On a fault,
// `records` holds the records read before it and `faultOffset` the offset of the record at fault.
[[nodiscard]] TPayloadFault WalkPayloadRecords(std::span<const std::uint8_t> data,
                                               std::vector<TPayloadRecord>& records,
                                               std::size_t* faultOffset = nullptr);

// A name the extraction may join to a folder: relative, components separated by single backslashes, none
// empty, "." or "..", none ending in a dot or blank (Windows would drop it), no drive, stream or wildcard
// characters, no control characters, no device name (CON, NUL, COM1...).
[[nodiscard]] bool IsSafeEntryName(std::string_view name);

// Little-endian field access shared by the reader, the packer and the tests.
void PutRecord(std::vector<std::uint8_t>& out, std::string_view name, double stamp,
               std::span<const std::uint8_t> data);

} // namespace ulv
