// The journal of every change the kit's tuning makes: one CSV line per event (UTC time, action,
// item, before, after, the firmware's answer) appended to journal.csv in the kit's data folder.
// Bounded: past kRotateBytes the file becomes journal.1.csv (the older one is dropped).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace tune {

// Where the tuning core records what it did; the journal file in the programs.
class JournalSink {
public:
    virtual ~JournalSink() = default;
    virtual bool Append(std::string_view action, std::string_view item, std::string_view before,
                        std::string_view after, std::string_view answer) = 0;
};

class Journal : public JournalSink {
public:
    static constexpr uint32_t kRotateBytes = 256 * 1024;
    static constexpr const char* kOverrideVariable = "KCLKTUNE_JOURNAL";  // a file path, for tests

    explicit Journal(std::string path) : path_(std::move(path)) {}

    // The journal's file: the override variable when set, else <kit data folder>\journal.csv.
    static bool DefaultPath(std::string& path);

    const std::string& Path() const { return path_; }
    std::string RotatedPath() const;  // journal.1.csv beside it

    // Creates the folder and opens the file for appending, writing nothing: a command checks
    // this before it changes anything. error: one line when it fails.
    bool CheckWritable(std::string* error) const;

    // Appends one line; false when it could not be written whole.
    bool Append(std::string_view action, std::string_view item, std::string_view before,
                std::string_view after, std::string_view answer) override;

    // The rotated file's text, then the current one's; false when neither can be read.
    bool ReadAll(std::string& text) const;

    // One CSV field: quoted (with quotes doubled) when it holds a comma, quote or line end.
    static std::string Field(std::string_view text);

private:
    std::string path_;
};

}  // namespace tune
