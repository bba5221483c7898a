#include "window_picture.h"

#include <algorithm>
#include <set>

#include "png_file.h"

namespace testsupport {

namespace {

Picture Copy(HDC source, int x, int y, int width, int height) {
    Picture picture;
    if (width <= 0 || height <= 0) return picture;
    picture.width = width;
    picture.height = height;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP section = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    picture.pixels.assign(p, p + size_t(width) * height);
    for (uint32_t& pixel : picture.pixels) pixel &= 0xFFFFFF;
    SelectObject(memory, old);
    DeleteObject(section);
    DeleteDC(memory);
    return picture;
}

}  // namespace

size_t Picture::Count(COLORREF color) const {
    const uint32_t rgb = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    return static_cast<size_t>(std::count(pixels.begin(), pixels.end(), rgb));
}

size_t Picture::Colours(RECT area) const {
    if (area.right <= area.left || area.bottom <= area.top) area = {0, 0, width, height};
    std::set<uint32_t> colours;
    for (long y = std::max(0L, area.top); y < std::min<long>(height, area.bottom); ++y)
        for (long x = std::max(0L, area.left); x < std::min<long>(width, area.right); ++x)
            colours.insert(At(x, y));
    return colours.size();
}

bool Picture::SavePng(const std::string& path) const {
    return WritePng(path, width, height, pixels);
}

Picture CaptureWindow(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    HDC source = GetWindowDC(window);
    Picture picture = Copy(source, 0, 0, r.right - r.left, r.bottom - r.top);
    ReleaseDC(window, source);
    return picture;
}

Picture CaptureScreen(const RECT& area) {
    HDC screen = GetDC(nullptr);
    Picture picture =
        Copy(screen, area.left, area.top, area.right - area.left, area.bottom - area.top);
    ReleaseDC(nullptr, screen);
    return picture;
}

}  // namespace testsupport
