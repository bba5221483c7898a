#include "journal.h"

#include <windows.h>

#include "data_folder.h"
#include "text.h"
#include "win_handles.h"

namespace tune {

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

kclk::FileHandle OpenForAppend(const std::string& path) {
    return kclk::FileHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool ReadFileText(const std::string& path, std::string& text) {
    const kclk::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return true;
}

std::string Now() {
    SYSTEMTIME t{};
    GetSystemTime(&t);
    const auto two = [](unsigned v) { return std::string(1, static_cast<char>('0' + v / 10 % 10)) +
                                              static_cast<char>('0' + v % 10); };
    return Cat(DecDigits(t.wYear), "-", two(t.wMonth), "-", two(t.wDay), "T", two(t.wHour), ":",
               two(t.wMinute), ":", two(t.wSecond), "Z");
}

}  // namespace

bool Journal::DefaultPath(std::string& path) {
    char override[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableA(kOverrideVariable, override, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        path = override;
        return true;
    }
    std::string folder;
    if (!KitDataFolder(folder, false)) return false;
    path = Cat(folder, "\\journal.csv");
    return true;
}

std::string Journal::RotatedPath() const {
    const size_t dot = path_.find_last_of('.');
    const size_t slash = path_.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return Cat(path_, ".1");
    return Cat(path_.substr(0, dot), ".1", path_.substr(dot));
}

bool Journal::CheckWritable(std::string* error) const {
    const std::string folder = FolderOf(path_);
    if (!folder.empty() && !CreateFolderPath(folder)) {
        if (error) *error = Cat("the journal's folder ", folder, " cannot be created");
        return false;
    }
    if (!OpenForAppend(path_)) {
        if (error) *error = Cat("the journal ", path_, " cannot be written");
        return false;
    }
    return true;
}

bool Journal::Append(std::string_view action, std::string_view item, std::string_view before,
                     std::string_view after, std::string_view answer) {
    std::string line = Now();
    for (std::string_view field : {action, item, before, after, answer})
        tune::Append(line, ",", Field(field));
    line += "\r\n";

    kclk::FileHandle file = OpenForAppend(path_);
    if (!file) return false;
    const DWORD size = GetFileSize(file.Get(), nullptr);
    if (size != INVALID_FILE_SIZE && size > 0 && size + line.size() > kRotateBytes) {
        file.Close();
        const std::string older = RotatedPath();
        DeleteFileA(older.c_str());
        MoveFileA(path_.c_str(), older.c_str());
        file = OpenForAppend(path_);
        if (!file) return false;
    }
    if (SetFilePointer(file.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        return false;
    DWORD written = 0;
    return WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size();
}

bool Journal::ReadAll(std::string& text) const {
    std::string older, current;
    const bool haveOlder = ReadFileText(RotatedPath(), older);
    const bool haveCurrent = ReadFileText(path_, current);
    text = older + current;
    return haveOlder || haveCurrent;
}

std::string Journal::Field(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return Cat(out, "\"");
}

}  // namespace tune
