#pragma once
#include "platform/Registry.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ulv {

// Registry strings come from outside the program; a value larger than this is not one it wrote and reads
// as empty.
constexpr std::uint32_t kMaxRegistryStringBytes = 64u << 10;

// One registry session: one root at a time and at most one open key; no error is reported anywhere.
// With no open key, reads give nothing and writes do nothing: the root itself is never written.
class TRegistryAccess {
public:
    explicit TRegistryAccess(IRegistry& registry); // root HKEY_CURRENT_USER, no open key
    TRegistryAccess(const TRegistryAccess&) = delete;
    TRegistryAccess& operator=(const TRegistryAccess&) = delete;
    ~TRegistryAccess(); // closes the open key

    void SetRootKey(RegKey root); // closes the open key
    [[nodiscard]] RegKey RootKey() const;
    // RegCreateKeyExA(options 0, KEY_ALL_ACCESS): a missing key is created. A leading backslash makes the
    // path relative to the root (the backslash dropped); otherwise it is relative to the open key when there
    // is one, else to the root. The new key replaces and closes the one open before; when the call fails no
    // key is open afterwards. Result not checked by callers.
    bool OpenKey(const std::string& path);
    // The same for a key that exists (RegOpenKeyExA, KEY_READ): nothing is created, and a missing key
    // leaves no key open.
    bool OpenExistingKey(const std::string& path);
    void CloseKey();
    [[nodiscard]] bool HasOpenKey() const;
    [[nodiscard]] bool ValueExists(const std::string& name); // size query alone succeeds
    // Size first; a size of 0 or a failed query gives ""; else that many bytes, cut at the first NUL. Type
    // not checked. A value over kMaxRegistryStringBytes, or one that grew between the two queries, gives "".
    [[nodiscard]] std::string ReadString(const std::string& name);
    // 4 bytes into a signed 32-bit integer (a shorter value fills the low bytes of a zero); a value longer
    // than 4 bytes, or a failed query, is nullopt. Type not checked.
    [[nodiscard]] std::optional<std::int32_t> ReadInteger(const std::string& name);
    [[nodiscard]] std::optional<bool> ReadBool(const std::string& name); // non-zero is true
    void WriteString(const std::string& name,
                     const std::string& value);                     // REG_SZ, the characters plus the NUL
    void WriteInteger(const std::string& name, std::int32_t value); // REG_DWORD
    void WriteBool(const std::string& name, bool value);            // integer 1 or 0

private:
    bool Open(const std::string& path, bool create);
    IRegistry& Registry;
    RegKey Root = kHkeyCurrentUser;
    UniqueKey Key;
};

} // namespace ulv
