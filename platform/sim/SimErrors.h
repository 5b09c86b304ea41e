#pragma once
#include "platform/Win32Types.h"

#include <cstdint>

namespace ulv::sim {

// Win32 error codes the simulated machine reports beyond those the program itself names.
constexpr std::uint32_t kErrorInvalidFunction = 1;
constexpr std::uint32_t kErrorNotSupported = 50;
constexpr std::uint32_t kErrorNotSameDevice = 17;
constexpr std::uint32_t kErrorNotReady = 21;
constexpr std::uint32_t kErrorBadNetPath = 53;
constexpr std::uint32_t kErrorInsufficientBuffer = 122;

// The calling thread's last error, shared by every port of the machine, as GetLastError is.
void SetLastError(std::uint32_t error);
std::uint32_t LastErrorOfThread();

} // namespace ulv::sim
