#pragma once
#include <objbase.h>

#include <utility>

namespace ulv::win32 {

// Owns one reference to a COM interface; released once, never copied.
template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(ComPtr&& other) noexcept : Ptr(std::exchange(other.Ptr, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            Ptr = std::exchange(other.Ptr, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }

    [[nodiscard]] T* Get() const { return Ptr; }
    T* operator->() const { return Ptr; }
    explicit operator bool() const { return Ptr != nullptr; }
    // For the out parameter of CoCreateInstance and QueryInterface; releases what was held first.
    void** PutVoid() {
        Reset();
        return reinterpret_cast<void**>(&Ptr);
    }
    void Reset() {
        if (Ptr) std::exchange(Ptr, nullptr)->Release();
    }

private:
    T* Ptr = nullptr;
};

} // namespace ulv::win32
