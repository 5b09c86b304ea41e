#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace ulv::sim {

// Windows-1252 upper-casing, as CharUpperBuffA does it on a Western system: a-z, the accented small letters
// of 0xE0..0xFE (but not 0xF7, the division sign), and š œ ž ÿ. ß and µ have no single-byte capital and stay.
char UpperAnsi(char c);
std::string UpperAnsi(std::string_view text);
bool SameTextNoCase(std::string_view a, std::string_view b);
// The inverse of UpperAnsi: A-Z, the accented capitals of 0xC0..0xDE (but not 0xD7, the multiplication
// sign), and Š Œ Ž Ÿ.
char LowerAnsi(char c);

} // namespace ulv::sim

#include "platform/Shell.h"

#include <atomic>

namespace ulv::sim {

// The ANSI text port: Windows-1252 casing, and the default linguistic collation of the Windows-1252
// characters as sort keys (primary weights, then accents, then case, then the weights of what a word sort
// sets aside), with the weights Windows' default table gives them. Knows kNormIgnoreCase and
// kSortStringSort, and the user and system default locales, which collate alike here (a Western machine);
// any other flag or locale fails.
class SimText final : public IText {
public:
    void CharUpperBuffA(std::string& text) override;
    void CharLowerBuffA(std::string& text) override;
    using IText::CompareStringA;
    int CompareStringA(Lcid locale, std::uint32_t flags, const std::string& a, const std::string& b) override;
    using IText::LCMapSortKeyA;
    bool LCMapSortKeyA(Lcid locale, std::uint32_t flags, const std::string& text, std::string& key) override;

    // The comparisons made so far in one of the default locales: what tells them apart here.
    [[nodiscard]] unsigned long ComparisonsIn(Lcid locale) const;

private:
    std::atomic<unsigned long> UserComparisons{0}, SystemComparisons{0};
};

// The sort key LCMapStringA(LCMAP_SORTKEY) gives for the text; comparing two keys byte by byte orders their
// texts as CompareStringA with the same flags does.
std::string SortKeyAnsi(std::string_view text, std::uint32_t flags);
// The same key written over `key`, whose storage is reused: for callers that make one key after another.
void SortKeyAnsi(std::string_view text, std::uint32_t flags, std::string& key);

} // namespace ulv::sim
