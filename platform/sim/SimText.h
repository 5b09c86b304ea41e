#pragma once
#include <string>
#include <string_view>

namespace ulv::sim {

// Windows-1252 upper-casing, as CharUpperBuffA does it on a Western system: a-z, the accented small letters
// of 0xE0..0xFE (but not 0xF7, the division sign), and š œ ž ÿ. ß and µ have no single-byte capital and stay.
char UpperAnsi(char c);
std::string UpperAnsi(std::string_view text);
bool SameTextNoCase(std::string_view a, std::string_view b);

} // namespace ulv::sim

#include "platform/Shell.h"

namespace ulv::sim {

// The ANSI text port: Windows-1252 casing; comparison by the upper-cased bytes.
class SimText final : public IText {
public:
    void CharUpperBuffA(std::string& text) override;
    int CompareStringNoCase(const std::string& a, const std::string& b) override;
};

} // namespace ulv::sim
