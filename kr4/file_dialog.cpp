#include "file_dialog.h"

#include <cderr.h>
#include <commdlg.h>

namespace kr4 {

bool AskFileName(HWND owner, const FileQuestion& question, std::string& path) {
    char file[MAX_PATH];
    lstrcpynA(file, path.c_str(), sizeof file);
    OPENFILENAMEA dialog{};
    // The size Windows 95 and NT 4.0 know (without the Windows 2000 additions).
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = question.filter;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrDefExt = question.extension;
    dialog.lpstrTitle = question.title;
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                   (question.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
    auto ask = [&] { return question.save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog); };
    if (!ask()) {
        // A path the dialog cannot start from (a folder since removed): start from nothing.
        if (file[0] == '\0' || CommDlgExtendedError() != FNERR_INVALIDFILENAME) return false;
        file[0] = '\0';
        if (!ask()) return false;
    }
    path = file;
    return true;
}

}  // namespace kr4
