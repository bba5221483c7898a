// The about box: dialog 100 with the splash picture and an OK button, modal to the frame.
#pragma once

#include <windows.h>

namespace ktray {

void ShowAboutBox(HWND owner);

}  // namespace ktray
