// The picture shown for a moment while ktray starts: a popup exactly the size of its bitmap,
// centred on the screen, gone after its timer or at the user's first key or click.
#pragma once

#include "window_layer.h"

namespace ktray {

class CStartupSplash : public CWnd {
public:
    // Whether a splash may be shown at all (the application's command line decides).
    static void EnableSplashScreen(bool enable);
    // Shows the splash, owned by owner, unless it is disabled or one exists already.
    static void ShowSplashScreen(CWnd* owner);
    // The application's message pre-processing: a key or click while the splash is up closes
    // it and is consumed (true).
    static bool PreTranslateAppMessage(const MSG& message);
    static HWND CurrentSplash();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

private:
    CStartupSplash() = default;
    bool Create(CWnd* owner);
    void HideSplashScreen();
    void Paint();

    Bitmap m_bitmap;
    SIZE m_size = {};
    HWND m_owner = nullptr;
    bool m_ownsItself = false;  // from the moment its window exists
};

}  // namespace ktray
