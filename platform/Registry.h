#pragma once
#include "Win32Types.h"

#include <cstdint>
#include <string>

namespace ulv {

using RegKey = std::uintptr_t; // an HKEY; kNoKey is never a valid key
constexpr RegKey kNoKey = 0;
constexpr RegKey kHkeyCurrentUser = 0x80000001u;
constexpr RegKey kHkeyLocalMachine = 0x80000002u;

// The predefined roots (HKEY_CLASSES_ROOT and the others) are these values; they are open for the whole
// process and are never closed by the program.
[[nodiscard]] constexpr bool IsPredefinedKey(RegKey key) {
    return key >= 0x80000000u && key <= 0x800000FFu;
}

constexpr std::uint32_t kKeyAllAccess = 0xF003F;
constexpr std::uint32_t kKeyQueryValue = 0x0001;
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kRegOptionNonVolatile = 0;

constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

// The registry, with the semantics of the advapi32 calls of the same names (ANSI names and data in the
// system code page). Each call returns its Win32 error code, 0 on success (the code is not left
// for LastError). Key paths are backslash-separated, relative to the key given; names of keys and values
// ignore case and keep the case they were created with.
class IRegistry {
public:
    virtual ~IRegistry() = default;

    // Opens `subKey` below `parent`, creating it and every missing level first. `result` is the new key
    // (close it with RegCloseKey), kNoKey on failure. A path that starts with a backslash fails with
    // ERROR_BAD_PATHNAME. A failure (ERROR_ACCESS_DENIED for a user who may not write there) creates nothing
    // that was missing.
    [[nodiscard]] virtual std::int32_t RegCreateKeyExA(RegKey parent, const std::string& subKey,
                                                       std::uint32_t options, std::uint32_t access,
                                                       RegKey& result) = 0;
    // Opens an existing `subKey` below `parent` and creates nothing: a missing key gives ERROR_FILE_NOT_FOUND
    // and `result` kNoKey.
    [[nodiscard]] virtual std::int32_t RegOpenKeyExA(RegKey parent, const std::string& subKey,
                                                     std::uint32_t access, RegKey& result) = 0;
    // Reads a value of an open key; "" names the key's default value. `type`, when not null, receives the
    // stored type. `size` is in/out: the buffer's size in, the value's size out. With `data` null only the
    // size (and type) is reported. A buffer too small gives ERROR_MORE_DATA with the size needed in `size`;
    // the buffer's content is then undefined. A missing value gives ERROR_FILE_NOT_FOUND; a key that is not
    // open, ERROR_INVALID_HANDLE.
    [[nodiscard]] virtual std::int32_t RegQueryValueExA(RegKey key, const std::string& name,
                                                        std::uint32_t* type, std::uint8_t* data,
                                                        std::uint32_t& size) = 0;
    // Creates or replaces a value with `size` bytes of `data` (for REG_SZ the terminating NUL included) and
    // the type given; the bytes are stored as written. On failure the old value, if any, is unchanged.
    [[nodiscard]] virtual std::int32_t RegSetValueExA(RegKey key, const std::string& name, std::uint32_t type,
                                                      const std::uint8_t* data, std::uint32_t size) = 0;
    // Closing a predefined root succeeds and does nothing.
    virtual std::int32_t RegCloseKey(RegKey key) = 0;
    // RegDeleteKeyA: deletes `subKey` below `parent` with its values. A key that has subkeys of its own is
    // not deleted (ERROR_ACCESS_DENIED); a missing one gives ERROR_FILE_NOT_FOUND.
    virtual std::int32_t RegDeleteKeyA(RegKey parent, const std::string& subKey) = 0;
};

// Owns an open key of an IRegistry; closes it once. A predefined root is held but never closed.
class UniqueKey {
public:
    UniqueKey() = default;
    UniqueKey(IRegistry& registry, RegKey key) : Registry(&registry), Key(key) {}
    UniqueKey(UniqueKey&& other) noexcept : Registry(other.Registry), Key(other.Release()) {}
    UniqueKey& operator=(UniqueKey&& other) noexcept {
        if (this != &other) {
            Reset();
            Registry = other.Registry;
            Key = other.Release();
        }
        return *this;
    }
    UniqueKey(const UniqueKey&) = delete;
    UniqueKey& operator=(const UniqueKey&) = delete;
    ~UniqueKey() { Reset(); }

    [[nodiscard]] RegKey Get() const { return Key; }
    explicit operator bool() const { return Key != kNoKey; }
    RegKey Release() {
        RegKey k = Key;
        Key = kNoKey;
        return k;
    }
    void Reset() {
        RegKey k = Release();
        if (k != kNoKey && !IsPredefinedKey(k)) Registry->RegCloseKey(k);
    }

private:
    IRegistry* Registry = nullptr;
    RegKey Key = kNoKey;
};

} // namespace ulv
