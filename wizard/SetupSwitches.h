#pragma once
// The switches of an unattended run, read from the command line as a value, and the installation's choices
// they give once laid over the stored settings.
//
// Switches (case-insensitive, any order, "=" before a value; the value taken as it stands):
//   /SILENT, /VERYSILENT   no wizard; /VERYSILENT wins when both are given
//   /SUPPRESSMSGBOXES      no message box in an unattended run
//   /NOCANCEL              a /SILENT run cannot be abandoned: Annuler disabled, the close box ignored
//   /HELP, /?              the list of switches (SwitchesHelpText) instead of a run
//   /NORESTART, /SP-, /NOICONS, /CLOSEAPPLICATIONS, /NOCLOSEAPPLICATIONS, /FORCECLOSEAPPLICATIONS,
//   /RESTARTAPPLICATIONS, /NORESTARTAPPLICATIONS
//                          accepted and without effect: the setup never restarts the computer, asks nothing
//                          before its pages, makes no Start menu folder to leave out, and closes no program
//                          (a running word processor still ends an unattended run with 32)
//   /DIR=folder            the destination (not empty)
//   /COMPONENTS=a,b        exactly these components; the word processor is installed whatever the list says
//   /TASKS=x,!y            exactly these tasks, "!" turning one off explicitly; the scope pair aside (below)
//   /LOG=file              a log of the run (not empty)
//   /PLAN                  no installation: what one would do, written to the /LOG= file (which it needs)
//   /VERIFY                no installation: whether the recorded one is whole, by the exit code (and in
//                          the /LOG= file when given)
// and, as the first parameter only, "-d<folder>" (case-sensitive, taken as it stands, possibly empty).
// Identifiers are case-insensitive and blanks around the commas do not count.
//
//   Component          identifier        Task                           identifier
//   0 word processor   program           shortcuts for every user       allusers
//   1 French speller   frenchspelling    shortcuts for this user only   currentuser
//   2 English speller  englishspelling   shortcut on the desktop        desktopicon
//   3 hyphenation      hyphenation       associate RTF documents (A)    assocrtf
//   4 templates        templates         associate COD documents (B)    assoccod
//   5 insert images    inserts           associate DOC documents (C)    assocdoc
//   6 basic sounds     sound             associate DOCX documents (D)   assocdocx
//                                        start the word processor       launch
#include "wizard/InstallSettings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ulv {

inline constexpr std::array<std::string_view, kComponentCount> kComponentIds = {
    "program", "frenchspelling", "englishspelling", "hyphenation", "templates", "inserts", "sound",
};

enum class TSetupTask { AllUsers, CurrentUser, DesktopIcon, AssocRtf, AssocCod, AssocDoc, AssocDocx, Launch };
inline constexpr std::array<std::string_view, 8> kTaskIds = {
    "allusers", "currentuser", "desktopicon", "assocrtf", "assoccod", "assocdoc", "assocdocx", "launch",
};

enum class TSetupMode { Wizard, Silent, VerySilent };

// What the run does: install, or without a window tell what an installation would do, or check the one
// the registry records.
enum class TSetupAction { Install, Plan, Verify };

enum class TSwitchFault {
    UnknownSwitch,    // a parameter that is no switch of ours
    Malformed,        // a value missing, empty or unexpected
    UnknownComponent, // an identifier /COMPONENTS does not know ("!" included: the list is exact)
    UnknownTask,
    Conflict, // a switch given again with another value, a task both on and off, both scopes listed
};

struct TSwitchProblem {
    TSwitchFault Fault;
    // The parameter, or the identifier, at fault.
    std::string Text;
    bool operator==(const TSwitchProblem&) const = default;
};

// A value with the index of the parameter that gave it.
struct TPlacedValue {
    std::string Value;
    std::size_t Position = 0;
    bool operator==(const TPlacedValue&) const = default;
};

struct TTaskSwitch {
    TSetupTask Task;
    bool On = true;
    bool operator==(const TTaskSwitch&) const = default;
};

struct TSetupSwitches {
    TSetupMode Mode = TSetupMode::Wizard;
    bool SuppressMsgBoxes = false;
    bool NoCancel = false;
    // /HELP or /?: the list of switches instead of a run.
    bool Help = false;
    // /PLAN and /VERIFY run as /VERYSILENT does, and write nothing but the run log.
    TSetupAction Action = TSetupAction::Install;
    std::optional<TPlacedValue> DashD{};
    std::optional<TPlacedValue> Dir{};
    // Bit n for component n listed (the word processor's bit set whether listed or not).
    std::optional<std::uint8_t> Components{};
    std::optional<std::vector<TTaskSwitch>> Tasks{};
    std::optional<std::string> LogPath{};
    std::vector<TSwitchProblem> Problems{};
    bool operator==(const TSetupSwitches&) const = default;

    [[nodiscard]] bool Unattended() const { return Mode != TSetupMode::Wizard; }
    // No message box in this run: nobody may be there to answer it (a deployment tool, SYSTEM).
    [[nodiscard]] bool ShowsNoMessage() const { return Unattended() || SuppressMsgBoxes; }
    // An unattended run with a problem ends with ERROR_INVALID_PARAMETER before it writes anything; the
    // wizard ignores what it does not understand.
    [[nodiscard]] bool EndsAsInvalidParameter() const { return Unattended() && !Problems.empty(); }
    // /NOCANCEL counts in a /SILENT run only: the wizard's Annuler stays.
    [[nodiscard]] bool CancelLocked() const { return NoCancel && Mode == TSetupMode::Silent; }
    // Whether /TASKS lists launch: an unattended run starts the word processor only then.
    [[nodiscard]] bool LaunchAsked() const;
    // "-d" or /DIR=, whichever comes later on the command line, as given.
    [[nodiscard]] std::optional<std::string> Destination() const;
};

// `params` as ProgramParams gives them: the program's name left out, quotes removed.
[[nodiscard]] TSetupSwitches ParseSetupSwitches(const std::vector<std::string>& params);

enum class TChoiceOrigin { Default, Stored, Switch };

struct TChoiceOrigins {
    TChoiceOrigin MainDir = TChoiceOrigin::Default;
    TChoiceOrigin Components = TChoiceOrigin::Default;
    TChoiceOrigin InstallToAll = TChoiceOrigin::Default;
    TChoiceOrigin DesktopShortcut = TChoiceOrigin::Default;
    TChoiceOrigin Extensions = TChoiceOrigin::Default;
    TChoiceOrigin Launch = TChoiceOrigin::Default;
    bool operator==(const TChoiceOrigins&) const = default;
};

struct TResolvedChoices {
    TInstallChoices Choices;
    TChoiceOrigins Origins;
};

// The run's choices: the switches over the stored settings (as ReadStoredSettings read them with the same
// parameters) over the wizard's defaults. The destination's "/" become "\". With /COMPONENTS bits 7 to 31
// stay as stored; with /TASKS every task not listed is off, except the scope, which changes only when
// allusers or currentuser is listed, and, in an unattended run, the stored launch choice (whether such a run
// starts the word processor is its own rule: LaunchAsked).
[[nodiscard]] TResolvedChoices ApplySwitches(const TStoredSettings& stored, const TSetupSwitches& switches);

// The switches listed for /HELP, in French, lines broken with "\r".
[[nodiscard]] std::string SwitchesHelpText();

} // namespace ulv
