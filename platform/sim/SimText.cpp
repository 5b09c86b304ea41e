#include "SimText.h"
#include "platform/Cp1252.h"

namespace ulv::sim {

char UpperAnsi(char c) {
    return cp1252::Upper(c);
}

std::string UpperAnsi(std::string_view text) {
    return cp1252::Upper(text);
}

char LowerAnsi(char c) {
    return cp1252::Lower(c);
}

bool SameTextNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperAnsi(a[i]) != UpperAnsi(b[i])) return false;
    return true;
}

} // namespace ulv::sim

namespace ulv::sim {
namespace {

// The weights of each Windows-1252 byte in the default collation, as Windows' table gives them (read off
// LCMapStringA sort keys): 0xSSPPDDCC, script and primary weight, accent, case. Script 0 weighs nothing (NUL,
// the soft hyphen, and the ligatures, which weigh as their letters).
constexpr std::uint32_t kWeights[256] = {
    0x00000202, 0x06030202, 0x06040202, 0x06050202, 0x06060202, 0x06070202, 0x06080202, 0x06090202, // 00
    0x060A0202, 0x07050202, 0x07060202, 0x07070202, 0x07080202, 0x07090202, 0x060B0202, 0x060C0202, // 08
    0x060D0202, 0x060E0202, 0x060F0202, 0x06100202, 0x06110202, 0x06120202, 0x06130202, 0x06140202, // 10
    0x06150202, 0x06160202, 0x06170202, 0x06180202, 0x06190202, 0x061A0202, 0x061B0202, 0x061C0202, // 18
    0x07020202, 0x071C0202, 0x071D0202, 0x071F0202, 0x07210202, 0x07230202, 0x07250202, 0x06800202, // 20
    0x07270202, 0x072A0202, 0x072D0202, 0x08030202, 0x072F0202, 0x06820202, 0x07330202, 0x07350202, // 28
    0x0D030202, 0x0D1A0202, 0x0D1C0202, 0x0D1E0202, 0x0D200202, 0x0D220202, 0x0D240202, 0x0D260202, // 30
    0x0D280202, 0x0D2A0202, 0x07370202, 0x073A0202, 0x080E0202, 0x08120202, 0x08140202, 0x073C0202, // 38
    0x073E0202, 0x0E020212, 0x0E090212, 0x0E0A0212, 0x0E1A0212, 0x0E210212, 0x0E230212, 0x0E250212, // 40
    0x0E2C0212, 0x0E320212, 0x0E350212, 0x0E360212, 0x0E480212, 0x0E510212, 0x0E700212, 0x0E7C0212, // 48
    0x0E7E0212, 0x0E890212, 0x0E8A0212, 0x0E910212, 0x0E990212, 0x0E9F0212, 0x0EA20212, 0x0EA40212, // 50
    0x0EA60212, 0x0EA70212, 0x0EA90212, 0x073F0202, 0x07410202, 0x07420202, 0x07430202, 0x07440202, // 58
    0x07480202, 0x0E020202, 0x0E090202, 0x0E0A0202, 0x0E1A0202, 0x0E210202, 0x0E230202, 0x0E250202, // 60
    0x0E2C0202, 0x0E320202, 0x0E350202, 0x0E360202, 0x0E480202, 0x0E510202, 0x0E700202, 0x0E7C0202, // 68
    0x0E7E0202, 0x0E890202, 0x0E8A0202, 0x0E910202, 0x0E990202, 0x0E9F0202, 0x0EA20202, 0x0EA40202, // 70
    0x0EA60202, 0x0EA70202, 0x0EA90202, 0x074A0202, 0x074C0202, 0x074E0202, 0x07500202, 0x061D0202, // 78
    0x07A90202, 0x0CFA1E02, 0x077B0202, 0x0E234302, 0x077F0202, 0x0A100202, 0x0B250202, 0x0B260202, // 80
    0x07430202, 0x0B2C0C02, 0x0E911412, 0x07880202, 0x00000202, 0x0CFA2A02, 0x0EA91412, 0x0CFA2C02, // 88
    0x0CFA2D02, 0x07790202, 0x077A0202, 0x077D0202, 0x077E0202, 0x0B270202, 0x06890202, 0x06900202, // 90
    0x075D0202, 0x0E9C0212, 0x0E911402, 0x07890202, 0x00000202, 0x0CFA3A02, 0x0EA91402, 0x0EA71312, // 98
    0x07040202, 0x07510202, 0x07970202, 0x07980202, 0x07990202, 0x079A0202, 0x07520202, 0x0A060202, // A0
    0x07530202, 0x0A070202, 0x0E02030E, 0x08180202, 0x0A080202, 0x00000202, 0x0A090202, 0x07540202, // A8
    0x0A0A0202, 0x08170202, 0x0D1C020E, 0x0D1E020E, 0x07550202, 0x0A0B0202, 0x0A0C0202, 0x0A0D0202, // B0
    0x07560202, 0x0D1A020E, 0x0E7C030E, 0x081A0202, 0x0D0D0202, 0x0D110202, 0x0D150202, 0x07570202, // B8
    0x0E020F12, 0x0E020E12, 0x0E021212, 0x0E021912, 0x0E021312, 0x0E021A12, 0x00000202, 0x0E0A1C12, // C0
    0x0E210F12, 0x0E210E12, 0x0E211212, 0x0E211312, 0x0E320F12, 0x0E320E12, 0x0E321212, 0x0E321312, // C8
    0x0E1A6812, 0x0E701912, 0x0E7C0F12, 0x0E7C0E12, 0x0E7C1212, 0x0E7C1912, 0x0E7C1312, 0x081C0202, // D0
    0x0E7C2112, 0x0E9F0F12, 0x0E9F0E12, 0x0E9F1212, 0x0E9F1312, 0x0EA70E12, 0x00000202, 0x00000202, // D8
    0x0E020F02, 0x0E020E02, 0x0E021202, 0x0E021902, 0x0E021302, 0x0E021A02, 0x00000202, 0x0E0A1C02, // E0
    0x0E210F02, 0x0E210E02, 0x0E211202, 0x0E211302, 0x0E320F02, 0x0E320E02, 0x0E321202, 0x0E321302, // E8
    0x0E1A6802, 0x0E701902, 0x0E7C0F02, 0x0E7C0E02, 0x0E7C1202, 0x0E7C1902, 0x0E7C1302, 0x081D0202, // F0
    0x0E7C2102, 0x0E9F0F02, 0x0E9F0E02, 0x0E9F1202, 0x0E9F1302, 0x0EA70E02, 0x00000202, 0x0EA71302, // F8
};

constexpr std::uint8_t kNoScript = 0x00;
// Hyphens, the apostrophe, dashes and control characters: a word sort sets them aside.
constexpr std::uint8_t kPunctuationScript = 0x06;
constexpr std::uint8_t kBaseWeight = 0x02;
constexpr char kSectionEnd = 0x01;
constexpr std::uint32_t kKnownFlags = kNormIgnoreCase | kSortStringSort;

bool IsKnown(Lcid locale, std::uint32_t flags) {
    return (locale == kLocaleUserDefault || locale == kLocaleSystemDefault) && (flags & ~kKnownFlags) == 0;
}

std::string_view Expansion(unsigned char c) {
    switch (c) {
    case 0x8C:
        return "OE";
    case 0x9C:
        return "oe";
    case 0xC6:
        return "AE";
    case 0xE6:
        return "ae";
    case 0xDE:
        return "TH";
    case 0xFE:
        return "th";
    case 0xDF:
        return "ss";
    default:
        return {};
    }
}

enum class TUnitKind { None, Primary, Special };

// A key written in one piece: a first walk over the text measures its sections, then a second fills them all
// (keys are made for every line of a log of tens of thousands).
class TSortKeyBuilder {
public:
    TSortKeyBuilder(std::string_view text, std::uint32_t flags)
        : Text(text), StringSort((flags & kSortStringSort) != 0), IgnoreCase((flags & kNormIgnoreCase) != 0) {
    }

    void Write(std::string& key) const {
        const TSizes sizes = Measure();
        // Four section ends and the final NUL, which is the last byte as filled.
        key.assign(2 * sizes.Primaries + sizes.Accents + sizes.Cases + 4 * sizes.Specials + 5, '\0');
        // One walk fills the four sections, each from its own start.
        char* primary = key.data();
        char* accent = primary + 2 * sizes.Primaries + 1;
        char* caseWeight = accent + sizes.Accents + 1;
        char* special = caseWeight + sizes.Cases + 2;
        accent[-1] = caseWeight[-1] = special[-2] = special[-1] = kSectionEnd;
        size_t primaries = 0;
        ForEachUnit([&](std::uint32_t weights) {
            TUnitKind kind = KindOf(weights);
            if (kind == TUnitKind::Primary) {
                *primary++ = static_cast<char>(weights >> 24);
                *primary++ = static_cast<char>(weights >> 16);
                if (primaries < sizes.Accents) *accent++ = static_cast<char>(AccentWeight(weights));
                if (primaries < sizes.Cases) *caseWeight++ = static_cast<char>(CaseWeight(weights));
                ++primaries;
            } else if (kind == TUnitKind::Special) {
                // 0xFFFF less the primary weights before it, big-endian, so that between two texts alike but
                // for it, the one where it comes later sorts first.
                auto position = static_cast<std::uint16_t>(0xFFFF - primaries);
                *special++ = static_cast<char>(position >> 8);
                *special++ = static_cast<char>(position & 0xFF);
                *special++ = static_cast<char>(weights >> 16);
                *special++ = static_cast<char>(0x12);
            }
        });
    }

private:
    // The accent and case sections leave out their trailing base weights.
    struct TSizes {
        size_t Primaries = 0, Accents = 0, Cases = 0, Specials = 0;
    };

    [[nodiscard]] TSizes Measure() const {
        TSizes sizes;
        ForEachUnit([&](std::uint32_t weights) {
            TUnitKind kind = KindOf(weights);
            if (kind == TUnitKind::Special) ++sizes.Specials;
            if (kind != TUnitKind::Primary) return;
            ++sizes.Primaries;
            if (AccentWeight(weights) != kBaseWeight) sizes.Accents = sizes.Primaries;
            if (CaseWeight(weights) != kBaseWeight) sizes.Cases = sizes.Primaries;
        });
        return sizes;
    }

    // Each character's weights; a ligature's are its letters'.
    template <typename OnUnit> void ForEachUnit(OnUnit&& onUnit) const {
        for (char c : Text) {
            std::string_view expansion = Expansion(static_cast<unsigned char>(c));
            if (expansion.empty()) {
                onUnit(kWeights[static_cast<unsigned char>(c)]);
                continue;
            }
            for (char letter : expansion)
                onUnit(kWeights[static_cast<unsigned char>(letter)]);
        }
    }

    [[nodiscard]] TUnitKind KindOf(std::uint32_t weights) const {
        auto script = static_cast<std::uint8_t>(weights >> 24);
        if (script == kNoScript) return TUnitKind::None;
        return script == kPunctuationScript && !StringSort ? TUnitKind::Special : TUnitKind::Primary;
    }

    static std::uint8_t AccentWeight(std::uint32_t weights) {
        return static_cast<std::uint8_t>(weights >> 8);
    }

    // Upper case, and the superscript form of the ordinals and of the digits ¹²³, each add to the base case
    // weight; ignoring case takes away the first, not the second.
    [[nodiscard]] std::uint8_t CaseWeight(std::uint32_t weights) const {
        auto weight = static_cast<std::uint8_t>(weights);
        if (!IgnoreCase) return weight;
        if (weight == 0x12) return 0x02;
        if (weight == 0x0E) return 0x06;
        return weight;
    }

    std::string_view Text;
    bool StringSort, IgnoreCase;
};

} // namespace

std::string SortKeyAnsi(std::string_view text, std::uint32_t flags) {
    std::string key;
    SortKeyAnsi(text, flags, key);
    return key;
}

void SortKeyAnsi(std::string_view text, std::uint32_t flags, std::string& key) {
    TSortKeyBuilder(text, flags).Write(key);
}

void SimText::CharUpperBuffA(std::string& text) {
    for (char& c : text)
        c = UpperAnsi(c);
}

void SimText::CharLowerBuffA(std::string& text) {
    for (char& c : text)
        c = LowerAnsi(c);
}

int SimText::CompareStringA(Lcid locale, std::uint32_t flags, const std::string& a, const std::string& b) {
    if (!IsKnown(locale, flags)) return 0;
    ++(locale == kLocaleUserDefault ? UserComparisons : SystemComparisons);
    int order = SortKeyAnsi(a, flags).compare(SortKeyAnsi(b, flags)); // char_traits<char>: unsigned bytes
    return order < 0 ? 1 : order == 0 ? 2 : 3;
}

bool SimText::LCMapSortKeyA(Lcid locale, std::uint32_t flags, const std::string& text, std::string& key) {
    if (!IsKnown(locale, flags)) {
        key.clear();
        return false;
    }
    SortKeyAnsi(text, flags, key);
    return true;
}

unsigned long SimText::ComparisonsIn(Lcid locale) const {
    return locale == kLocaleUserDefault ? UserComparisons.load() : SystemComparisons.load();
}

} // namespace ulv::sim
