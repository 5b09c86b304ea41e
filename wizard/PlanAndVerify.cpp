// The installation told without being made (/PLAN), and the installation the registry records checked
// against what the setup installs (/VERIFY). Both walk the plan the installation itself follows, for the
// target it would fix, with the payload's index deciding file by file as it decides when it queues.
#include "engine/AttachFiles.h"
#include "engine/InstallThread.h"
#include "platform/Registry.h"
#include "utils/InstUtils.h"
#include "utils/RegistryAccess.h"
#include "wizard/DestDirLists.h"
#include "wizard/Installation.h"
#include "wizard/PageFlow.h"
#include "wizard/UninstallEntry.h"
#include "wizard/UpdateLog.h"

#include <algorithm>
#include <cstring>

namespace ulv {
namespace {

constexpr std::string_view kCurrentUserRoot = "HKEY_CURRENT_USER\\";
constexpr std::string_view kLocalMachineRoot = "HKEY_LOCAL_MACHINE\\";

std::string_view RuleText(TInstallMode mode) {
    switch (mode) {
    case TInstallMode::IfMissing:
        return "écrit s'il manque";
    case TInstallMode::IfChanged:
        return "écrit si sa date diffère";
    case TInstallMode::Always:
        break;
    }
    return "écrit à chaque installation";
}

std::string_view DecisionText(TFileDecision decision) {
    switch (decision) {
    case TFileDecision::Refused:
        return "son dossier est refusé";
    case TFileDecision::Missing:
        return "absent";
    case TFileDecision::Replaced:
        return "présent, remplacé";
    case TFileDecision::TimeDiffers:
        return "présent, d'une autre date";
    case TFileDecision::Present:
        return "présent";
    case TFileDecision::SameTime:
        break;
    }
    return "présent, de la même date";
}

std::string ValueText(const TRegistryValue& value) {
    if (value.Type == kRegDword) return std::to_string(value.Number) + " (REG_DWORD)";
    return "\"" + value.Text + "\" (REG_SZ)";
}

// A file written only where missing is the user's from then on (a word list, a personal dictionary): only
// its presence belongs to the installation.
bool IsUsersCopy(const TInstallRequest& request) {
    return request.Mode == TInstallMode::IfMissing || request.Update == TUpdateMark::Kept;
}

// The levels of `folder` that do not exist yet, parents first, each once.
void NoteMissingFolders(TInstUtils& utils, std::string folder, std::vector<std::string>& missing) {
    std::vector<std::string> levels;
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    while (folder.size() > 3 && !utils.IsExistingDirectory(folder)) {
        levels.push_back(folder);
        std::size_t cut = folder.rfind('\\');
        if (cut == std::string::npos) break;
        folder.resize(cut);
    }
    for (auto level = levels.rbegin(); level != levels.rend(); ++level)
        if (std::ranges::find(missing, *level) == missing.end()) missing.push_back(*level);
}

} // namespace

bool TInstallation::RunPlan() {
    TRunLog& log = Run.Log;
    log.Line("Plan de l'installation, sans rien écrire :");
    if (!CheckBeforeWriting()) return false;
    FixTargetAndComponents();
    LogDestinationAndChoices('c');
    for (const std::string& level : Target.RefusedLinks)
        log.Line("Dossier refusé (un lien) : " + level);
    for (const std::string& level : Target.RefusedForeign)
        log.Line("Dossier refusé (à un autre utilisateur) : " + level);

    std::vector<std::string> folders;
    NoteMissingFolders(Utils, Target.MainDir, folders);
    std::vector<std::string> files;
    std::size_t written = 0;
    bool shared = false;
    for (const TPlanStep& step : PlanSteps(PlanRowsFor(SelectedComps, LastRunVersion), Target)) {
        if (step.Action == TPlanAction::CleanUpOldInsertImages) {
            if (Utils.IsExistingDirectory(step.OldTree))
                files.push_back("Dossier supprimé avec son contenu : " + step.OldTree);
            for (const std::string& image : step.OldFiles)
                if (Platform.Files.GetFileAttributesA(image) != kInvalidFileAttributes)
                    files.push_back("Fichier supprimé : " + image);
            continue;
        }
        if (!step.Folder.empty()) NoteMissingFolders(Utils, step.Folder, folders);
        for (const TRequestedFile& file : AttachedFiles.RequestedFiles(step.Request)) {
            const bool writes = IsWritten(file.Decision);
            if (writes) {
                ++written;
                shared = shared || step.Request.Update != TUpdateMark::None;
                NoteMissingFolders(Utils, file.Target.substr(0, file.Target.rfind('\\')), folders);
            }
            files.push_back(std::string(writes ? "Fichier écrit : " : "Fichier laissé : ") + file.Target +
                            " (" + std::string(DecisionText(file.Decision)) + " ; " +
                            std::string(RuleText(step.Request.Mode)) + ")");
        }
    }
    const std::size_t payloadFiles = files.size();
    auto own = [&](TDataFolderKind kind, std::string_view name) {
        const std::string& folder = Target.DataFolder(kind);
        if (folder.empty()) return;
        NoteMissingFolders(Utils, folder, folders);
        files.push_back("Fichier écrit : " + folder + std::string(name) + " (le programme d'installation)");
    };
    if (!Target.Portable) {
        files.push_back("Fichier écrit : " + JoinPath(Target.MainDir, kInstallLogName) +
                        " (le programme d'installation)");
        own(TDataFolderKind::Hidden, kInstallStampName);
    }
    own(TDataFolderKind::Shared, kCommonDataName);
    if (!Target.Portable && shared) own(TDataFolderKind::Shared, kUpdateLogName);

    std::vector<TInstUtils::TShortcutStep> shortcuts;
    if (!Target.Portable) shortcuts = Utils.ShortcutSteps(Choices.InstallToAll, Choices.DesktopShortcut);
    for (const TInstUtils::TShortcutStep& step : shortcuts)
        if (!step.Made.empty())
            NoteMissingFolders(Utils, step.Made.substr(0, step.Made.rfind('\\')), folders);
    for (const std::string& folder : folders)
        log.Line("Dossier créé : " + folder);
    for (const std::string& line : files)
        log.Line(line);
    log.Line("Clé : " + std::string(kCurrentUserRoot) + std::string(kInternalKey.substr(1)));
    const std::string install = std::string(kCurrentUserRoot) + std::string(kInstallKey) + "\\";
    for (const TRegistryValue& value : ChoiceValues(Choices))
        log.Line("Registre : " + install + std::string(value.Name) + " = " + ValueText(value));
    if (Target.Portable) {
        log.Line("Installation portable : ni raccourci, ni association, ni entrée de désinstallation");
    } else {
        for (const TInstUtils::TShortcutStep& step : shortcuts) {
            if (!step.Removed.empty() &&
                Platform.Files.GetFileAttributesA(step.Removed) != kInvalidFileAttributes)
                log.Line("Raccourci supprimé : " + step.Removed);
            if (!step.Made.empty())
                log.Line("Raccourci : " + step.Made + " vers " + JoinPath(Target.MainDir, kProgramName));
        }
        log.Line(
            "Commande : " + AssociationCommandLine(Target.MainDir, AssociationBoxes(Options.Extensions)) +
            " (dans " + Target.MainDir + ")");
        const std::string entry = std::string(kLocalMachineRoot) + std::string(kUninstallKey) + "\\";
        for (const TRegistryValue& value : UninstallValues(Target.MainDir, 0))
            log.Line("Désinstallation : " + entry + std::string(value.Name) + " = " +
                     (value.Name == kEstimatedSizeValue
                          ? std::string("la taille du dossier du programme une fois "
                                        "installé, en Ko (REG_DWORD)")
                          : ValueText(value)));
    }
    log.Line("Lancement : " + (LaunchAtEnd() ? JoinPath(Target.MainDir, kProgramName) : std::string("non")));
    log.Line("Fichiers du programme : " + std::to_string(written) + " écrit(s), " +
             std::to_string(payloadFiles - written) + " laissé(s)");
    Finished = true;
    return true;
}

TInstallation::TVerifyResult TInstallation::RunVerify() {
    TRunLog& log = Run.Log;
    TRegistryAccess registry(Platform.Registry);
    const bool stored = registry.OpenExistingKey(std::string(kInstallKey)) &&
                        registry.ValueExists(std::string(kMainDirValue)) &&
                        registry.ValueExists(std::string(kComponentsValue));
    // The stored folder as it was written, even when it is gone: the installation is then not whole.
    std::string mainDir = Switches.Destination() ? CompletedDestination(Options.MainDir, 'c')
                                                 : registry.ReadString(std::string(kMainDirValue));
    registry.CloseKey();
    const std::string settingsKey = std::string(kCurrentUserRoot) + std::string(kInstallKey);
    if ((!stored && !Switches.Destination()) || !IsAbsoluteDestination(mainDir)) {
        log.Line("Vérification : aucune installation enregistrée (" + settingsKey + ")");
        return TVerifyResult::NotRecorded;
    }
    Options.MainDir = mainDir;
    SelectedComps = InstalledComponents(Options.Components);
    Target = ComputeInstallTarget(Utils, mainDir, IsPortableDestination());
    log.Line("Vérification de l'installation : " + mainDir +
             (Target.Portable ? " (portable)" : " (ordinaire)") + ", composants " +
             ComponentBitsText(SelectedComps));
    std::size_t differences = stored ? 0 : 1;
    if (!stored) log.Line("Réglages enregistrés absents : " + settingsKey);
    for (const std::string& level : Target.RefusedLinks)
        log.Line("Dossier refusé (un lien) : " + level);
    for (const std::string& level : Target.RefusedForeign)
        log.Line("Dossier refusé (à un autre utilisateur) : " + level);
    differences += Target.RefusedLinks.size() + Target.RefusedForeign.size();
    std::size_t checked = 0;
    differences += VerifiedFileDifferences(checked) + VerifiedRegistryDifferences();
    log.Line("Vérifiés : " + std::to_string(checked) + " fichier(s), " + std::to_string(differences) +
             " différence(s)");
    log.Line(differences == 0 ? "Installation complète"
                              : "Installation incomplète : une nouvelle installation la répare");
    return differences == 0 ? TVerifyResult::Whole : TVerifyResult::NotWhole;
}

std::size_t TInstallation::VerifiedFileDifferences(std::size_t& checked) {
    std::size_t differences = 0;
    for (const TPlanStep& step : PlanSteps(PlanRowsFor(SelectedComps, LastRunVersion), Target)) {
        if (step.Action != TPlanAction::Request) continue;
        for (const TRequestedFile& file : AttachedFiles.RequestedFiles(step.Request)) {
            ++checked;
            const TAttachedFile& entry = file.Entry;
            std::string_view why;
            if (file.Decision == TFileDecision::Refused) {
                why = "son dossier est refusé";
            } else if (file.Decision == TFileDecision::Missing) {
                why = "absent";
            } else if (!IsUsersCopy(step.Request)) {
                std::optional<std::string> bytes =
                    ReadWholeFile(Platform.Files, file.Target, static_cast<std::uint64_t>(entry.Size));
                if (!bytes || bytes->size() != static_cast<std::size_t>(entry.Size))
                    why = "illisible, ou d'une autre taille";
                else if (entry.Size > 0 &&
                         std::memcmp(bytes->data(), AttachedFiles.Payload() + entry.DataOffset,
                                     bytes->size()) != 0)
                    why = "d'un autre contenu";
                else if (Utils.FileModifiedDate(file.Target) != entry.Time)
                    why = "d'une autre date";
            }
            if (why.empty()) continue;
            Run.Log.Line("Fichier différent : " + file.Target + " (" + std::string(why) + ")");
            ++differences;
        }
    }
    return differences;
}

std::size_t TInstallation::VerifiedRegistryDifferences() {
    if (Target.Portable) return 0;
    TRegistryAccess registry(Platform.Registry);
    registry.SetRootKey(kHkeyLocalMachine);
    const std::string key = std::string(kLocalMachineRoot) + std::string(kUninstallKey);
    if (!registry.OpenExistingKey(std::string(kUninstallKey))) {
        Run.Log.Line("Entrée de désinstallation absente : " + key);
        return 1;
    }
    std::size_t differences = 0;
    for (const TRegistryValue& value : UninstallValues(Target.MainDir, 0)) {
        const std::string name(value.Name);
        bool same = registry.ValueExists(name);
        if (same && value.Name != kEstimatedSizeValue)
            same = value.Type == kRegDword ? registry.ReadInteger(name) == value.Number
                                           : registry.ReadString(name) == value.Text;
        if (same) continue;
        Run.Log.Line("Entrée de désinstallation différente : " + key + "\\" + name + " (attendu " +
                     ValueText(value) + ")");
        ++differences;
    }
    return differences;
}

} // namespace ulv
