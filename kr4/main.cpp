// KR4.EXE, the kit's tuning tool.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "installed_title.h"
#include "kit_library.h"
#include "tool_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    InitCommonControls();
    char title[64];
    ktray::InstalledBuildTitle(title, sizeof title);
    const bool hidden = showCommand == SW_HIDE;
    char library[MAX_PATH];
    if (!kr4::LoadKitLibrary(library, sizeof library)) {
        if (!hidden)
            MessageBoxA(nullptr,
                        ("The tuning library kclk.dll was not found (looked for " +
                         std::string(library) + "). Install the kit again.")
                            .c_str(),
                        title, MB_OK | MB_ICONSTOP);
        return 3;
    }
    kr4::ToolApp app(title);
    return app.Run(hidden);
}
