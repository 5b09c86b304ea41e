#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ulv {

using HResult = std::int32_t;
constexpr HResult kSOk = 0;
constexpr HResult kSFalse = 1;
constexpr HResult kEFail = static_cast<HResult>(0x80004005u);
constexpr HResult kCoENotInitialized = static_cast<HResult>(0x800401F0u);

constexpr int kCsidlPrograms = 2;
constexpr int kCsidlPersonal = 5;
constexpr int kCsidlDesktopDirectory = 16;
constexpr int kCsidlCommonPrograms = 23;
constexpr int kCsidlCommonDesktopDirectory = 25;
constexpr int kCsidlCommonAppData = 35;
constexpr int kCsidlProgramFiles = 38;

// One shell link object (CLSID_ShellLink seen through IShellLinkA and IPersistFile).
class IShellLinkObject {
public:
    virtual ~IShellLinkObject() = default;
    virtual HResult SetPath(const std::string& target) = 0;
    virtual HResult SetWorkingDirectory(const std::string& folder) = 0;
    virtual HResult SetDescription(const std::string& description) = 0;
    // IPersistFile::Save with the ANSI path converted to UTF-16 from the system code page.
    virtual HResult Save(const std::string& linkPath, bool remember) = 0;
};

struct TShellLinkInfo {
    std::string Target;
    std::string WorkingDirectory;
    std::string Description;
};

// The shell: special folders, OLE and shell links.
class IShell {
public:
    virtual ~IShell() = default;
    // SHGetFolderPathA(no window, csidl, no token, SHGFP_TYPE_CURRENT); the path is set only on S_OK. Returns
    // E_FAIL when neither shell32 nor shfolder provides the function.
    virtual HResult SHGetFolderPathA(int csidl, std::string& path) = 0;
    virtual HResult OleInitialize() = 0;
    virtual void OleUninitialize() = 0;
    // CoCreateInstance of the shell link asking for IShellLinkA, then IPersistFile; nullptr when either
    // fails.
    [[nodiscard]] virtual std::unique_ptr<IShellLinkObject> CreateShellLink() = 0;
    // Loads a saved link and reads back what CreateShellLink set; nullopt when it cannot be loaded.
    [[nodiscard]] virtual std::optional<TShellLinkInfo> ReadShellLink(const std::string& linkPath) = 0;
    // IShellDispatch2::ShellExecute(file, arguments, directory, "open", showCommand) of the desktop shell's
    // own object: the desktop window of the shell windows (CLSID_ShellWindows' FindWindowSW with
    // CSIDL_DESKTOP, SWC_DESKTOP and SWFO_NEEDDISPATCH), its top-level browser's active view, the view's
    // background object and that object's Application. The program then starts in the desktop shell's
    // process, with its token: the person's, without elevation. OLE must be initialised. S_FALSE when no
    // desktop shell window is registered (no shell running, session 0); else the failing call's HRESULT.
    virtual HResult ShellExecuteFromDesktop(const std::string& file, const std::string& arguments,
                                            const std::string& directory, std::uint32_t showCommand) = 0;
};

// Locale identifiers: the two defaults the program compares texts in.
using Lcid = std::uint32_t;
constexpr Lcid kLocaleUserDefault = 0x0400;
constexpr Lcid kLocaleSystemDefault = 0x0800;

constexpr std::uint32_t kNormIgnoreCase = 0x1;
constexpr std::uint32_t kSortStringSort = 0x1000;

// ANSI text operations of the system code page.
class IText {
public:
    virtual ~IText() = default;
    // CharUpperBuffA over the whole text.
    virtual void CharUpperBuffA(std::string& text) = 0;
    // CharLowerBuffA over the whole text.
    virtual void CharLowerBuffA(std::string& text) = 0;
    // CompareStringA(locale, flags, ...) over the whole texts (embedded NULs included): 1 less, 2 equal, 3
    // greater, 0 on failure. The collation is linguistic: letters differ first by their base letter, then by
    // their accents ("e" < "é" < "f"), then by case unless kNormIgnoreCase; ligatures weigh as their letters
    // ("œ" as "oe"); NUL and the soft hyphen weigh nothing. Hyphens, apostrophes and control characters only
    // break ties, unless kSortStringSort makes them symbols, which sort before digits and letters. Adapters
    // need not support flags beyond these two, nor locales beyond the two defaults: they fail instead.
    [[nodiscard]] virtual int CompareStringA(Lcid locale, std::uint32_t flags, const std::string& a,
                                             const std::string& b) = 0;
    [[nodiscard]] int CompareStringA(std::uint32_t flags, const std::string& a, const std::string& b) {
        return CompareStringA(kLocaleUserDefault, flags, a, b);
    }
    [[nodiscard]] int CompareStringNoCase(const std::string& a, const std::string& b) {
        return CompareStringA(kLocaleUserDefault, kNormIgnoreCase, a, b);
    }
    // LCMapStringA(locale, LCMAP_SORTKEY | flags, ...) over the whole text: its sort key, the final NUL
    // included, written over `key` (whose storage is reused); false, and `key` empty, when it cannot be made
    // (where CompareStringA with the text fails too). Two keys compared byte by byte, as unsigned bytes,
    // order their texts as CompareStringA with the same locale and flags does, and are equal exactly when it
    // calls the texts equal.
    [[nodiscard]] virtual bool LCMapSortKeyA(Lcid locale, std::uint32_t flags, const std::string& text,
                                             std::string& key) = 0;
    // The sort key as a value; empty when it cannot be made.
    [[nodiscard]] std::string LCMapSortKeyA(Lcid locale, std::uint32_t flags, const std::string& text) {
        std::string key;
        (void)LCMapSortKeyA(locale, flags, text, key);
        return key;
    }
};

} // namespace ulv
