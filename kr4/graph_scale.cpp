#include "graph_scale.h"

namespace kr4 {

int32_t AxisTop(int32_t largest, int32_t step, int32_t minimum) {
    if (step <= 0) return minimum;
    const int32_t top = largest < 0 ? step : (largest / step + 1) * step;
    return top < minimum ? minimum : top;
}

int ValueToY(int32_t value, int32_t top, int yTop, int yBottom) {
    if (top <= 0 || value <= 0) return yBottom;
    if (value >= top) return yTop;
    const int64_t span = static_cast<int64_t>(yBottom) - yTop;
    return yBottom - static_cast<int>(span * value / top);
}

int SampleToX(size_t index, size_t count, size_t capacity, int left, int right) {
    if (capacity < 2 || index >= count) return right;
    const size_t age = count - 1 - index;  // samples newer than this one
    if (age >= capacity - 1) return left;
    const int64_t span = static_cast<int64_t>(right) - left;
    return right - static_cast<int>(span * static_cast<int64_t>(age) /
                                    static_cast<int64_t>(capacity - 1));
}

}  // namespace kr4
