// KR4.EXE, the kit's tuning tool.
#include <windows.h>
#include <commctrl.h>

#include "installed_title.h"
#include "tool_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    InitCommonControls();
    char title[64];
    ktray::InstalledBuildTitle(title, sizeof title);
    kr4::ToolApp app(title);
    return app.Run(showCommand == SW_HIDE);
}
