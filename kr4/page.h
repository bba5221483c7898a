// A page of the tuning tool's main window: a child dialog made from its own template, shown in
// the tab control's area. The dialog manager gives every control of a page the keyboard (Tab,
// the arrow keys and the underlined letters), since the main window's loop hands each message to
// IsDialogMessage and pages are control parents.
#pragma once

#include <windows.h>

#include <string>

namespace kr4 {

class Page {
public:
    Page() = default;
    virtual ~Page();
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    virtual const char* Title() const = 0;  // the tab's text
    virtual int TemplateId() const = 0;

    // Makes the page's dialog as a hidden child of parent.
    bool Create(HWND parent);
    HWND Handle() const { return dialog_; }

    // Its tab was chosen: refresh what may have changed while it was hidden.
    virtual void Shown() {}

protected:
    // WM_INITDIALOG.
    virtual void Init() {}
    // WM_COMMAND from a control of the page.
    virtual void Command(int /*id*/, int /*code*/) {}
    // Any other message; true when handled (result in result).
    virtual bool Message(UINT, WPARAM, LPARAM, INT_PTR& /*result*/) {
        return false;
    }

    // The page's one message line: what went wrong (with the field focused and its text
    // selected when field is a control id), or what was done.
    void Say(int messageId, const std::string& text, int field = 0);
    // The top-level window the page lives in: the owner of its boxes. (GetAncestor is newer
    // than Windows 95 and NT 4.0.)
    HWND Owner() const;
    std::string ControlText(int id) const;
    void SetControlText(int id, const std::string& text);
    bool Checked(int id) const;
    void Check(int id, bool on);

    HWND dialog_ = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace kr4
