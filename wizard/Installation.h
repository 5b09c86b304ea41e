#pragma once
// One installation as an object of its own: what the run decides (the switches, the choices and where each
// came from, the target, the versions and times), and its operations on values, from the destination's check
// to the stored settings. The window shows it and reads the person's choices back into it; a run without a
// window drives it alone, and no control is made for it.
#include "platform/Platform.h"
#include "resources/ResConst.h"
#include "utils/DateTime.h"
#include "wizard/InstallPlan.h"
#include "wizard/InstallSettings.h"
#include "wizard/InstallTarget.h"
#include "wizard/SetupSwitches.h"
#include "wizard/UnattendedRun.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ulv {

class TAttachedFiles;
class TInstUtils;
class TRegistryAccess;
class TSetupRun;

// What the machine says of a destination, read once for its check.
struct TDestinationFacts {
    // The room each component takes on the destination's volume, in component order.
    std::array<std::int32_t, kComponentCount> ComponentSizes{};
    // The free space the caller may use there; none when it cannot be read (the drive gone, a network path
    // the system does not answer for).
    std::optional<std::uint64_t> FreeBytes;
    // The folder exists, or its nearest existing level lets the setup add a folder to it.
    bool CanBeMade = false;
};

// Why an unattended run refuses the destination `mainDir` (already completed by the page's rule) for the
// components of `components` (bit n for component n, the word processor's always counted), as its run log
// says it; nullopt when it is usable. Asked in the order a person meets them: an absolute path, room for the
// components (the components page's figures), a folder that can be made.
[[nodiscard]] std::optional<std::string>
DestinationRefusal(const std::string& mainDir, std::uint32_t components, const TDestinationFacts& facts);

// The room the components of `components` need: the components page's sum, wrapping as it does.
[[nodiscard]] std::int32_t ComponentsSpace(std::uint32_t components,
                                           const std::array<std::int32_t, kComponentCount>& sizes);

// The question asked when other users may change the existing destination `folder`.
[[nodiscard]] std::string ChangeableDestinationText(const std::string& folder);

// Where a choice came from, as the run log says it: " (par défaut)", " (ligne de commande)"…, or
// " (choisi dans l'assistant)" when the pages changed it.
[[nodiscard]] std::string ChoiceOriginText(TChoiceOrigin origin, bool changedOnPages);

// Bit n for component n, from 0 to 6, as the run log shows a set: "1111111" for all.
[[nodiscard]] std::string ComponentBitsText(std::uint8_t components);

// A question of the installation shown to the person: the dialog's answer.
using TShowQuestion = std::function<int(const std::string& text, int kind, std::uint16_t buttons)>;

class TInstallation {
public:
    // The utilities, the payload index and the run's records belong to the program entry and outlive the
    // installation; the switches are the command line's, read once by the entry.
    TInstallation(TPlatform& platform, TInstUtils& utils, TAttachedFiles& attachedFiles, TSetupRun& run,
                  const TSetupSwitches& switches);
    TInstallation(const TInstallation&) = delete;
    TInstallation& operator=(const TInstallation&) = delete;

    // Every question goes to the run log with its answer. A run that shows no message, or one without a
    // window to show it (ShowQuestion unset), answers alone.
    int Ask(const std::string& text, int kind, std::uint16_t buttons);
    int AskAs(const std::string& text, int kind, std::uint16_t buttons, bool answerAlone);
    TShowQuestion ShowQuestion;

    // The choices of the last installation, from the current user's registry (creating both keys, unless the
    // run is unattended), with the switches over them: Resolved and Choices, and LastRunVersion.
    void ReadInstallSettings();
    // `text` completed by the destination page's rule: trimmed, with a drive (`currentDrive` when it names
    // none), the product folder added to a drive root and to the program-files folder.
    [[nodiscard]] std::string CompletedDestination(const std::string& text, char currentDrive);
    // The room each component takes in `mainDir`'s volume, and the free space there.
    [[nodiscard]] std::array<std::int32_t, kComponentCount> ComponentSizes(const std::string& mainDir);
    [[nodiscard]] std::optional<std::uint64_t> FreeBytes(const std::string& mainDir);
    // A destination on a removable drive or on a USB or IEEE 1394 disk: everything stays beside the program.
    // Asked before the installation starts; from then on the target says it.
    [[nodiscard]] bool IsPortableDestination();
    // A top-level window carries the running word processor's property, or a process of any session has
    // the destination's vlmr.exe open, as the Restart Manager says.
    [[nodiscard]] bool IsWordProcessorRunning();
    // Tells the person to close the running word processor; true when it runs.
    [[nodiscard]] bool WordProcessorRunningTold();

    // What a person would meet on the way to the installing page, for a run without pages: the word
    // processor closed, the destination completed by the page's rule and usable (absolute, room for the
    // components, a folder that can be made), then the settings' keys made. False, with Refusal set and the
    // reason logged, when the run ends before it writes anything.
    [[nodiscard]] bool CheckUnattended();
    // An existing ordinary destination that a standard user may change (TInstUtils::OthersMayChange) is
    // logged and the person asked whether to install there anyway; false when they answer Non. A run
    // that answers alone goes on.
    [[nodiscard]] bool ProgramFolderRightsAccepted(bool portable);

    // The start, from the final choices: the target fixed, the install log, the plan, the log's account, the
    // worker. `currentDrive` is the one the destination page's rule used.
    void Start(char currentDrive = 'c');
    // Fixes the installation's target from the destination, once, as the installation starts.
    void FixInstallTarget();
    // The target's folder of a kind, with one trailing backslash, created (with its parents) before it is
    // returned; empty when the target has none (no base folder known, or a link on its way), and then nothing
    // is created.
    [[nodiscard]] std::string DataFolder(TDataFolderKind kind);
    // Queues the selected components' files, writes the install stamp on an ordinary installation and removes
    // the insert images older versions left behind.
    void BuildInstallPlan();
    // Once per refused data folder, with those the worker met: the person learns which and why.
    void TellRefusedDataFolders();

    // Once the files are written: the common data file, then on an ordinary installation the associations
    // command (for the letters of Choices) and the shortcuts.
    void FinishActions();
    // "Terminer": Update.log on an ordinary installation, then the word processor started when LaunchAtEnd.
    void FinishingStep();
    // The word processor starts at the end: as the finish page's box says in the wizard; in an unattended
    // run only when asked with /TASKS.
    [[nodiscard]] bool LaunchAtEnd() const;
    // Adds this installation's section to the shared data root's Update.log; a failure is reported with a
    // warning and changes nothing else.
    void WriteUpdateLog();
    // Stores this run's choices in the install key and, on an ordinary installation, the uninstall entry.
    void SaveInstallSettings();

    // The whole installation without a window (/VERYSILENT): the checks, the start, the worker followed and
    // its questions answered, then the finish. False when it ended before the finish.
    bool RunUnattended();

    // /PLAN: what the installation would do, from its own plan, in the run log; nothing else is written.
    // False, with Refusal set, when the installation would end before writing anything; else Finished.
    bool RunPlan();
    // /VERIFY: whether the installation the registry records is whole: every file the payload installs
    // for the stored components at its target with the entry's bytes and time (a file written only where
    // missing, the user's own from then on, only there), the stored settings and, for an ordinary
    // installation, the uninstall entry as written. What differs goes to the run log.
    enum class TVerifyResult { Whole, NotRecorded, NotWhole };
    TVerifyResult RunVerify();
    std::optional<TVerifyResult> Verified;

    // The machine, and what the entry owns for the run: the window works on the same.
    TPlatform& Platform;
    TInstUtils& Utils;
    TAttachedFiles& AttachedFiles;
    TSetupRun& Run;
    const TSetupSwitches Switches;
    // The choices the stored settings and the switches gave (with where each came from), before the pages
    // could change them; then the choices as they stand.
    TResolvedChoices Resolved;
    TInstallChoices Choices;
    TOptions& Options = Choices.Options;
    // Fixed as the installation starts.
    TInstallTarget Target;
    std::int32_t LastRunVersion = kNoLastRunVersion;
    // The components written, bit n for component n, fixed as the installation starts.
    std::uint8_t SelectedComps = 0;
    // Local time the installation began (ordinary installations only; 0 otherwise).
    TDateTime InstallTime = 0;
    // Why a run without pages ended before it wrote anything.
    TRunRefusal Refusal = TRunRefusal::None;
    // A failure ended the installation: the person abandoned after a file could not be written.
    bool EndedByFailure = false;
    // The finishing step ran: the installation ended as it should.
    bool Finished = false;

private:
    // The choices and the target as the start fixes them: the word processor's bit stored as its locked item
    // stores it (0), the target, the components written.
    void FixTargetAndComponents();
    void LogInstallStart(char currentDrive);
    void LogDestinationAndChoices(char currentDrive);
    // The checks of an unattended run, before its settings' keys are made.
    [[nodiscard]] bool CheckBeforeWriting();
    void TellPlannedFiles(std::vector<std::string>& folders, std::size_t& written, std::size_t& left);
    [[nodiscard]] std::size_t VerifiedFileDifferences(std::size_t& checked);
    [[nodiscard]] std::size_t VerifiedRegistryDifferences();
    void RunPlanStep(const TPlanStep& step);
    [[nodiscard]] std::string PrepareDataFolder(const std::string& folder);
    [[nodiscard]] bool RefusedForLink(const std::string& folder);
    void TellUntold(const std::vector<std::string>& refused, std::size_t& told,
                    std::string (*text)(const std::vector<std::string>&));
    void WriteInstallStamp();
    void WriteUninstallEntry(TRegistryAccess& registry);
    bool RefuseDestination(const std::string& why);
    [[nodiscard]] bool CanMakeFolder(std::string folder);
    void FollowWithoutWindow();
    void LaunchWordProcessor();

    TUnattendedAnswers Answers{Platform.Clock};
    std::size_t RefusedLinksTold = 0;
    std::size_t RefusedForeignTold = 0;
    // Whether the destination is portable, as an unattended run found it when it checked the destination.
    std::optional<bool> PortableAtCheck;
};

} // namespace ulv
