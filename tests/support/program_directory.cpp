#include "program_directory.h"

#include <windows.h>

namespace testsupport {

std::string ProgramDirectory() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string text(path, length < MAX_PATH ? length : 0);
    return text.substr(0, text.find_last_of('\\') + 1);
}

}  // namespace testsupport
