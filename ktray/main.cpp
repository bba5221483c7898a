// ktray.exe: the tray manager of the tuning kit.
#include <windows.h>

#include "ktray_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    return ktray::RunKtray(commandLine);
}
