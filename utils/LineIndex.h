#pragma once
// Which lines of a list are held, under an equality given by keys (two lines are equal exactly when their
// keys are): each key's hash with the index of its line, in one open-addressed table. No key is kept: a hash
// met again is confirmed with the key of the line it names, made again. A log of tens of thousands of lines
// then costs one allocation and a few bytes a line, where a set of keys would cost two allocations and the
// key's length (several times the line's) for each. A slot keeps 32 bits of the hash: enough to pass over
// nearly every other key without making it, in a table that never holds 2^32 lines.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ulv {

class TLineIndex {
public:
    void Clear() { Slots.clear(), Count = 0; }

    // Room for `lines` lines in all, made at once rather than by doubling as they come.
    void Reserve(size_t lines) {
        size_t size = 16;
        while (size < 2 * lines)
            size *= 2;
        if (size > Slots.size()) Rehash(size);
    }

    // Indexes line `line` under `key`, unless a line with an equal key is indexed already: false then.
    // keyOf(i, out) writes the key of line i over `out`.
    template <typename KeyOf> bool Insert(std::string_view key, std::uint32_t line, KeyOf&& keyOf) {
        if ((Count + 1) * 2 > Slots.size()) Grow();
        const std::uint32_t hash = Hash(key);
        TSlot* slot = Find(key, hash, keyOf);
        if (slot->Line != kEmpty) return false;
        *slot = {hash, line};
        ++Count;
        return true;
    }

    // Whether a line with a key equal to `key` is indexed.
    template <typename KeyOf> [[nodiscard]] bool Holds(std::string_view key, KeyOf&& keyOf) {
        return !Slots.empty() && Find(key, Hash(key), keyOf)->Line != kEmpty;
    }

private:
    static constexpr std::uint32_t kEmpty = UINT32_MAX;
    struct TSlot {
        std::uint32_t Hash = 0;
        std::uint32_t Line = kEmpty;
    };

    static std::uint32_t Hash(std::string_view key) {
        return static_cast<std::uint32_t>(std::hash<std::string_view>{}(key));
    }

    // The slot of the line whose key equals `key`, or the empty slot where it would go.
    template <typename KeyOf> TSlot* Find(std::string_view key, std::uint32_t hash, KeyOf& keyOf) {
        for (size_t at = hash & (Slots.size() - 1);; at = (at + 1) & (Slots.size() - 1)) {
            TSlot& slot = Slots[at];
            if (slot.Line == kEmpty) return &slot;
            if (slot.Hash != hash) continue;
            keyOf(slot.Line, HeldKey);
            if (HeldKey == key) return &slot;
        }
    }

    // Kept at most half full, so that a probe meets an empty slot soon.
    void Grow() { Rehash(Slots.size() < 16 ? 16 : Slots.size() * 2); }

    void Rehash(size_t size) {
        std::vector<TSlot> old(size);
        old.swap(Slots);
        for (const TSlot& slot : old) {
            if (slot.Line == kEmpty) continue;
            size_t at = slot.Hash & (Slots.size() - 1);
            while (Slots[at].Line != kEmpty)
                at = (at + 1) & (Slots.size() - 1);
            Slots[at] = slot;
        }
    }

    std::vector<TSlot> Slots;
    size_t Count = 0;
    std::string HeldKey;
};

} // namespace ulv
