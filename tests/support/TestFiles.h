#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ulv::test {

// The whole content of a host file; empty when it cannot be read.
std::vector<std::uint8_t> ReadHostFile(const std::string& path);

} // namespace ulv::test
