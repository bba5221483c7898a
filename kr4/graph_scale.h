// Where a reading lands in the monitor graph: plain arithmetic, kept apart from the drawing so
// that the mapping can be checked without a window.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kr4 {

// The top of a value axis: the next multiple of step above the largest value (so a line never
// runs along the top edge), and never below minimum.
int32_t AxisTop(int32_t largest, int32_t step, int32_t minimum);

// The row of a value on an axis from 0 (at bottom) to top (at yTop); values outside the axis
// stay on its edges.
int ValueToY(int32_t value, int32_t top, int yTop, int yBottom);

// The column of the sample index of count kept (index count - 1, the newest, at right) when the
// plot holds capacity samples across left..right: a history not yet full fills from the right.
int SampleToX(size_t index, size_t count, size_t capacity, int left, int right);

}  // namespace kr4
