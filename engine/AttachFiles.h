#pragma once
#include "engine/PayloadFormat.h"
#include "platform/Platform.h"
#include "utils/DateTime.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ulv {

// One payload entry.
class TAttachedFile {
public:
    std::string Name;            // relative path, Windows-1252, backslashes
    std::int32_t Size = 0;       // data bytes
    TDateTime Time = 0;          // last-write time the installed file receives, local time
    std::int32_t DataOffset = 0; // first data byte within the inflated payload
};

// The payload in memory for the life of the setup: the inflated block, which never changes or moves, and
// its entries in archive order.
class TAttachedFiles {
public:
    // Locates the program's FILES resource and loads it; nullptr (and the fault) when it is missing or
    // damaged.
    [[nodiscard]] static std::unique_ptr<TAttachedFiles> Create(TPlatform& platform, TPayloadFault& fault);
    // Loads a payload stream already in memory; the stream need not outlive the index.
    [[nodiscard]] static std::unique_ptr<TAttachedFiles> FromStream(std::span<const std::uint8_t> stream,
                                                                    TPayloadFault& fault);

    TAttachedFiles(const TAttachedFiles&) = delete;
    TAttachedFiles& operator=(const TAttachedFiles&) = delete;

    [[nodiscard]] const std::uint8_t* Payload() const { return Block.Data.get(); }
    [[nodiscard]] std::int32_t PayloadSize() const { return static_cast<std::int32_t>(Block.Size); }

    std::vector<TAttachedFile> Entries;

private:
    TAttachedFiles() = default;
    TPayloadBlock Block;
};

} // namespace ulv
