// Owners for the handles ktray opens: registry keys, menus, GDI objects and device contexts.
// Each closes what it holds exactly once and knows its own empty value; a scope object undoes a
// SelectObject.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace ktray {

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type handle) : handle_(handle) {}
    ~UniqueHandle() { Close(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Type Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Type(); }

    // For APIs that return the handle through a pointer; closes what was held.
    Type* Receive() {
        Close();
        return &handle_;
    }
    Type Release() {
        Type handle = handle_;
        handle_ = Type();
        return handle;
    }
    void Reset(Type handle = Type()) {
        Close();
        handle_ = handle;
    }
    void Close() {
        if (handle_ != Type()) Traits::Close(handle_);
        handle_ = Type();
    }

private:
    Type handle_ = Type();
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static void Close(Type h) { RegCloseKey(h); }
};
struct MenuTraits {
    using Type = HMENU;
    static void Close(Type h) { DestroyMenu(h); }
};
template <typename T>
struct GdiObjectTraits {
    using Type = T;
    static void Close(Type h) { DeleteObject(h); }
};
struct MemoryDcTraits {
    using Type = HDC;
    static void Close(Type h) { DeleteDC(h); }
};
struct ImageListTraits {
    using Type = HIMAGELIST;
    static void Close(Type h) { ImageList_Destroy(h); }
};

using RegistryKey = UniqueHandle<RegistryKeyTraits>;
using Menu = UniqueHandle<MenuTraits>;
using Bitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using Brush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using Pen = UniqueHandle<GdiObjectTraits<HPEN>>;
using Font = UniqueHandle<GdiObjectTraits<HFONT>>;
using MemoryDc = UniqueHandle<MemoryDcTraits>;
using ImageList = UniqueHandle<ImageListTraits>;

// A window's (or the screen's) device context, released on scope exit.
class WindowDc {
public:
    explicit WindowDc(HWND window = nullptr) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a device context and puts the previous one back on scope exit.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectScope() {
        if (previous_) SelectObject(dc_, previous_);
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace ktray
