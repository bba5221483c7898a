// Owners for the handles the kit's window programs open: registry keys, menus, GDI objects and
// device contexts. Each closes what it holds exactly once and knows its own empty value; a scope
// object undoes a SelectObject.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "win_handles.h"

namespace winlayer {

// The kit's one owner template (shared with the tuning library); these handles are all empty
// when null.
template <typename Type_>
struct NullEmptyTraits {
    using Type = Type_;
    static Type Empty() { return Type(); }
    static bool Valid(Type h) { return h != Type(); }
};
template <typename Traits>
using UniqueHandle = kclk::UniqueHandle<Traits>;

struct RegistryKeyTraits : NullEmptyTraits<HKEY> {
    static void Close(Type h) { RegCloseKey(h); }
};
struct MenuTraits : NullEmptyTraits<HMENU> {
    static void Close(Type h) { DestroyMenu(h); }
};
template <typename T>
struct GdiObjectTraits : NullEmptyTraits<T> {
    static void Close(T h) { DeleteObject(h); }
};
struct MemoryDcTraits : NullEmptyTraits<HDC> {
    static void Close(Type h) { DeleteDC(h); }
};
struct ImageListTraits : NullEmptyTraits<HIMAGELIST> {
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

}  // namespace winlayer
