// kclkinfo: a command-line report of everything the board's firmware reports, through kclk.dll
// as any client uses it.
#include <cstdio>
#include <string>

#include "collect_report.h"
#include "command_line.h"
#include "json_format.h"
#include "text_format.h"

namespace {

constexpr int kExitReported = 0;
constexpr int kExitBadUsage = 1;
constexpr int kExitUnavailable = 2;
constexpr int kExitFailed = 3;

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

int Run(int argc, char** argv) {
    const kclkinfo::Options options = kclkinfo::ParseCommandLine(argc, argv);
    if (!options.error.empty()) {
        std::fprintf(stderr, "%s\n", options.error.c_str());
        return kExitBadUsage;
    }
    if (options.help) {
        Print(kclkinfo::kUsage);
        return kExitReported;
    }
    const kclkinfo::Report report = kclkinfo::CollectReport();
    Print(options.json ? kclkinfo::FormatJson(report) : kclkinfo::FormatText(report));
    return report.available ? kExitReported : kExitUnavailable;
}

}  // namespace

// Built without exceptions: a report that cannot be allocated ends the program (abort).
int main(int argc, char** argv) {
    const int status = Run(argc, argv);
    return std::fflush(stdout) == 0 ? status : kExitFailed;
}
