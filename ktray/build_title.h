// The exact window title of the running tuning tool, formed from its build date. Plain code: the
// tuning tool's stand-in forms its title with it too, and it is checked on the build host.
#pragma once

#include <cstddef>

namespace ktray {

// The build date "a/b/c" read as a "%d/%d/%d" scan reads it (blanks before each number, an
// optional sign, anything after the third number), each number within 0..99999, gives
// "Kestrel4 Build a.bb.cc". False, and title left as it was, when three such numbers are not
// there or the result would not fit capacity bytes.
bool FormatBuildTitle(const char* version, char* title, size_t capacity);

}  // namespace ktray
