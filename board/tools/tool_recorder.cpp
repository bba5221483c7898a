// One program under every name ktray starts: it records how it was started and ends, except as
// the tuning tool (KR4.EXE), which also shows its window under the build title for a while.
#include <windows.h>

#include <cstring>

#include "launch_record.h"
#include "tuning_tool_window.h"

namespace {

constexpr char kTuningToolName[] = "KR4.EXE";
constexpr unsigned kTuningToolLifetimeMs = 10 * 60 * 1000;

bool StartedAsTuningTool() {
    char module[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    module[length < MAX_PATH ? length : MAX_PATH] = '\0';
    const char* name = std::strrchr(module, '\\');
    return lstrcmpiA(name ? name + 1 : module, kTuningToolName) == 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    tools::RecordThisLaunch();
    if (!StartedAsTuningTool()) return 0;

    char title[128];
    tools::InstalledBuildTitle(title, sizeof title);
    const int given = tools::GivenShowCommand();
    return tools::RunTuningToolWindow(title, given >= 0 ? given : SW_SHOWDEFAULT,
                                      kTuningToolLifetimeMs);
}
