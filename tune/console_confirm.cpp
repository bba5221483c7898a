// The console side of confirm or revert: is there a console, and did the user press Enter.
#include <cstdio>

#include <windows.h>

#include "confirm.h"
#include "text.h"

namespace tune {

bool HasConsoleInput() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    return input != nullptr && input != INVALID_HANDLE_VALUE && GetConsoleMode(input, &mode) != 0;
}

ConsoleConfirmIo::ConsoleConfirmIo() { FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE)); }

uint32_t ConsoleConfirmIo::NowMs() { return GetTickCount(); }

bool ConsoleConfirmIo::WaitForConfirmation(uint32_t ms) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= ms) return false;
        if (WaitForSingleObject(input, ms - spent) != WAIT_OBJECT_0) return false;
        INPUT_RECORD record{};
        DWORD read = 0;
        if (!ReadConsoleInputA(input, &record, 1, &read) || read == 0) return false;
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
            record.Event.KeyEvent.wVirtualKeyCode == VK_RETURN)
            return true;
    }
}

void ConsoleConfirmIo::ShowRemaining(uint32_t seconds) {
    std::fputs(Cat("\rPress Enter within ", seconds < 10 ? " " : "", DecDigits(seconds),
                   " s to keep the new settings; otherwise they are put back. ")
                   .c_str(),
               stdout);
    std::fflush(stdout);
}

uint32_t UnattendedConfirmIo::NowMs() { return GetTickCount(); }

bool UnattendedConfirmIo::WaitForConfirmation(uint32_t ms) {
    Sleep(ms);
    return false;
}

}  // namespace tune
