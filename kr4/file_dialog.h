// The common file dialogs as the tool's pages ask for a file: the structure size Windows 95 and
// NT 4.0 know, no change of the current folder.
#pragma once

#include <windows.h>

#include <string>

namespace kr4 {

struct FileQuestion {
    bool save = false;                  // Save As (asks before replacing) or Open (must exist)
    const char* filter = nullptr;       // "Name\0*.ext\0...\0"
    const char* extension = nullptr;    // added to a name typed without one
    const char* title = nullptr;        // null: the dialog's own
};

// path: where the dialog starts (may be empty); the file chosen. False when cancelled.
bool AskFileName(HWND owner, const FileQuestion& question, std::string& path);

}  // namespace kr4
