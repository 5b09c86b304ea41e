#pragma once
// The page flow's pure rules: the buttons and title of each page, the command lines the wizard gives the
// installed word processor and the content of the common data file.
#include "utils/DateTime.h"
#include "wizard/SetupSwitches.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace ulv {

enum TPageIndex : std::uint8_t {
    kWelcomePage = 0,
    kLicensePage = 1,
    kDestDirPage = 2,
    kSelCompPage = 3,
    kStartPage = 4,
    kInstallingPage = 5,
    kAssocPage = 6,
    kFinishPage = 7,
    kFinishingStep = 8,
};
// The "from" page of the first page change, made by the window's construction.
constexpr std::uint8_t kNoPage = 255;

constexpr unsigned kProgressTimerId = 1;
constexpr unsigned kProgressTimerMs = 100;
constexpr unsigned kDriveTimerId = 2;
constexpr unsigned kDriveTimerMs = 1000;

// The button band and the title on a page (0..7).
struct TPageFrame {
    bool BackVisible = false;
    bool BackEnabled = false;
    bool NextEnabled = false;
    bool CancelEnabled = false;
    std::string_view BackCaption;
    std::string_view NextCaption;
    std::string_view CancelCaption;
    std::string_view Title;
};
[[nodiscard]] TPageFrame PageFrame(std::uint8_t page);

// "\"<mainDir>\vlmr.exe\" -assoc adpr" with "_rtf", "_cod", "_doc", "_docx" for the checked boxes 1 to 4.
[[nodiscard]] std::string AssociationCommandLine(const std::string& mainDir,
                                                 const std::array<bool, 4>& boxes);
// The quoted program path alone: the word processor started at the end.
[[nodiscard]] std::string LaunchCommandLine(const std::string& mainDir);
// The 16 bytes of the common data file: 32-bit 1, 32-bit 8, then the time as a double, little-endian.
[[nodiscard]] std::string CommonDataContent(TDateTime now);

} // namespace ulv
