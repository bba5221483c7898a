// The tuning tool's window title as ktray looks for it and as the tool itself carries it: one
// reading of HKLM's build date, one fallback, so that both programs always agree.
#pragma once

#include <cstddef>

namespace ktray {

// The title when the build date cannot be read or is not a date.
constexpr char kFallbackBuildTitle[] = "Kestrel4 Build03.080701";

// title: "Kestrel4 Build a.bb.cc" from HKLM Software\Corvane\Kestrel4 "KR4Version" (read as
// ktray reads every string), or kFallbackBuildTitle. Returns whether that key exists, which is
// how ktray tells that the tool is installed.
bool InstalledBuildTitle(char* title, size_t capacity);

}  // namespace ktray
