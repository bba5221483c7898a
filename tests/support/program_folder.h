// A program folder in the temporary directory, laid out as an installation lays it out: files
// of the build's bin folder copied under their shipped names. Everything copied, and the
// folders made for it, go with the object.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

class ProgramFolder {
public:
    explicit ProgramFolder(const std::string& name);  // <temp>\<name>_<process id>\ with its files
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    // <bin>\from as <folder>\to ("KR4\\KR4.EXE" makes the KR4 folder); a failure is a test
    // failure.
    void Copy(const std::string& from, const std::string& to);
    void Copy(const std::string& file) { Copy(file, file); }
    const std::string& Path() const { return path_; }  // with its trailing backslash

private:
    std::string path_;
    std::vector<std::string> files_, folders_;
};

}  // namespace testsupport
