#include "SimRegistry.h"
#include "SimText.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

namespace ulv::sim {

namespace {

constexpr std::int32_t kErrorNoAccess = 998;
constexpr std::uint32_t kKeySetValue = 0x0002;
// KEY_SET_VALUE, KEY_CREATE_SUB_KEY, DELETE, WRITE_DAC, WRITE_OWNER: what a user without rights on the key
// is refused.
constexpr std::uint32_t kWriteAccess = 0x000D0006;
constexpr RegKey kFirstRoot = 0x80000000u; // HKEY_CLASSES_ROOT
constexpr RegKey kLastRoot = 0x80000005u;  // HKEY_CURRENT_CONFIG

// The levels of a relative key path; nullopt for a path Windows refuses (a leading or doubled backslash).
// One trailing backslash is allowed.
std::optional<std::vector<std::string>> SplitKeyPath(const std::string& path) {
    std::vector<std::string> levels;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end == start) return std::nullopt;
        levels.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return levels;
}

} // namespace

struct SimRegistry::Node {
    std::string Path; // from the root, case as created
    std::vector<std::shared_ptr<Node>> Children;
    std::vector<std::pair<std::string, TRegValue>> Values;
    bool Deleted = false;

    [[nodiscard]] std::string Name() const {
        size_t slash = Path.rfind('\\');
        return slash == std::string::npos ? Path : Path.substr(slash + 1);
    }
    [[nodiscard]] std::shared_ptr<Node> Child(const std::string& name) const {
        for (const auto& child : Children)
            if (SameTextNoCase(child->Name(), name)) return child;
        return nullptr;
    }
    std::shared_ptr<Node> ChildOrNew(const std::string& name) {
        if (auto child = Child(name)) return child;
        auto child = std::make_shared<Node>();
        child->Path = Path.empty() ? name : Path + "\\" + name;
        Children.push_back(child);
        return child;
    }
    TRegValue* FindValue(const std::string& name) {
        for (auto& [valueName, value] : Values)
            if (SameTextNoCase(valueName, name)) return &value;
        return nullptr;
    }
    void SetValue(const std::string& name, TRegValue value) {
        if (TRegValue* old = FindValue(name))
            *old = std::move(value);
        else
            Values.emplace_back(name, std::move(value));
    }
    void MarkDeleted() {
        Deleted = true;
        for (const auto& child : Children)
            child->MarkDeleted();
    }
};

namespace {

// nullptr when a level is missing.
std::shared_ptr<SimRegistry::Node> Walk(std::shared_ptr<SimRegistry::Node> key,
                                        const std::vector<std::string>& levels) {
    for (const auto& level : levels) {
        key = key->Child(level);
        if (key == nullptr) return nullptr;
    }
    return key;
}

std::shared_ptr<SimRegistry::Node> MakePath(std::shared_ptr<SimRegistry::Node> key,
                                            const std::vector<std::string>& levels) {
    for (const auto& level : levels)
        key = key->ChildOrNew(level);
    return key;
}

} // namespace

SimRegistry::SimRegistry() {
    for (RegKey root = kFirstRoot; root <= kLastRoot; ++root)
        Roots[root] = std::make_shared<Node>();
}

SimRegistry::~SimRegistry() = default;

void SimRegistry::SetMachineWritable(bool writable) {
    std::lock_guard guard(Lock);
    MachineWritable = writable;
}

std::vector<TRegWrite> SimRegistry::Writes() const {
    std::lock_guard guard(Lock);
    return WriteLog;
}

void SimRegistry::ClearWrites() {
    std::lock_guard guard(Lock);
    WriteLog.clear();
}

std::optional<TRegValue> SimRegistry::Value(RegKey root, const std::string& keyPath,
                                            const std::string& name) const {
    std::lock_guard guard(Lock);
    Node* key = Find(root, keyPath);
    if (key == nullptr) return std::nullopt;
    TRegValue* value = key->FindValue(name);
    if (value == nullptr) return std::nullopt;
    return *value;
}

std::vector<std::string> SimRegistry::ValueNames(RegKey root, const std::string& keyPath) const {
    std::lock_guard guard(Lock);
    std::vector<std::string> names;
    if (Node* key = Find(root, keyPath))
        for (const auto& value : key->Values)
            names.push_back(value.first);
    return names;
}

bool SimRegistry::KeyExists(RegKey root, const std::string& keyPath) const {
    std::lock_guard guard(Lock);
    return Find(root, keyPath) != nullptr;
}

void SimRegistry::PutValue(RegKey root, const std::string& keyPath, const std::string& name,
                           std::uint32_t type, const std::vector<std::uint8_t>& data) {
    std::lock_guard guard(Lock);
    Create(root, keyPath).SetValue(name, TRegValue{type, data});
}

void SimRegistry::DeleteValue(RegKey root, const std::string& keyPath, const std::string& name) {
    std::lock_guard guard(Lock);
    Node* key = Find(root, keyPath);
    if (key == nullptr) return;
    std::erase_if(key->Values, [&](const auto& value) { return SameTextNoCase(value.first, name); });
}

void SimRegistry::DeleteKey(RegKey root, const std::string& keyPath) {
    std::lock_guard guard(Lock);
    Node* key = Find(root, keyPath);
    if (key == nullptr) return;
    size_t slash = key->Path.rfind('\\');
    Node* parent = slash == std::string::npos ? Find(root, "") : Find(root, key->Path.substr(0, slash));
    if (parent == nullptr || parent == key) return; // a root stays
    key->MarkDeleted();
    std::erase_if(parent->Children, [&](const auto& child) { return child.get() == key; });
}

size_t SimRegistry::OpenKeyCount() const {
    std::lock_guard guard(Lock);
    return Handles.size();
}

std::int32_t SimRegistry::RegCreateKeyExA(RegKey parent, const std::string& subKey, std::uint32_t options,
                                          std::uint32_t access, RegKey& result) {
    std::lock_guard guard(Lock);
    result = kNoKey;
    (void)options; // volatility is not modelled: nothing here outlives the machine
    Target target = Resolve(parent);
    if (target.Error != 0) return target.Error;
    return CreateBelow(target, subKey, access, result);
}

std::int32_t SimRegistry::RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                                        RegKey& result) {
    std::lock_guard guard(Lock);
    result = kNoKey;
    Target target = Resolve(parent);
    if (target.Error != 0) return target.Error;
    auto levels = SplitKeyPath(subKey);
    if (!levels) return static_cast<std::int32_t>(kErrorBadPathname);
    if (Walk(target.Key, *levels) == nullptr) return static_cast<std::int32_t>(kErrorFileNotFound);
    return CreateBelow(target, subKey, access, result);
}

std::int32_t SimRegistry::CreateBelow(const Target& parent, const std::string& subKey, std::uint32_t access,
                                      RegKey& result) {
    auto levels = SplitKeyPath(subKey);
    if (!levels) return static_cast<std::int32_t>(kErrorBadPathname);
    std::shared_ptr<Node> key = Walk(parent.Key, *levels);
    bool writing = key == nullptr || (access & kWriteAccess) != 0;
    if (writing && !MayWrite(parent.Root)) return static_cast<std::int32_t>(kErrorAccessDenied);
    if (key == nullptr) {
        if (Change("make key", parent.Key->Path + "\\" + subKey))
            key = MakePath(parent.Key, *levels);
        else
            key = std::make_shared<Node>(); // reaches nothing: the program was stopped
    }
    result = NextHandle;
    NextHandle += 4;
    Handles[result] = Handle{parent.Root, key, access};
    return 0;
}

std::int32_t SimRegistry::RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t* type,
                                           std::uint8_t* data, std::uint32_t& size) {
    std::lock_guard guard(Lock);
    Target target = Resolve(key);
    if (target.Error != 0) return target.Error;
    if ((target.Access & kKeyQueryValue) == 0) return static_cast<std::int32_t>(kErrorAccessDenied);
    TRegValue* value = target.Key->FindValue(name);
    if (value == nullptr) return static_cast<std::int32_t>(kErrorFileNotFound);
    if (type != nullptr) *type = value->Type;
    auto needed = static_cast<std::uint32_t>(value->Data.size());
    if (data == nullptr) {
        size = needed;
        return 0;
    }
    // Like NtQueryValueKey, a buffer too small gets the bytes that fit: a caller that trusts it sees a
    // plausible, truncated value.
    std::uint32_t copied = std::min(size, needed);
    if (copied > 0) std::memcpy(data, value->Data.data(), copied);
    bool fits = size >= needed;
    size = needed;
    return fits ? 0 : static_cast<std::int32_t>(kErrorMoreData);
}

std::int32_t SimRegistry::RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type,
                                         const std::uint8_t* data, std::uint32_t size) {
    std::lock_guard guard(Lock);
    Target target = Resolve(key);
    if (target.Error != 0) return target.Error;
    if ((target.Access & kKeySetValue) == 0 || !MayWrite(target.Root))
        return static_cast<std::int32_t>(kErrorAccessDenied);
    if (data == nullptr && size > 0) return kErrorNoAccess;
    if (!Change("write value", target.Key->Path + "\\" + name)) return 0;
    std::vector<std::uint8_t> bytes;
    if (size > 0) bytes.assign(data, data + size);
    target.Key->SetValue(name, TRegValue{type, bytes});
    WriteLog.push_back(TRegWrite{target.Root, target.Key->Path, name, type, std::move(bytes)});
    return 0;
}

std::int32_t SimRegistry::RegCloseKey(RegKey key) {
    std::lock_guard guard(Lock);
    if (IsPredefinedKey(key)) return 0;
    return Handles.erase(key) == 1 ? 0 : static_cast<std::int32_t>(kErrorInvalidHandle);
}

std::int32_t SimRegistry::RegDeleteKeyA(RegKey parent, const std::string& subKey) {
    std::lock_guard guard(Lock);
    Target target = Resolve(parent);
    if (target.Error != 0) return target.Error;
    auto levels = SplitKeyPath(subKey);
    if (!levels || levels->empty()) return static_cast<std::int32_t>(kErrorBadPathname);
    std::shared_ptr<Node> key = Walk(target.Key, *levels);
    if (key == nullptr) return static_cast<std::int32_t>(kErrorFileNotFound);
    if (!key->Children.empty() || !MayWrite(target.Root)) return static_cast<std::int32_t>(kErrorAccessDenied);
    if (!Change("delete key", key->Path)) return 0;
    levels->pop_back();
    std::shared_ptr<Node> owner = Walk(target.Key, *levels);
    key->MarkDeleted();
    std::erase_if(owner->Children, [&](const auto& child) { return child == key; });
    return 0;
}

std::map<std::string, std::string> SimRegistry::Dump() const {
    std::lock_guard guard(Lock);
    std::map<std::string, std::string> keys;
    std::function<void(const std::string&, const Node&)> walk = [&](const std::string& root, const Node& key) {
        std::string& values = keys[root + "\\" + key.Path];
        for (const auto& [name, value] : key.Values)
            values += name + "=" + std::to_string(value.Type) + ":" +
                      std::string(value.Data.begin(), value.Data.end()) + "\n";
        for (const auto& child : key.Children)
            walk(root, *child);
    };
    for (const auto& [root, key] : Roots)
        walk(std::to_string(root), *key);
    return keys;
}

void SimRegistry::AttachChanges(SimChanges& changes) {
    std::lock_guard guard(Lock);
    Changes = &changes;
}

bool SimRegistry::Change(std::string_view what, const std::string& path) {
    return Changes == nullptr || Changes->Begin(what, path);
}

SimRegistry::Target SimRegistry::Resolve(RegKey key) const {
    if (key >= kFirstRoot && key <= kLastRoot) return Target{key, Roots.at(key), kKeyAllAccess, 0};
    auto it = Handles.find(key);
    if (it == Handles.end())
        return Target{kNoKey, nullptr, 0, static_cast<std::int32_t>(kErrorInvalidHandle)};
    if (it->second.Key->Deleted) return Target{kNoKey, nullptr, 0, kErrorKeyDeleted};
    return Target{it->second.Root, it->second.Key, it->second.Access, 0};
}

SimRegistry::Node* SimRegistry::Find(RegKey root, const std::string& keyPath) const {
    auto it = Roots.find(root);
    auto levels = SplitKeyPath(keyPath);
    if (it == Roots.end() || !levels) return nullptr;
    return Walk(it->second, *levels).get();
}

SimRegistry::Node& SimRegistry::Create(RegKey root, const std::string& keyPath) {
    return *MakePath(Roots.at(root), SplitKeyPath(keyPath).value_or(std::vector<std::string>{}));
}

bool SimRegistry::MayWrite(RegKey root) const {
    return MachineWritable || root != kHkeyLocalMachine;
}

} // namespace ulv::sim
