#pragma once
#include <cstdint>

// Peak resident memory of this process so far, in bytes (peak working set on Windows).
std::uint64_t PeakProcessMemory();
