#pragma once
#include <string>

namespace ulv::test {

// The ANSI (Windows-1252) bytes as UTF-8, for the readers of the tools' output on the Linux side.
std::string ToUtf8(const std::string& ansi);

} // namespace ulv::test
