#include "wow64_redirection.h"

namespace kclk {

namespace {

using DisableFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);

struct RedirectionFunctions {
    DisableFn disable;
    RevertFn revert;
};

// Kernel32 is loaded in every process, so it is only looked up, never loaded or freed.
RedirectionFunctions Lookup() {
    RedirectionFunctions functions{};
    if (HMODULE kernel = GetModuleHandleA("Kernel32")) {
        // Through void* so the casts from FARPROC say what they mean.
        functions.disable = reinterpret_cast<DisableFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
        functions.revert = reinterpret_cast<RevertFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
    }
    if (!functions.disable || !functions.revert) functions = RedirectionFunctions{};
    return functions;
}

}  // namespace

bool Wow64RedirectionControllable() { return Lookup().disable != nullptr; }

Wow64RedirectionOff::Wow64RedirectionOff() {
    const RedirectionFunctions functions = Lookup();
    if (functions.disable && functions.disable(&oldValue_)) revert_ = functions.revert;
}

Wow64RedirectionOff::~Wow64RedirectionOff() {
    if (revert_) revert_(oldValue_);
}

}  // namespace kclk
