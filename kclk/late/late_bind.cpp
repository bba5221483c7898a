// The resolver behind the late import slots (late_imports.cmake): the export's address from the
// kclk.dll already loaded, else from the one the search path finds. A library that lacks an
// export the program calls is a wrong or damaged installation: the program says which and ends,
// since no answer can be made up for a call it cannot make.
#include <windows.h>

#include <cstdio>

extern "C" void* __stdcall KclkLateBind(const char* name, void** slot) {
    HMODULE library = GetModuleHandleA("kclk.dll");
    if (!library) library = LoadLibraryA("kclk.dll");
    FARPROC address = library ? GetProcAddress(library, name) : nullptr;
    if (!address) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "kclk.dll %s %s. Install the kit again.",
                      library ? "does not export" : "was not found; cannot call", name);
        MessageBoxA(nullptr, text, "kclk.dll", MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
        ExitProcess(3);
    }
    *slot = reinterpret_cast<void*>(address);
    return *slot;
}
