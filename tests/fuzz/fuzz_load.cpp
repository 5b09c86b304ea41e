#include "engine/AttachFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ulv::TPayloadFault fault = ulv::TPayloadFault::None;
    auto files = ulv::TAttachedFiles::FromStream({data, size}, fault);
    if (!files) return 0;
    // A loaded payload stays within its bound and every entry within the payload.
    if (static_cast<std::size_t>(files->PayloadSize()) > size * 64) __builtin_trap();
    std::uint64_t sum = 0;
    for (const auto& e : files->Entries) {
        if (static_cast<std::int64_t>(e.DataOffset) + e.Size > files->PayloadSize()) __builtin_trap();
        if (e.Size > 0) sum += files->Payload()[e.DataOffset] + files->Payload()[e.DataOffset + e.Size - 1];
    }
    return static_cast<int>(sum & 0);
}
