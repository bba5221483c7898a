// The folder of the running test program, where the build puts every binary the tests use.
#pragma once

#include <string>

namespace testsupport {

// With its trailing backslash; "" when the module path cannot be read whole.
std::string ProgramDirectory();

}  // namespace testsupport
