#include "reading_graph.h"

#include <string>

#include "graph_scale.h"
#include "text.h"

namespace kr4 {

namespace {

constexpr char kClassName[] = "Kestrel4ReadingGraph";

// Dark enough to read as text on a dialog's grey, apart enough to tell the lines apart.
constexpr COLORREF kTemperatureColors[kTemperatureCount] = {RGB(0, 128, 0), RGB(204, 0, 0),
                                                            RGB(204, 102, 0)};
constexpr COLORREF kFanColors[kFanCount] = {RGB(0, 0, 204), RGB(0, 128, 160), RGB(128, 0, 160),
                                            RGB(153, 102, 51), RGB(80, 80, 80)};
constexpr COLORREF kGridColor = RGB(220, 220, 220);

// Axis steps: a line is never drawn along the top edge, and a cool board still fills a half.
constexpr int32_t kDegreeStep = 10, kDegreeMinimum = 50;
constexpr int32_t kRpmStep = 1000, kRpmMinimum = 1000;
// A vertical grid line every two minutes.
constexpr size_t kSamplesPerGridLine = 2 * 60 * 1000 / kSamplePeriodMs;

using Reading = int32_t (*)(const SensorSample&, int);

int32_t Temperature(const SensorSample& sample, int index) { return sample.temperature[index]; }
int32_t Fan(const SensorSample& sample, int index) { return sample.fan[index]; }

struct Plot {
    int left, top, right, bottom;
    int32_t axisTop;
};

int32_t Largest(const ReadingHistory& history, Reading reading, int count) {
    int32_t largest = kNoReading;
    for (size_t i = 0; i < history.Size(); ++i)
        for (int s = 0; s < count; ++s) {
            const int32_t value = reading(history.At(i), s);
            if (value != kNoReading && value > largest) largest = value;
        }
    return largest;
}

void DrawGrid(HDC dc, const Plot& plot) {
    const winlayer::Pen pen(CreatePen(PS_SOLID, 1, kGridColor));
    const winlayer::SelectScope selected(dc, pen.Get());
    for (int quarter = 1; quarter < 4; ++quarter) {
        const int y = plot.top + (plot.bottom - plot.top) * quarter / 4;
        MoveToEx(dc, plot.left, y, nullptr);
        LineTo(dc, plot.right, y);
    }
    for (size_t age = kSamplesPerGridLine; age < kHistorySamples; age += kSamplesPerGridLine) {
        const int x = SampleToX(kHistorySamples - 1 - age, kHistorySamples, kHistorySamples,
                                plot.left, plot.right);
        MoveToEx(dc, x, plot.top, nullptr);
        LineTo(dc, x, plot.bottom);
    }
}

// One sensor's line; a sample without a reading breaks it.
void DrawSeries(HDC dc, const Plot& plot, const ReadingHistory& history, Reading reading,
                int sensor, COLORREF color) {
    const winlayer::Pen pen(CreatePen(PS_SOLID, 2, color));
    const winlayer::SelectScope selected(dc, pen.Get());
    bool drawing = false;
    for (size_t i = 0; i < history.Size(); ++i) {
        const int32_t value = reading(history.At(i), sensor);
        if (value == kNoReading) {
            drawing = false;
            continue;
        }
        const int x = SampleToX(i, history.Size(), kHistorySamples, plot.left, plot.right);
        const int y = ValueToY(value, plot.axisTop, plot.top, plot.bottom);
        if (!drawing) MoveToEx(dc, x - 1, y, nullptr);  // a lone sample still shows as a dot
        LineTo(dc, x, y);
        drawing = true;
    }
}

void DrawPanel(HDC dc, const Plot& plot, const ReadingHistory& history, Reading reading,
               const COLORREF* colors, int count, const char* unit) {
    DrawGrid(dc, plot);
    const std::string label = tune::Dec(static_cast<uint32_t>(plot.axisTop)) + unit;
    TextOutA(dc, plot.left + 2, plot.top, label.c_str(), static_cast<int>(label.size()));
    for (int s = 0; s < count; ++s) DrawSeries(dc, plot, history, reading, s, colors[s]);
}

// BeginPaint and EndPaint as a pair.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Dc() const { return dc_; }
    const RECT& Part() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

}  // namespace

COLORREF TemperatureLineColor(int index) {
    return index >= 0 && index < kTemperatureCount ? kTemperatureColors[index] : kGridColor;
}

COLORREF FanLineColor(int index) {
    return index >= 0 && index < kFanCount ? kFanColors[index] : kGridColor;
}

bool ReadingGraph::Create(HWND parent, const RECT& area, int id) {
    if (!RegisterClassOnce(kClassName, 0, LoadCursor(nullptr, IDC_ARROW))) return false;
    font_ = reinterpret_cast<HFONT>(SendMessageA(parent, WM_GETFONT, 0, 0));
    return CreateEx(WS_EX_CLIENTEDGE, kClassName, "", WS_CHILD | WS_VISIBLE, area.left, area.top,
                    area.right - area.left, area.bottom - area.top, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void ReadingGraph::Redraw() {
    if (!m_hWnd || !buffer_) return;
    const winlayer::MemoryDc dc(CreateCompatibleDC(nullptr));
    const winlayer::SelectScope selected(dc.Get(), buffer_.Get());
    Render(dc.Get());
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

void ReadingGraph::Resize(int width, int height) {
    width_ = width;
    height_ = height;
    buffer_.Reset();
    if (width <= 0 || height <= 0) return;
    const winlayer::WindowDc screen(m_hWnd);
    buffer_.Reset(CreateCompatibleBitmap(screen.Get(), width, height));
    Redraw();
}

void ReadingGraph::Render(HDC dc) const {
    const RECT all = {0, 0, width_, height_};
    FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
    const winlayer::SelectScope font(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));

    // Temperatures above, fan speeds below, a line between them.
    const int middle = height_ / 2;
    const Plot upper = {2, 2, width_ - 3, middle - 3,
                        AxisTop(Largest(history_, Temperature, kTemperatureCount), kDegreeStep,
                                kDegreeMinimum)};
    const Plot lower = {2, middle + 3, width_ - 3, height_ - 3,
                        AxisTop(Largest(history_, Fan, kFanCount), kRpmStep, kRpmMinimum)};
    DrawPanel(dc, upper, history_, Temperature, kTemperatureColors, kTemperatureCount, " \260C");
    DrawPanel(dc, lower, history_, Fan, kFanColors, kFanCount, " rpm");
    const winlayer::Pen divider(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_GRAYTEXT)));
    const winlayer::SelectScope selected(dc, divider.Get());
    MoveToEx(dc, 0, middle, nullptr);
    LineTo(dc, width_, middle);
}

void ReadingGraph::CopyTo(HDC target, const RECT& part) const {
    if (!buffer_) return;
    const winlayer::MemoryDc dc(CreateCompatibleDC(target));
    const winlayer::SelectScope selected(dc.Get(), buffer_.Get());
    BitBlt(target, part.left, part.top, part.right - part.left, part.bottom - part.top, dc.Get(),
           part.left, part.top, SRCCOPY);
}

LRESULT ReadingGraph::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        Resize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the back buffer covers every pixel
    case WM_PAINT: {
        const PaintScope paint(m_hWnd);
        CopyTo(paint.Dc(), paint.Part());
        return 0;
    }
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wParam);
        Redraw();
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    default:
        return Default(message, wParam, lParam);
    }
}

}  // namespace kr4
