// Import-table routing of the handle creators and destroyers the menu code uses.
#include "gdi_object_counter.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <mutex>
#include <set>

namespace testsupport {
namespace {

std::mutex g_mutex;
std::set<const void*> g_live;

template <typename H>
H Created(H handle) {
    if (handle) {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_live.insert(reinterpret_cast<const void*>(handle));
    }
    return handle;
}
void Freed(const void* handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_live.erase(handle);
}

// The real functions, filled when the imports are routed.
struct Originals {
    decltype(&CreateSolidBrush) createSolidBrush;
    decltype(&CreateBitmap) createBitmap;
    decltype(&CreateCompatibleBitmap) createCompatibleBitmap;
    decltype(&CreateDIBitmap) createDIBitmap;
    decltype(&CreateFontIndirectA) createFontIndirectA;
    decltype(&CreateCompatibleDC) createCompatibleDC;
    decltype(&DeleteObject) deleteObject;
    decltype(&DeleteDC) deleteDC;
    decltype(&LoadBitmapA) loadBitmapA;
    decltype(&GetDC) getDC;
    decltype(&ReleaseDC) releaseDC;
    decltype(&DestroyIcon) destroyIcon;
    decltype(&ImageList_Create) imageListCreate;
    decltype(&ImageList_Destroy) imageListDestroy;
    decltype(&ImageList_GetIcon) imageListGetIcon;
} g;

HBRUSH WINAPI CountCreateSolidBrush(COLORREF c) { return Created(g.createSolidBrush(c)); }
HBITMAP WINAPI CountCreateBitmap(int w, int h, UINT p, UINT b, const void* bits) {
    return Created(g.createBitmap(w, h, p, b, bits));
}
HBITMAP WINAPI CountCreateCompatibleBitmap(HDC dc, int w, int h) {
    return Created(g.createCompatibleBitmap(dc, w, h));
}
HBITMAP WINAPI CountCreateDIBitmap(HDC dc, const BITMAPINFOHEADER* h, DWORD init, const void* bits,
                                   const BITMAPINFO* info, UINT usage) {
    return Created(g.createDIBitmap(dc, h, init, bits, info, usage));
}
HFONT WINAPI CountCreateFontIndirectA(const LOGFONTA* f) { return Created(g.createFontIndirectA(f)); }
HDC WINAPI CountCreateCompatibleDC(HDC dc) { return Created(g.createCompatibleDC(dc)); }
BOOL WINAPI CountDeleteObject(HGDIOBJ o) {
    Freed(o);
    return g.deleteObject(o);
}
BOOL WINAPI CountDeleteDC(HDC dc) {
    Freed(dc);
    return g.deleteDC(dc);
}
HBITMAP WINAPI CountLoadBitmapA(HINSTANCE i, LPCSTR n) { return Created(g.loadBitmapA(i, n)); }
HDC WINAPI CountGetDC(HWND w) { return Created(g.getDC(w)); }
int WINAPI CountReleaseDC(HWND w, HDC dc) {
    Freed(dc);
    return g.releaseDC(w, dc);
}
BOOL WINAPI CountDestroyIcon(HICON i) {
    Freed(i);
    return g.destroyIcon(i);
}
HIMAGELIST WINAPI CountImageListCreate(int cx, int cy, UINT flags, int initial, int grow) {
    return Created(g.imageListCreate(cx, cy, flags, initial, grow));
}
BOOL WINAPI CountImageListDestroy(HIMAGELIST l) {
    Freed(l);
    return g.imageListDestroy(l);
}
HICON WINAPI CountImageListGetIcon(HIMAGELIST l, int i, UINT flags) {
    return Created(g.imageListGetIcon(l, i, flags));
}

struct Route {
    const char* name;
    void* replacement;
    void** original;
};

#define KIT_ROUTE2(name, fn, field) {name, reinterpret_cast<void*>(&fn), reinterpret_cast<void**>(&g.field)}
const Route kRoutes[] = {
    KIT_ROUTE2("CreateSolidBrush", CountCreateSolidBrush, createSolidBrush),
    KIT_ROUTE2("CreateBitmap", CountCreateBitmap, createBitmap),
    KIT_ROUTE2("CreateCompatibleBitmap", CountCreateCompatibleBitmap, createCompatibleBitmap),
    KIT_ROUTE2("CreateDIBitmap", CountCreateDIBitmap, createDIBitmap),
    KIT_ROUTE2("CreateFontIndirectA", CountCreateFontIndirectA, createFontIndirectA),
    KIT_ROUTE2("CreateCompatibleDC", CountCreateCompatibleDC, createCompatibleDC),
    KIT_ROUTE2("DeleteObject", CountDeleteObject, deleteObject),
    KIT_ROUTE2("DeleteDC", CountDeleteDC, deleteDC),
    KIT_ROUTE2("LoadBitmapA", CountLoadBitmapA, loadBitmapA),
    KIT_ROUTE2("GetDC", CountGetDC, getDC),
    KIT_ROUTE2("ReleaseDC", CountReleaseDC, releaseDC),
    KIT_ROUTE2("DestroyIcon", CountDestroyIcon, destroyIcon),
    KIT_ROUTE2("ImageList_Create", CountImageListCreate, imageListCreate),
    KIT_ROUTE2("ImageList_Destroy", CountImageListDestroy, imageListDestroy),
    KIT_ROUTE2("ImageList_GetIcon", CountImageListGetIcon, imageListGetIcon),
};
#undef KIT_ROUTE2

void RouteImports() {
    auto base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         desc->Name; ++desc) {
        if (!desc->OriginalFirstThunk) continue;
        auto names = reinterpret_cast<IMAGE_THUNK_DATA32*>(base + desc->OriginalFirstThunk);
        auto slots = reinterpret_cast<IMAGE_THUNK_DATA32*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL32(names->u1.Ordinal)) continue;
            auto byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            for (const Route& route : kRoutes) {
                if (strcmp(reinterpret_cast<const char*>(byName->Name), route.name) != 0) continue;
                DWORD protect;
                VirtualProtect(&slots->u1.Function, sizeof(DWORD), PAGE_READWRITE, &protect);
                *route.original = reinterpret_cast<void*>(slots->u1.Function);
                slots->u1.Function = reinterpret_cast<DWORD>(route.replacement);
                VirtualProtect(&slots->u1.Function, sizeof(DWORD), protect, &protect);
            }
        }
    }
}

}  // namespace

void InstallGdiObjectCounter() {
    static std::once_flag once;
    std::call_once(once, RouteImports);
}

size_t LiveGdiObjects() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_live.size();
}

}  // namespace testsupport
