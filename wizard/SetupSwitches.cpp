// Reading the unattended run's switches and laying them over the stored choices.
#include "wizard/SetupSwitches.h"

#include <algorithm>
#include <array>
#include <span>

namespace ulv {
namespace {

// Accepted: a switch deployment tools pass that has nothing to change here (the setup never restarts the
// computer, asks nothing before its pages, makes no Start menu folder to do without, and closes no program).
enum class TSwitchKind {
    VerySilent,
    Silent,
    SuppressMsgBoxes,
    NoCancel,
    Help,
    Plan,
    Verify,
    Accepted,
    Dir,
    Components,
    Tasks,
    Log
};

struct TSwitchName {
    std::string_view Name;
    TSwitchKind Kind;
    bool TakesValue;
};

constexpr std::array<TSwitchName, 20> kSwitchNames = {{
    {"verysilent", TSwitchKind::VerySilent, false},
    {"silent", TSwitchKind::Silent, false},
    {"suppressmsgboxes", TSwitchKind::SuppressMsgBoxes, false},
    {"nocancel", TSwitchKind::NoCancel, false},
    {"help", TSwitchKind::Help, false},
    {"?", TSwitchKind::Help, false},
    {"plan", TSwitchKind::Plan, false},
    {"verify", TSwitchKind::Verify, false},
    {"norestart", TSwitchKind::Accepted, false},
    {"sp-", TSwitchKind::Accepted, false},
    {"noicons", TSwitchKind::Accepted, false},
    {"closeapplications", TSwitchKind::Accepted, false},
    {"nocloseapplications", TSwitchKind::Accepted, false},
    {"forcecloseapplications", TSwitchKind::Accepted, false},
    {"restartapplications", TSwitchKind::Accepted, false},
    {"norestartapplications", TSwitchKind::Accepted, false},
    {"dir", TSwitchKind::Dir, true},
    {"components", TSwitchKind::Components, true},
    {"tasks", TSwitchKind::Tasks, true},
    {"log", TSwitchKind::Log, true},
}};

// Switch names and identifiers are ASCII: the system's ANSI casing is not needed to compare them.
bool SameLetters(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t";
    std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The list's items, blanks around them dropped, empty ones left out.
std::vector<std::string_view> ListItems(std::string_view list) {
    std::vector<std::string_view> items;
    while (!list.empty()) {
        std::size_t comma = std::min(list.find(','), list.size());
        if (std::string_view item = Trimmed(list.substr(0, comma)); !item.empty()) items.push_back(item);
        list.remove_prefix(std::min(comma + 1, list.size()));
    }
    return items;
}

template <std::size_t N>
std::optional<std::size_t> IdIndex(const std::array<std::string_view, N>& ids, std::string_view id) {
    for (std::size_t i = 0; i < N; ++i)
        if (SameLetters(ids[i], id)) return i;
    return std::nullopt;
}

const TSwitchName* FindSwitch(std::string_view name) {
    for (const TSwitchName& known : kSwitchNames)
        if (SameLetters(known.Name, name)) return &known;
    return nullptr;
}

class TSwitchReader {
public:
    explicit TSwitchReader(TSetupSwitches& switches) : S(switches) {}

    void Read(const std::string& param, std::size_t position) {
        if (param.empty()) return;
        std::size_t equals = param.find('=');
        const TSwitchName* known =
            param.front() == '/' ? FindSwitch(std::string_view(param).substr(1, equals - 1)) : nullptr;
        if (!known) return Problem(TSwitchFault::UnknownSwitch, param);
        if (known->TakesValue != (equals != std::string::npos))
            return Problem(TSwitchFault::Malformed, param);
        if (!known->TakesValue) return SetFlag(known->Kind);
        std::string value = param.substr(equals + 1);
        bool path = known->Kind == TSwitchKind::Dir || known->Kind == TSwitchKind::Log;
        if (path && value.empty()) return Problem(TSwitchFault::Malformed, param);
        std::optional<std::string>& seen = Seen[static_cast<std::size_t>(known->Kind)];
        if (seen) {
            if (*seen != value && !SameList(known->Kind, value)) Problem(TSwitchFault::Conflict, param);
            return;
        }
        seen = value;
        SetValue(known->Kind, value, position);
    }

private:
    // Each once: a list given again in another order would name its unknown identifiers again.
    void Problem(TSwitchFault fault, std::string_view text) {
        TSwitchProblem problem{fault, std::string(text)};
        if (std::ranges::find(S.Problems, problem) == S.Problems.end())
            S.Problems.push_back(std::move(problem));
    }

    // The same components or tasks in another order, or with other blanks, are no other value.
    bool SameList(TSwitchKind kind, std::string_view value) {
        if (kind == TSwitchKind::Components) return ComponentBits(value) == S.Components;
        if (kind == TSwitchKind::Tasks) return std::ranges::is_permutation(TaskSwitches(value), *S.Tasks);
        return false;
    }

    void SetFlag(TSwitchKind kind) {
        if (kind == TSwitchKind::VerySilent) S.Mode = TSetupMode::VerySilent;
        if (kind == TSwitchKind::Silent && S.Mode == TSetupMode::Wizard) S.Mode = TSetupMode::Silent;
        if (kind == TSwitchKind::SuppressMsgBoxes) S.SuppressMsgBoxes = true;
        if (kind == TSwitchKind::NoCancel) S.NoCancel = true;
        if (kind == TSwitchKind::Help) S.Help = true;
        if (kind == TSwitchKind::Plan || kind == TSwitchKind::Verify) {
            const TSetupAction action = kind == TSwitchKind::Plan ? TSetupAction::Plan : TSetupAction::Verify;
            if (S.Action != TSetupAction::Install && S.Action != action)
                return Problem(TSwitchFault::Conflict, kind == TSwitchKind::Plan ? "/PLAN" : "/VERIFY");
            S.Action = action;
            S.Mode = TSetupMode::VerySilent;
        }
    }

    void SetValue(TSwitchKind kind, const std::string& value, std::size_t position) {
        if (kind == TSwitchKind::Dir) S.Dir = TPlacedValue{value, position};
        if (kind == TSwitchKind::Log) S.LogPath = value;
        if (kind == TSwitchKind::Components) S.Components = ComponentBits(value);
        if (kind == TSwitchKind::Tasks) S.Tasks = TaskSwitches(value);
    }

    std::uint8_t ComponentBits(std::string_view list) {
        std::uint8_t bits = 1;
        for (std::string_view item : ListItems(list)) {
            if (std::optional<std::size_t> n = IdIndex(kComponentIds, item))
                bits |= static_cast<std::uint8_t>(1u << *n);
            else
                Problem(TSwitchFault::UnknownComponent, item);
        }
        return bits;
    }

    std::vector<TTaskSwitch> TaskSwitches(std::string_view list) {
        std::vector<TTaskSwitch> tasks;
        for (std::string_view item : ListItems(list)) {
            bool on = !item.starts_with('!');
            std::optional<std::size_t> n = IdIndex(kTaskIds, Trimmed(item.substr(on ? 0 : 1)));
            if (!n) {
                Problem(TSwitchFault::UnknownTask, item);
                continue;
            }
            TTaskSwitch task{static_cast<TSetupTask>(*n), on};
            auto same = std::ranges::find(tasks, task.Task, &TTaskSwitch::Task);
            if (same == tasks.end())
                tasks.push_back(task);
            else if (same->On != on)
                Problem(TSwitchFault::Conflict, item);
        }
        auto listed = [&tasks](TSetupTask t) {
            return std::ranges::find(tasks, t, &TTaskSwitch::Task) != tasks.end();
        };
        if (listed(TSetupTask::AllUsers) && listed(TSetupTask::CurrentUser))
            Problem(TSwitchFault::Conflict, list);
        return tasks;
    }

    TSetupSwitches& S;
    // The value each switch was first given, by kind.
    std::array<std::optional<std::string>, kSwitchNames.size()> Seen;
};

TChoiceOrigin OriginOf(bool stored) {
    return stored ? TChoiceOrigin::Stored : TChoiceOrigin::Default;
}

TChoiceOrigins StoredOrigins(const TStoredPresence& present) {
    return {OriginOf(present.MainDir),         OriginOf(present.Components), OriginOf(present.InstallToAll),
            OriginOf(present.DesktopShortcut), OriginOf(present.Extensions), OriginOf(present.Launch)};
}

// Stored as the components page would store the same boxes: the word processor's item is locked.
std::uint32_t ComponentsOf(std::uint32_t stored, std::uint8_t listed) {
    std::array<TCheckState, kComponentCount> items{};
    items[0] = TCheckState::Grayed;
    for (std::size_t n = 1; n < items.size(); ++n)
        items[n] = (listed >> n & 1u) != 0 ? TCheckState::Checked : TCheckState::Unchecked;
    return StoredComponents(stored, items);
}

bool IsOn(const std::vector<TTaskSwitch>& tasks, TSetupTask task) {
    return std::ranges::find(tasks, TTaskSwitch{task, true}) != tasks.end();
}

void ApplyTasks(const std::vector<TTaskSwitch>& tasks, bool unattended, TResolvedChoices& resolved) {
    auto on = [&tasks](TSetupTask t) { return IsOn(tasks, t); };
    TInstallChoices& choices = resolved.Choices;
    choices.DesktopShortcut = on(TSetupTask::DesktopIcon);
    // The task fills the finish page's box; a run without the page keeps the stored choice for the next
    // wizard and starts the word processor by its own rule (TSetupSwitches::LaunchAsked).
    if (!unattended) choices.Launch = on(TSetupTask::Launch);
    choices.Options.Extensions = ExtensionsOf({on(TSetupTask::AssocRtf), on(TSetupTask::AssocCod),
                                               on(TSetupTask::AssocDoc), on(TSetupTask::AssocDocx)});
    TChoiceOrigins& origins = resolved.Origins;
    origins.DesktopShortcut = origins.Launch = origins.Extensions = TChoiceOrigin::Switch;
    auto scope = std::ranges::find_if(tasks, [](const TTaskSwitch& task) {
        return task.Task == TSetupTask::AllUsers || task.Task == TSetupTask::CurrentUser;
    });
    if (scope == tasks.end()) return;
    choices.InstallToAll = scope->On == (scope->Task == TSetupTask::AllUsers);
    origins.InstallToAll = TChoiceOrigin::Switch;
}

// Windows takes "/" for "\" in a path: the destination is logged, stored and registered as Windows shows it.
std::string WithBackslashes(std::string path) {
    std::ranges::replace(path, '/', '\\');
    return path;
}

std::string JoinedIds(std::span<const std::string_view> ids) {
    std::string list;
    for (std::string_view id : ids)
        list += (list.empty() ? "" : ", ") + std::string(id);
    return list;
}

} // namespace

bool TSetupSwitches::LaunchAsked() const {
    return Tasks && IsOn(*Tasks, TSetupTask::Launch);
}

std::optional<std::string> TSetupSwitches::Destination() const {
    if (DashD && (!Dir || DashD->Position > Dir->Position)) return DashD->Value;
    if (Dir) return Dir->Value;
    return std::nullopt;
}

TSetupSwitches ParseSetupSwitches(const std::vector<std::string>& params) {
    TSetupSwitches switches;
    std::size_t first = 0;
    if (std::optional<std::string> folder = DestinationSwitch(params)) {
        switches.DashD = TPlacedValue{*folder, 0};
        first = 1;
    }
    TSwitchReader reader(switches);
    for (std::size_t i = first; i < params.size(); ++i)
        reader.Read(params[i], i);
    // The plan has no other place to go: the run shows nothing.
    if (switches.Action == TSetupAction::Plan && !switches.LogPath)
        switches.Problems.push_back({TSwitchFault::Malformed, "/PLAN"});
    return switches;
}

TResolvedChoices ApplySwitches(const TStoredSettings& stored, const TSetupSwitches& switches) {
    TResolvedChoices resolved{stored.Choices, StoredOrigins(stored.Present)};
    TInstallChoices& choices = resolved.Choices;
    if (std::optional<std::string> folder = switches.Destination()) {
        choices.Options.MainDir = WithBackslashes(*folder);
        resolved.Origins.MainDir = TChoiceOrigin::Switch;
    }
    if (switches.Components) {
        choices.Options.Components = ComponentsOf(stored.Choices.Options.Components, *switches.Components);
        resolved.Origins.Components = TChoiceOrigin::Switch;
    }
    if (switches.Tasks) ApplyTasks(*switches.Tasks, switches.Unattended(), resolved);
    return resolved;
}

std::string SwitchesHelpText() {
    return "Paramètres de la ligne de commande du programme d'installation :\r\r"
           "/SILENT : installation sans les pages de l'assistant, seule la page d'installation s'affiche\r"
           "/VERYSILENT : installation sans aucune fenêtre\r"
           "/SUPPRESSMSGBOXES : aucune boîte de message, chaque question reçoit sa réponse automatique\r"
           "/NOCANCEL : avec /SILENT, l'installation ne peut pas être interrompue\r"
           "/DIR=\"dossier\" : le dossier d'installation (ou -ddossier en premier paramètre)\r"
           "/COMPONENTS=\"a,b\" : exactement ces composants, parmi " +
           JoinedIds(kComponentIds) +
           "\r/TASKS=\"x,!y\" : exactement ces tâches (un ! devant une tâche la désactive), parmi " +
           JoinedIds(kTaskIds) +
           "\r/LOG=\"fichier\" : le journal de l'installation dans ce fichier\r"
           "/PLAN : rien n'est installé, le journal (/LOG=) dit ce que l'installation ferait\r"
           "/VERIFY : rien n'est installé, le code de sortie dit si l'installation enregistrée est complète "
           "(0) ou non (1610), ou absente (1605)\r"
           "/HELP, /? : cette liste\r\r"
           "Acceptés sans effet : /NORESTART (l'ordinateur n'est jamais redémarré), /SP-, /NOICONS, "
           "/CLOSEAPPLICATIONS, /NOCLOSEAPPLICATIONS, /FORCECLOSEAPPLICATIONS, /RESTARTAPPLICATIONS, "
           "/NORESTARTAPPLICATIONS.";
}

} // namespace ulv
