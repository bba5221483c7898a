// A memory bitmap that the menu tests draw on and read back.
#pragma once

#include <windows.h>

namespace menutest {

class Canvas {
public:
    // A bitmap of the screen's format, filled with one colour.
    Canvas(int width, int height, COLORREF fill)
        : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
        HDC screen = GetDC(nullptr);
        owned_ = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        previous_ = SelectObject(dc_, owned_);
        Fill(fill);
    }
    // Someone else's bitmap, selected for as long as the canvas lives.
    explicit Canvas(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)) {
        BITMAP size = {};
        GetObjectA(bitmap, sizeof(size), &size);
        width_ = size.bmWidth;
        height_ = size.bmHeight;
        previous_ = SelectObject(dc_, bitmap);
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        if (owned_) DeleteObject(owned_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return dc_; }
    RECT Area() const { return {0, 0, width_, height_}; }
    COLORREF Pixel(int x, int y) const { return GetPixel(dc_, x, y); }
    void Fill(COLORREF colour) {
        HBRUSH brush = CreateSolidBrush(colour);
        const RECT area = Area();
        FillRect(dc_, &area, brush);
        DeleteObject(brush);
    }
    int CountOtherThan(COLORREF colour) const {
        int count = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) count += Pixel(x, y) != colour;
        return count;
    }

private:
    int width_ = 0, height_ = 0;
    HDC dc_;
    HBITMAP owned_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace menutest
