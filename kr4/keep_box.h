// "Keep these settings?": the box that counts down after an apply. The change stays only when
// the user chooses Keep before the time is up; Revert, closing the box or the end of the
// countdown put the board back. It is the core's confirmation (tune::AwaitConfirmation) shown as
// a window: the owner is disabled while it is up, as under a modal box.
#pragma once

#include <windows.h>

#include "confirm.h"

namespace kr4 {

constexpr char kKeepBoxTitle[] = "Keep these settings?";

class KeepBoxIo : public tune::ConfirmIo {
public:
    explicit KeepBoxIo(HWND owner);
    ~KeepBoxIo() override;
    KeepBoxIo(const KeepBoxIo&) = delete;
    KeepBoxIo& operator=(const KeepBoxIo&) = delete;

    uint32_t NowMs() override;
    bool WaitForConfirmation(uint32_t ms) override;
    void ShowRemaining(uint32_t seconds) override;

private:
    static INT_PTR CALLBACK BoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam);

    HWND owner_;
    bool ownerWasEnabled_ = false;
    HWND box_ = nullptr;
    int answer_ = 0;  // IDOK kept, IDCANCEL reverted, 0 none yet
};

}  // namespace kr4
