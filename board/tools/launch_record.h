// How a stand-in program was started, as the launching program chose it.
#pragma once

#include <windows.h>

namespace tools {

// Appends one record (module, command line, arguments, current directory, show command) to the
// bench's launch records. False when the registry refused it.
bool RecordThisLaunch();

// The show command the starter passed (STARTF_USESHOWWINDOW), or -1 when it passed none.
int GivenShowCommand();

// The command line after the program's name and the blanks that follow it.
const char* ArgumentsOf(const char* commandLine);

}  // namespace tools
