#include "keep_box.h"

#include <string>

#include "resource.h"
#include "text.h"

namespace kr4 {

KeepBoxIo::KeepBoxIo(HWND owner) : owner_(owner) {
    box_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_KEEP), owner,
                              BoxProc, reinterpret_cast<LPARAM>(this));
    if (owner_) ownerWasEnabled_ = !EnableWindow(owner_, FALSE);
    if (box_) {
        ShowWindow(box_, SW_SHOW);
        SetForegroundWindow(box_);
    }
}

KeepBoxIo::~KeepBoxIo() {
    // The owner first, so that activation goes back to it and not to another program.
    if (owner_ && ownerWasEnabled_) EnableWindow(owner_, TRUE);
    if (box_) {
        SetWindowLongPtrA(box_, DWLP_USER, 0);
        DestroyWindow(box_);
    }
}

uint32_t KeepBoxIo::NowMs() { return GetTickCount(); }

// Serves the box (and every other window of the thread, which stays painted) until the user
// answers or ms pass. A box that could not be made can never be answered: the change reverts.
bool KeepBoxIo::WaitForConfirmation(uint32_t ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (answer_ == 0 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {  // leave it for the loop that owns it; revert
                PostQuitMessage(static_cast<int>(message.wParam));
                answer_ = IDCANCEL;
                break;
            }
            if (box_ && IsDialogMessageA(box_, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (answer_ != 0) return answer_ == IDOK;
        const DWORD waited = GetTickCount() - start;
        if (waited >= ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - waited, QS_ALLINPUT);
    }
}

void KeepBoxIo::ShowRemaining(uint32_t seconds) {
    if (!box_) return;
    const std::string text = "The settings go back in " + tune::Dec(seconds) + " s.";
    SetDlgItemTextA(box_, IDC_KEEP_COUNT, text.c_str());
}

INT_PTR CALLBACK KeepBoxIo::BoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(box, DWLP_USER, lParam);
        SetWindowTextA(box, kKeepBoxTitle);
        // Enter presses the focused button, so the focus starts on Revert: only a deliberate
        // Keep keeps.
        SetFocus(GetDlgItem(box, IDCANCEL));
        return FALSE;
    }
    KeepBoxIo* io = reinterpret_cast<KeepBoxIo*>(GetWindowLongPtrA(box, DWLP_USER));
    if (!io) return FALSE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        io->answer_ = LOWORD(wParam);
        return TRUE;
    }
    if (message == WM_CLOSE) {
        io->answer_ = IDCANCEL;
        return TRUE;
    }
    return FALSE;
}

}  // namespace kr4
