#include "program_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "program_directory.h"

namespace testsupport {

ProgramFolder::ProgramFolder(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + name + "_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(path_.c_str(), nullptr);
}

ProgramFolder::~ProgramFolder() {
    for (const std::string& file : files_) DeleteFileA((path_ + file).c_str());
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder)
        RemoveDirectoryA((path_ + *folder).c_str());
    RemoveDirectoryA(path_.c_str());
}

void ProgramFolder::Copy(const std::string& from, const std::string& to) {
    const size_t slash = to.rfind('\\');
    if (slash != std::string::npos) {
        const std::string folder = to.substr(0, slash);
        if (CreateDirectoryA((path_ + folder).c_str(), nullptr)) folders_.push_back(folder);
    }
    EXPECT_TRUE(CopyFileA((ProgramDirectory() + from).c_str(), (path_ + to).c_str(), FALSE))
        << from << " as " << to;
    files_.push_back(to);
}

}  // namespace testsupport
