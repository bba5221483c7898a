#include "child_run.h"

#include "win_handles.h"

namespace testsupport {

namespace {

using kclk::FileHandle;

// A scratch file the child writes as its stdout or stderr; gone when closed.
FileHandle CaptureFile(const char* name) {
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return FileHandle(CreateFileA((std::string(directory) + name).c_str(),
                                  GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                                  CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

std::string ReadAll(HANDLE file) {
    std::string text;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return text;
}

}  // namespace

ChildRun RunChild(const std::string& program, const std::string& arguments,
                  const std::string& directory, DWORD timeoutMs) {
    ChildRun run;
    FileHandle out = CaptureFile("child_run.out"), err = CaptureFile("child_run.err");
    std::string commandLine = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.Get();
    startup.hStdError = err.Get();
    PROCESS_INFORMATION process{};
    if (!out || !err ||
        !CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                        directory.c_str(), &startup, &process))
        return run;
    const FileHandle child(process.hProcess), thread(process.hThread);
    if (WaitForSingleObject(child.Get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(child.Get(), 0xDEAD);
        WaitForSingleObject(child.Get(), 5000);
        return run;
    }
    run.finished = GetExitCodeProcess(child.Get(), &run.exitCode) != 0;
    run.out = ReadAll(out.Get());
    run.err = ReadAll(err.Get());
    return run;
}

}  // namespace testsupport
