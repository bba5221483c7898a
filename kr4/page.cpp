#include "page.h"

#include <vector>

namespace kr4 {

Page::~Page() {
    if (dialog_) {
        SetWindowLongPtrA(dialog_, DWLP_USER, 0);  // no message reaches a destroyed object
        DestroyWindow(dialog_);
    }
}

bool Page::Create(HWND parent) {
    dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(TemplateId()), parent,
                                 DialogProc, reinterpret_cast<LPARAM>(this));
    return dialog_ != nullptr;
}

INT_PTR CALLBACK Page::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        Page* page = reinterpret_cast<Page*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        page->dialog_ = dialog;
        page->Init();
        return TRUE;
    }
    Page* page = reinterpret_cast<Page*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!page) return FALSE;
    if (message == WM_COMMAND && lParam) {
        page->Command(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
    INT_PTR result = 0;
    if (!page->Message(message, wParam, lParam, result)) return FALSE;
    switch (message) {
    // These few answer with the procedure's own return value (a brush, an index).
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_COMPAREITEM:
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON:
        return result;
    default:
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

void Page::Say(int messageId, const std::string& text, int field) {
    SetDlgItemTextA(dialog_, messageId, text.c_str());
    if (!field) return;
    const HWND control = GetDlgItem(dialog_, field);
    if (!control) return;
    SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    SendMessageA(control, EM_SETSEL, 0, -1);
}

std::string Page::ControlText(int id) const {
    const HWND control = GetDlgItem(dialog_, id);
    const int length = control ? GetWindowTextLengthA(control) : 0;
    if (length <= 0) return std::string();
    std::vector<char> text(static_cast<size_t>(length) + 1);
    const int got = GetWindowTextA(control, text.data(), length + 1);
    return std::string(text.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void Page::SetControlText(int id, const std::string& text) {
    SetDlgItemTextA(dialog_, id, text.c_str());
}

bool Page::Checked(int id) const { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }

void Page::Check(int id, bool on) { CheckDlgButton(dialog_, id, on ? BST_CHECKED : BST_UNCHECKED); }

HWND Page::Owner() const {
    HWND window = dialog_;
    while (window && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) {
        const HWND parent = GetParent(window);
        if (!parent) break;
        window = parent;
    }
    return window;
}

}  // namespace kr4
