// WOW64 file-system redirection, turned off for a scope: how a 32-bit process on 64-bit Windows
// reaches the native system directory, from which the 64-bit kernel loads its drivers.
#pragma once

#include <windows.h>

namespace kclk {

// Whether this Windows has the two functions (looked up at run time: Windows 95, NT 4 and
// 2000 lack them).
bool Wow64RedirectionControllable();

// Turns redirection off for the calling thread, where it can, and on again when it goes out of
// scope, whichever way the scope is left.
class Wow64RedirectionOff {
public:
    Wow64RedirectionOff();
    ~Wow64RedirectionOff();
    Wow64RedirectionOff(const Wow64RedirectionOff&) = delete;
    Wow64RedirectionOff& operator=(const Wow64RedirectionOff&) = delete;

    bool Off() const { return revert_ != nullptr; }

private:
    using RevertFn = BOOL(WINAPI*)(PVOID);
    RevertFn revert_ = nullptr;  // set only while redirection is off
    PVOID oldValue_ = nullptr;
};

}  // namespace kclk
