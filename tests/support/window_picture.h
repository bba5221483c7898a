// Pixels of what is drawn, for the tests that check a window was painted: a window through its
// own device context, or an area of the screen (a window of another process, in front).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first

    uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
    size_t Count(COLORREF color) const;
    // Distinct colours within area (picture coordinates, clipped); the whole picture when
    // area is empty.
    size_t Colours(RECT area = {}) const;
    bool SavePng(const std::string& path) const;
};

Picture CaptureWindow(HWND window);      // the whole window, frame included
Picture CaptureScreen(const RECT& area);  // screen coordinates

}  // namespace testsupport
