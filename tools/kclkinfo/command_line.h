// What the user asked for on the command line. There is no option that changes a setting.
#pragma once

#include <string>

namespace kclkinfo {

struct Options {
    bool json = false;
    bool help = false;
    std::string error;  // not empty: bad usage, one line to show
};

Options ParseCommandLine(int argc, const char* const* argv);

extern const char kUsage[];

}  // namespace kclkinfo
