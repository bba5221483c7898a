// A program started as a child with its standard output and error captured, ended when it has
// not finished by the deadline (a message box waiting for a click would keep it running).
#pragma once

#include <windows.h>

#include <string>

#include "program_directory.h"

namespace testsupport {

struct ChildRun {
    bool finished = false;  // exited by itself before the deadline
    DWORD exitCode = 0;
    std::string out, err;
};

// Runs "<program>" <arguments> in directory.
ChildRun RunChild(const std::string& program, const std::string& arguments,
                  const std::string& directory, DWORD timeoutMs = 120000);

}  // namespace testsupport
