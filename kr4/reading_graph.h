// The monitor page's graph: the temperatures (upper half) and fan speeds (lower half) of the
// history, newest at the right, each sensor in a colour of its own. A window class of its own,
// drawn into a back buffer that is rebuilt when the window's size changes, so that painting only
// copies and never flickers.
#pragma once

#include <windows.h>

#include "handles.h"
#include "reading_history.h"
#include "window.h"

namespace kr4 {

// The colour of each sensor's line (index from 0); the page writes each reading in it, so that
// the readings serve as the graph's legend.
COLORREF TemperatureLineColor(int index);
COLORREF FanLineColor(int index);

class ReadingGraph : public winlayer::CWnd {
public:
    explicit ReadingGraph(const ReadingHistory& history) : history_(history) {}

    // A child of parent over area (parent's client coordinates), with the given control id and
    // the parent's font.
    bool Create(HWND parent, const RECT& area, int id);
    // The history changed: draw it again.
    void Redraw();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Resize(int width, int height);
    void Render(HDC dc) const;
    void CopyTo(HDC target, const RECT& part) const;

    const ReadingHistory& history_;
    winlayer::Bitmap buffer_;
    int width_ = 0;
    int height_ = 0;
    HFONT font_ = nullptr;  // the dialog's; not ours to delete
};

}  // namespace kr4
