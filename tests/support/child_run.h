// A program started as a child with its standard output and error captured, ended when it has
// not finished by the deadline (a message box waiting for a click would keep it running).
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

struct ChildRun {
    bool finished = false;  // exited by itself before the deadline
    DWORD exitCode = 0;
    std::string out, err;
};

// Runs "<program>" <arguments> in directory.
ChildRun RunChild(const std::string& program, const std::string& arguments,
                  const std::string& directory, DWORD timeoutMs = 120000);

// The directory of the running test program, with its trailing backslash.
std::string ProgramDirectory();

}  // namespace testsupport
