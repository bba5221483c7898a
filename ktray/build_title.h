// The exact window title of the running tuning tool, formed from its build date.
#pragma once

#include <cstddef>

namespace ktray {

// "a/b/c" (three decimal numbers separated by slashes, each within 0..99999) gives
// "Kestrel4 Build a.bb.cc". False, and title left as it was, when the text is anything else or
// the result would not fit capacity bytes.
bool FormatBuildTitle(const char* version, char* title, size_t capacity);

}  // namespace ktray
