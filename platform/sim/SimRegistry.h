#pragma once
#include "SimChanges.h"
#include "platform/Registry.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ulv::sim {

constexpr std::int32_t kErrorKeyDeleted = 1018;

struct TRegValue {
    std::uint32_t Type = kRegNone;
    std::vector<std::uint8_t> Data;
};

// One successful RegSetValueExA, with the key's path as stored (case as created).
struct TRegWrite {
    RegKey Root = kNoKey;
    std::string KeyPath;
    std::string Name;
    std::uint32_t Type = kRegNone;
    std::vector<std::uint8_t> Data;
};

// The registry of the simulated machine: the predefined roots, keys and values in memory. Key and value
// names ignore Windows-1252 case and keep the case they were created with; values keep their type and bytes
// as written and are listed in creation order. A key deleted by a test while a handle is open on it answers
// ERROR_KEY_DELETED through that handle. Thread-safe.
class SimRegistry final : public IRegistry {
public:
    SimRegistry();
    ~SimRegistry() override;
    SimRegistry(const SimRegistry&) = delete;
    SimRegistry& operator=(const SimRegistry&) = delete;

    // false models a user without administrator rights: below HKEY_LOCAL_MACHINE, creating a key, opening
    // one with write access and writing a value fail with ERROR_ACCESS_DENIED; reading still works.
    void SetMachineWritable(bool writable);
    // Keys made and deleted and values written are numbered changes (SimChanges.h); once stopped, a key
    // that would be made is handed as one that reaches nothing.
    void AttachChanges(SimChanges& changes);

    [[nodiscard]] std::vector<TRegWrite> Writes() const;
    // Forgets the writes recorded so far, for a machine that serves many runs.
    void ClearWrites();
    [[nodiscard]] std::optional<TRegValue> Value(RegKey root, const std::string& keyPath,
                                                 const std::string& name) const;
    [[nodiscard]] std::vector<std::string> ValueNames(RegKey root, const std::string& keyPath) const;
    [[nodiscard]] bool KeyExists(RegKey root, const std::string& keyPath) const;
    // Test set-up, not recorded as writes and not subject to SetMachineWritable; creates the key.
    void PutValue(RegKey root, const std::string& keyPath, const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data);
    void DeleteValue(RegKey root, const std::string& keyPath, const std::string& name);
    // Removes the key with its subkeys and values.
    void DeleteKey(RegKey root, const std::string& keyPath);
    // Every key of every root and its values, as "root\\path" to "name=type:bytes" lines, for a test that
    // compares two machines whole.
    [[nodiscard]] std::map<std::string, std::string> Dump() const;
    // Keys opened by RegCreateKeyExA and not closed yet.
    [[nodiscard]] size_t OpenKeyCount() const;

    std::int32_t RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                               RegKey& result) override;
    std::int32_t RegCreateKeyExA(RegKey parent, const std::string& subKey, std::uint32_t options,
                                 std::uint32_t access, RegKey& result) override;
    std::int32_t RegQueryValueExA(RegKey key, const std::string& name, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t& size) override;
    std::int32_t RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) override;
    std::int32_t RegCloseKey(RegKey key) override;
    std::int32_t RegDeleteKeyA(RegKey parent, const std::string& subKey) override;

    struct Node;

private:
    struct Handle {
        RegKey Root = kNoKey;
        std::shared_ptr<Node> Key;
        std::uint32_t Access = 0;
    };
    struct Target {
        RegKey Root = kNoKey;
        std::shared_ptr<Node> Key;
        std::uint32_t Access = 0;
        std::int32_t Error = 0;
    };

    [[nodiscard]] Target Resolve(RegKey key) const;
    [[nodiscard]] Node* Find(RegKey root, const std::string& keyPath) const;
    Node& Create(RegKey root, const std::string& keyPath);
    [[nodiscard]] bool MayWrite(RegKey root) const;
    std::int32_t CreateBelow(const Target& parent, const std::string& subKey, std::uint32_t access,
                             RegKey& result);

    mutable std::mutex Lock;
    std::map<RegKey, std::shared_ptr<Node>> Roots;
    std::map<RegKey, Handle> Handles;
    RegKey NextHandle = 0x1000;
    bool MachineWritable = true;
    std::vector<TRegWrite> WriteLog;
    SimChanges* Changes = nullptr;
    [[nodiscard]] bool Change(std::string_view what, const std::string& path);
};

} // namespace ulv::sim
