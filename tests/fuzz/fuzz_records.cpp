#include "engine/PayloadFormat.h"

#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<ulv::TPayloadRecord> records;
    std::size_t faultOffset = 0;
    ulv::TPayloadFault fault = ulv::WalkPayloadRecords({data, size}, records, &faultOffset);
    // Whatever was accepted lies inside the data.
    for (const auto& r : records) {
        if (r.DataOffset < 0 || r.Size < 0 || static_cast<std::size_t>(r.DataOffset) + r.Size > size)
            __builtin_trap();
        if (!ulv::IsSafeEntryName(r.Name)) __builtin_trap();
    }
    if (fault != ulv::TPayloadFault::None && faultOffset >= size && size > 0) __builtin_trap();
    return 0;
}
