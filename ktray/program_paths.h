// Paths below ktray's own program directory. Everything lives in fixed buffers of the frame; a
// path that would not fit is refused whole, never cut, so no launch ever names the wrong file.
#pragma once

#include <cstddef>

namespace ktray {

constexpr size_t kPathChars = 256;  // the frame's tool path and program directory

// The module path cut after its last backslash (which stays). A path without a backslash gives
// "". False, and directory "", when the result would not fit capacity bytes.
bool DirectoryOfPath(const char* modulePath, char* directory, size_t capacity);

// directory + tail. False, and out "", when the result would not fit capacity bytes.
bool JoinPath(const char* directory, const char* tail, char* out, size_t capacity);

}  // namespace ktray
