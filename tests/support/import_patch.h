// Replaces one imported function of a loaded module for as long as the patch lives, by
// rewriting the module's import address table: how a test puts a system call's answer of
// another Windows in front of code it links.
#pragma once

#include <windows.h>

namespace testsupport {

class ImportPatch {
public:
    // dll as the import table names it (case ignored); module null: the program itself.
    ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool Active() const { return slot_ != nullptr; }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

}  // namespace testsupport
