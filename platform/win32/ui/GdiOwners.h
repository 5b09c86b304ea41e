#pragma once
// Owners of GDI objects and device contexts, one per kind of release: each frees its handle once, on every
// path; none is copied.
#include <windows.h>

#include <utility>

namespace ulv::win32ui {

// A pen, brush, font, bitmap or region: DeleteObject.
template <typename THandle> class UniqueGdiObject {
public:
    UniqueGdiObject() = default;
    explicit UniqueGdiObject(THandle handle) : Handle(handle) {}
    UniqueGdiObject(UniqueGdiObject&& other) noexcept : Handle(other.Release()) {}
    UniqueGdiObject& operator=(UniqueGdiObject&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueGdiObject(const UniqueGdiObject&) = delete;
    UniqueGdiObject& operator=(const UniqueGdiObject&) = delete;
    ~UniqueGdiObject() { Reset(); }

    [[nodiscard]] THandle Get() const { return Handle; }
    explicit operator bool() const { return Handle != nullptr; }
    // Hands the handle over (to the system, for a window region).
    [[nodiscard]] THandle Release() { return std::exchange(Handle, nullptr); }
    void Reset(THandle handle = nullptr) {
        if (Handle) DeleteObject(Handle);
        Handle = handle;
    }

private:
    THandle Handle = nullptr;
};

using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;
using UniqueRegion = UniqueGdiObject<HRGN>;

// A device context of our own making (CreateCompatibleDC): DeleteDC.
class UniqueMemoryDc {
public:
    explicit UniqueMemoryDc(HDC compatibleWith) : Dc(CreateCompatibleDC(compatibleWith)) {}
    UniqueMemoryDc(const UniqueMemoryDc&) = delete;
    UniqueMemoryDc& operator=(const UniqueMemoryDc&) = delete;
    ~UniqueMemoryDc() {
        if (Dc) DeleteDC(Dc);
    }
    [[nodiscard]] HDC Get() const { return Dc; }
    explicit operator bool() const { return Dc != nullptr; }

private:
    HDC Dc;
};

// A window's device context (GetDC; the screen's for no window): ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) : Window(window), Dc(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (Dc) ReleaseDC(Window, Dc);
    }
    [[nodiscard]] HDC Get() const { return Dc; }
    explicit operator bool() const { return Dc != nullptr; }

private:
    HWND Window;
    HDC Dc;
};

// An object selected into a device context for a scope: the one it replaced goes back at the end, before
// either may be freed.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : Dc(dc), Old(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (Old && Old != HGDI_ERROR) SelectObject(Dc, Old);
    }

private:
    HDC Dc;
    HGDIOBJ Old;
};

// A device context's state (clipping, selected objects, modes) for a scope: put back as it was at the end.
class SavedDc {
public:
    explicit SavedDc(HDC dc) : Dc(dc), Saved(SaveDC(dc)) {}
    SavedDc(const SavedDc&) = delete;
    SavedDc& operator=(const SavedDc&) = delete;
    ~SavedDc() {
        if (Saved) RestoreDC(Dc, Saved);
    }

private:
    HDC Dc;
    int Saved;
};

} // namespace ulv::win32ui
