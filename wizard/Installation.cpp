// The installation's own decisions, on values: the choices read and stored, the destination's facts, the
// running copy, the questions, and the start with its account in the run log.
#include "wizard/Installation.h"
#include "engine/AttachFiles.h"
#include "engine/InstallThread.h"
#include "platform/ui/MessageDialog.h"
#include "utils/InstUtils.h"
#include "utils/RegistryAccess.h"
#include "wizard/ComponentsPage.h"
#include "wizard/DestDirLists.h"

namespace ulv {
namespace {

// The button a question was answered with, as the run log names it: its caption without the accelerator.
std::string AnswerName(int result) {
    for (const TMessageButtonFace& face : MessageButtons(0xFFFF)) {
        if (face.Result != result || result == 0) continue;
        std::string name(face.Caption);
        std::erase(name, '&');
        return name;
    }
    return "fermée";
}

// Whether a process of any session or user has the file open, as the Restart Manager says; nullopt when it
// cannot say (no Restart Manager before Windows Vista, a call that fails).
std::optional<bool> ProgramInUse(IRestartManager& manager, const std::string& program) {
    UniqueRmSession session(manager);
    if (session.StartError() != kErrorSuccess) return std::nullopt;
    if (manager.RmRegisterResources(session.Get(), {program}) != kErrorSuccess) return std::nullopt;
    std::vector<TRmProcessInfo> processes;
    std::uint32_t rebootReasons = 0;
    if (manager.RmGetList(session.Get(), processes, rebootReasons) != kErrorSuccess) return std::nullopt;
    return !processes.empty();
}

std::string_view OriginName(TChoiceOrigin origin) {
    switch (origin) {
    case TChoiceOrigin::Switch:
        return "ligne de commande";
    case TChoiceOrigin::Stored:
        return "réglage enregistré";
    default:
        return "par défaut";
    }
}

} // namespace

// Bit n for component n, from 0 to 6: "1111111" for all.
std::string ComponentBitsText(std::uint8_t components) {
    std::string bits;
    for (int c = 0; c < kComponentCount; ++c)
        bits += (components & (1u << c)) ? '1' : '0';
    return bits;
}

std::int32_t ComponentsSpace(std::uint32_t components,
                             const std::array<std::int32_t, kComponentCount>& sizes) {
    std::uint32_t total = 0; // wraps as the signed 32-bit sum would, without overflow in C++
    for (int c = 0; c < kComponentCount; ++c)
        if (c == 0 || (components >> c & 1u))
            total += static_cast<std::uint32_t>(sizes[static_cast<std::size_t>(c)]);
    return static_cast<std::int32_t>(total);
}

std::optional<std::string> DestinationRefusal(const std::string& mainDir, std::uint32_t components,
                                              const TDestinationFacts& facts) {
    if (!IsAbsoluteDestination(mainDir)) return "\"" + mainDir + "\" n'est pas un chemin absolu";
    const std::int32_t required = ComponentsSpace(components, facts.ComponentSizes);
    const std::uint64_t free = facts.FreeBytes.value_or(0);
    if (!facts.FreeBytes || static_cast<std::int64_t>(free) < required)
        return "pas assez de place pour \"" + mainDir + "\" (nécessaire : " + FormatDiskSize(required) +
               ", disponible : " + FormatDiskSize(static_cast<std::int64_t>(free)) + ")";
    if (!facts.CanBeMade) return "impossible de créer le dossier \"" + mainDir + "\"";
    return std::nullopt;
}

std::string ChoiceOriginText(TChoiceOrigin origin, bool changedOnPages) {
    return " (" + std::string(changedOnPages ? "choisi dans l'assistant" : OriginName(origin)) + ")";
}

TInstallation::TInstallation(TPlatform& platform, TInstUtils& utils, TAttachedFiles& attachedFiles,
                             TSetupRun& run, const TSetupSwitches& switches)
    : Platform(platform), Utils(utils), AttachedFiles(attachedFiles), Run(run), Switches(switches) {}

int TInstallation::Ask(const std::string& text, int kind, std::uint16_t buttons) {
    return AskAs(text, kind, buttons, Switches.ShowsNoMessage());
}

int TInstallation::AskAs(const std::string& text, int kind, std::uint16_t buttons, bool answerAlone) {
    Run.Log.Line("Question : " + text);
    const int result =
        answerAlone || !ShowQuestion ? Answers.Answer(text, buttons) : ShowQuestion(text, kind, buttons);
    Run.Log.Line("Réponse : " + AnswerName(result));
    return result;
}

void TInstallation::ReadInstallSettings() {
    TRegistryAccess registry(Platform.Registry);
    // An unattended run that ends before it installs leaves the registry as it found it.
    TStoredSettings stored = ReadStoredSettings(registry, Utils, !Switches.Unattended());
    Resolved = ApplySwitches(stored, Switches);
    Choices = Resolved.Choices;
    LastRunVersion = stored.LastRunVersion;
}

std::string TInstallation::CompletedDestination(const std::string& text, char currentDrive) {
    return NormalizeDestination(
        text, currentDrive, Utils.GetSpecialFolder(kCsidlProgramFiles),
        [this](const std::string& a, const std::string& b) { return Utils.SameTextNoCase(a, b); });
}

std::array<std::int32_t, kComponentCount> TInstallation::ComponentSizes(const std::string& mainDir) {
    std::array<std::int32_t, kComponentCount> sizes{};
    for (std::size_t c = 0; c < sizes.size(); ++c)
        sizes[c] = AttachedFiles.ComponentSize(std::string(kComponentFiles[c]), mainDir);
    return sizes;
}

std::optional<std::uint64_t> TInstallation::FreeBytes(const std::string& mainDir) {
    std::optional<TDiskFreeSpaceEx> space = Platform.Drives.GetDiskFreeSpaceExA(DrivePart(mainDir));
    if (!space) return std::nullopt;
    return space->FreeBytesAvailableToCaller;
}

bool TInstallation::IsPortableDestination() {
    return Utils.IsPortableDrive(Options.MainDir);
}

bool TInstallation::IsWordProcessorRunning() {
    bool running = false;
    const std::string property(kRunningCopyProperty);
    Platform.System.EnumWindows([&](WindowHandle window) {
        running = Platform.System.GetPropA(window, property) != 0;
        return !running;
    });
    if (running) return true;
    // A copy in another session (a deployment tool runs the setup as SYSTEM) or another user's has no window
    // on this desktop, but holds the installed program.
    if (!IsAbsoluteDestination(Options.MainDir)) return false;
    const std::string program = JoinPath(Options.MainDir, kProgramName);
    std::uint32_t attributes = Platform.Files.GetFileAttributesA(program);
    if (attributes == kInvalidFileAttributes || (attributes & kFileAttributeDirectory)) return false;
    return ProgramInUse(Platform.RestartManager, program).value_or(false);
}

bool TInstallation::WordProcessorRunningTold() {
    if (!IsWordProcessorRunning()) return false;
    Ask(std::string(kRunningCopyText), kMessageInformation, kButtonOk);
    return true;
}

// Runs once the installing page shows (or at once without pages): the choices are final, the target fixed,
// then the log, the plan and the worker. A data folder refused for a link is told once the worker runs.
void TInstallation::Start(char currentDrive) {
    // The word processor is installed whatever the set says.
    FixTargetAndComponents();
    Utils.CreateInstallLog(Target.MainDir, Target.Portable);
    Run.InstallStarted = true;
    BuildInstallPlan();
    if (Run.Log.IsOpen()) LogInstallStart(currentDrive);
    Run.StartInstallThread(AttachedFiles, Utils);
    TellRefusedDataFolders();
}

void TInstallation::FixTargetAndComponents() {
    Options.Components &= ~1u;
    FixInstallTarget();
    SelectedComps = InstalledComponents(Options.Components);
}

// What the installation starts with: where it goes and what was chosen for it, where each came from, and how
// many files each component queued. The associations and the launch are chosen on later pages and logged
// when they are done.
void TInstallation::LogInstallStart(char currentDrive) {
    LogDestinationAndChoices(currentDrive);
    for (int c = 0; c < kComponentCount; ++c)
        if (SelectedComps & (1u << c))
            Run.Log.Line("Composant " + std::to_string(c) + " (" + std::string(kComponentNames[c]) +
                         ") : " + std::to_string(AttachedFiles.Queues[c].size()) + " fichier(s) à écrire");
}

void TInstallation::LogDestinationAndChoices(char currentDrive) {
    const TInstallChoices& first = Resolved.Choices;
    const TChoiceOrigins& origins = Resolved.Origins;
    TRunLog& log = Run.Log;
    // A destination the pages' rule completed (blanks, a final backslash, the product folder added to a drive
    // root or to the program-files folder) still comes from where it was given, which the log quotes.
    const std::string& given = first.Options.MainDir;
    const std::string ruled = CompletedDestination(given, currentDrive);
    std::string destination;
    if (Options.MainDir == given) {
        destination = OriginName(origins.MainDir);
    } else if (Options.MainDir == ruled) {
        auto endsWithProduct = [this](std::string text) {
            while (!text.empty() && (text.back() == '\\' || static_cast<unsigned char>(text.back()) <= ' '))
                text.pop_back();
            const std::string tail = "\\" + std::string(kProductFolderName);
            return text.size() > tail.size() &&
                   Utils.SameTextNoCase(text.substr(text.size() - tail.size()), tail);
        };
        destination = std::string(OriginName(origins.MainDir)) + " \"" + given + "\"" +
                      (endsWithProduct(given) ? "" : ", dossier du produit ajouté");
    } else {
        destination = "choisi dans l'assistant";
    }
    log.Line("Destination : " + Target.MainDir + (Target.Portable ? " (portable, " : " (ordinaire, ") +
             destination + ")");
    log.Line(
        "Choix : composants " + ComponentBitsText(SelectedComps) +
        ChoiceOriginText(origins.Components, SelectedComps != InstalledComponents(first.Options.Components)) +
        ", raccourcis pour " + (Choices.InstallToAll ? "tous les utilisateurs" : "l'utilisateur courant") +
        ChoiceOriginText(origins.InstallToAll, Choices.InstallToAll != first.InstallToAll) +
        ", raccourci sur le bureau " + (Choices.DesktopShortcut ? "oui" : "non") +
        ChoiceOriginText(origins.DesktopShortcut, Choices.DesktopShortcut != first.DesktopShortcut));
}

bool TInstallation::LaunchAtEnd() const {
    return Switches.Unattended() ? Switches.LaunchAsked() : Choices.Launch;
}

void TInstallation::SaveInstallSettings() {
    TRegistryAccess registry(Platform.Registry);
    StoreChoices(registry, Choices);
    if (!Target.Portable) WriteUninstallEntry(registry);
    registry.CloseKey();
}

} // namespace ulv
