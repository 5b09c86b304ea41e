// The program folder's rights: the protection the setup gives the folder it makes for the program, and the
// judgement of an existing one, whose programs an elevated setup and the word processor's elevated
// commands would start whoever replaced them.
#include "InstUtils.h"

#include <array>
#include <charconv>

namespace ulv {
namespace {

// The rights that let a user put another program in the folder's place or in it: add or delete what it
// holds, delete it, change its DACL or its owner, or any of those through a generic right.
constexpr std::uint32_t kChangeRights =
    0x2 | 0x4 | 0x40 | 0x10000 | 0x40000 | 0x80000 | 0x02000000 | 0x10000000 | 0x40000000;

struct TNamed {
    std::string_view Name;
    std::uint32_t Mask;
};
constexpr std::array<TNamed, 25> kRightNames{{
    {"GA", 0x10000000}, {"GR", 0x80000000}, {"GW", 0x40000000}, {"GX", 0x20000000}, {"RC", 0x20000},
    {"SD", 0x10000},    {"WD", 0x40000},    {"WO", 0x80000},    {"RP", 0x10},       {"WP", 0x20},
    {"CC", 0x1},        {"DC", 0x2},        {"LC", 0x4},        {"SW", 0x8},        {"LO", 0x80},
    {"DT", 0x40},       {"CR", 0x100},      {"FA", 0x1F01FF},   {"FR", 0x120089},   {"FW", 0x120116},
    {"FX", 0x1200A0},   {"KA", 0xF003F},    {"KR", 0x20019},    {"KW", 0x20006},    {"KX", 0x20019},
}};

struct TAlias {
    std::string_view Alias;
    std::string_view Sid;
};
constexpr std::array<TAlias, 6> kAliases{{{"BA", "S-1-5-32-544"},
                                          {"SY", "S-1-5-18"},
                                          {"BU", "S-1-5-32-545"},
                                          {"AU", "S-1-5-11"},
                                          {"WD", "S-1-1-0"},
                                          {"IU", "S-1-5-4"}}};
// Users, Authenticated Users, Everyone, and whoever is logged on at the console.
constexpr std::array<std::string_view, 4> kStandardUsers = {"S-1-5-32-545", "S-1-5-11", "S-1-1-0", "S-1-5-4"};

std::string_view SidOf(std::string_view text) {
    for (const TAlias& alias : kAliases)
        if (text == alias.Alias) return alias.Sid;
    return text;
}

// A mask as a number (hexadecimal with 0x, or decimal) or as two-letter names. A name this program does not
// know counts as every right: a text it cannot read is never taken for a harmless one.
std::uint32_t RightsMask(std::string_view rights) {
    std::uint32_t mask = 0;
    if (rights.starts_with("0x") || rights.starts_with("0X")) {
        auto [end, error] = std::from_chars(rights.data() + 2, rights.data() + rights.size(), mask, 16);
        return error == std::errc() && end == rights.data() + rights.size() ? mask : ~0u;
    }
    if (!rights.empty() && rights[0] >= '0' && rights[0] <= '9') {
        auto [end, error] = std::from_chars(rights.data(), rights.data() + rights.size(), mask);
        return error == std::errc() && end == rights.data() + rights.size() ? mask : ~0u;
    }
    if (rights.size() % 2 != 0) return ~0u;
    for (size_t at = 0; at < rights.size(); at += 2) {
        std::uint32_t named = ~0u;
        for (const TNamed& name : kRightNames)
            if (rights.substr(at, 2) == name.Name) named = name.Mask;
        mask |= named;
    }
    return mask;
}

// The text of one part of a descriptor ("O:", "D:"), up to the next part; nullopt when it has none.
std::optional<std::string_view> Part(std::string_view sddl, std::string_view tag) {
    size_t at = sddl.find(tag);
    if (at == std::string_view::npos) return std::nullopt;
    at += tag.size();
    size_t end = sddl.size();
    for (std::string_view next : {"O:", "G:", "D:", "S:"}) {
        size_t found = sddl.find(next, at);
        // An entry's fields hold no colon, so a tag is only ever found outside the parentheses.
        if (found != std::string_view::npos && found < end) end = found;
    }
    return sddl.substr(at, end - at);
}

bool GrantsChange(std::string_view ace) {
    std::array<std::string_view, 6> fields{};
    size_t at = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        size_t cut = i + 1 < fields.size() ? ace.find(';', at) : ace.size();
        if (cut == std::string_view::npos) return false;
        fields[i] = ace.substr(at, cut - at);
        at = cut + 1;
    }
    // Access-allowed entries, plain, object or callback; denials never add a right.
    const std::string_view type = fields[0];
    if (type != "A" && type != "OA" && type != "XA" && type != "ZA") return false;
    // The SID may be followed by a callback's condition: it ends at the first ';' the split left in it.
    std::string_view sid = SidOf(fields[5].substr(0, fields[5].find(';')));
    bool standard = false;
    for (std::string_view user : kStandardUsers)
        standard = standard || sid == user;
    return standard && (RightsMask(fields[2]) & kChangeRights) != 0;
}

} // namespace

bool StandardUserMayChange(std::string_view sddl, std::string_view ownSid) {
    if (std::optional<std::string_view> owner = Part(sddl, "O:")) {
        std::string_view sid = SidOf(*owner);
        if (sid != kSidAdministrators && sid != kSidLocalSystem && sid != kSidTrustedInstaller &&
            (ownSid.empty() || sid != ownSid))
            return true;
    }
    std::optional<std::string_view> dacl = Part(sddl, "D:");
    if (!dacl) return false;
    if (dacl->substr(0, dacl->find('(')).find("NO_ACCESS_CONTROL") != std::string_view::npos) return true;
    for (size_t open = dacl->find('('); open != std::string_view::npos; open = dacl->find('(', open + 1)) {
        size_t close = dacl->find(')', open);
        if (close == std::string_view::npos) return false;
        if (GrantsChange(dacl->substr(open + 1, close - open - 1))) return true;
    }
    return false;
}

void TInstUtils::SetProgramFolder(const std::string& folder) {
    std::lock_guard guard(GuardLock);
    ProgramFolder = folder;
    while (!ProgramFolder.empty() && ProgramFolder.back() == '\\')
        ProgramFolder.pop_back();
}

bool TInstUtils::OnProgramFolderWay(std::string level) {
    std::string folder;
    {
        std::lock_guard guard(GuardLock);
        folder = ProgramFolder;
    }
    while (!level.empty() && level.back() == '\\')
        level.pop_back();
    if (folder.empty() || level.empty() || level.size() > folder.size()) return false;
    return SameTextNoCase(level, folder.substr(0, level.size())) &&
           (level.size() == folder.size() || folder[level.size()] == '\\');
}

bool TInstUtils::OthersMayChange(const std::string& folder) {
    IFiles& files = Platform.Files;
    UniqueFile held(files,
                    files.CreateFileA(folder, kReadControl, kFileShareRead | kFileShareWrite, kOpenExisting,
                                      kFileFlagOpenReparsePoint | kFileFlagBackupSemantics));
    if (!held) return false;
    std::optional<std::string> sddl = files.GetSecuritySddl(held.Get());
    if (!sddl) return false; // a file system without security: nothing to tell one user from another
    std::lock_guard guard(GuardLock);
    return StandardUserMayChange(*sddl, OwnSid());
}

} // namespace ulv
