#include "command_line.h"

namespace kclkinfo {

const char kUsage[] =
    "Usage: kclkinfo [--json] [--help]\n"
    "\n"
    "Reports everything the board's firmware reports through kclk.dll: overclock support and\n"
    "the capability flags, the current and preset clocks, every clock table, the limits, the\n"
    "three voltages, the CPU ratio, the smart fan check and the CPU and memory accelerators.\n"
    "It only reads; no option changes a setting (so on Windows 9x, where the library's fan\n"
    "check adjusts the fan's control flags, the fan is not checked). Firmware words are\n"
    "printed raw, in hex and decimal. Tables are read entry by entry until the firmware\n"
    "answers a nonzero status (at most 64 entries); the preset VCO reader is asked for\n"
    "selectors 0, 1, ... the same way (at most 8).\n"
    "\n"
    "  --json   print the report as JSON\n"
    "  --help   print this text\n"
    "\n"
    "Exit status: 0 report printed; 2 the tuning interface is not available; 1 bad usage;\n"
    "3 the report could not be built.\n";

Options ParseCommandLine(int argc, const char* const* argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        if (arg == "--json") {
            options.json = true;
        } else if (arg == "--help" || arg == "-h" || arg == "/?") {
            options.help = true;
        } else {
            options.error = "kclkinfo: unknown argument '" + arg + "' (try --help)";
            return options;
        }
    }
    return options;
}

}  // namespace kclkinfo
