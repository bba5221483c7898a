// Profiles: the text form, the name rules, the board stamp, the registry store and the files.
#include "profiles.h"

#include <algorithm>
#include <cstring>

#include "store_registry.h"
#include "text.h"

namespace tune {

namespace {

constexpr char kHeader[] = "kclktune profile 1";
constexpr char kEndLine[] = "end";
constexpr size_t kMaxItemWord = 0xFFFF;

ProfileStore::BeforeWriteHook g_beforeWrite = nullptr;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// A decimal number 0..65535 with nothing around it.
bool ParseWord(std::string_view text, uint16_t& word) {
    if (text.empty() || text.size() > 5) return false;
    uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value > kMaxItemWord) return false;
    word = static_cast<uint16_t>(value);
    return true;
}

void AppendDecimal(std::string& out, uint32_t value) {
    char digits[12];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) out += digits[--count];
}

// Splits text into lines at "\n", taking a "\r" before it away. lastEnded tells whether the
// text ended with a line break.
std::vector<std::string_view> Lines(std::string_view text, bool& lastEnded) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    lastEnded = true;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const bool ended = end != std::string_view::npos;
        if (!ended) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (ended && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        lastEnded = ended;
        start = end + 1;
    }
    return lines;
}

std::string LineNumber(size_t index) {
    std::string text = "line ";
    AppendDecimal(text, static_cast<uint32_t>(index + 1));
    return text;
}

}  // namespace

std::string BoardIdentityText(const std::vector<uint16_t>& words) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (uint16_t word : words) {
        for (int shift = 0; shift < 16; shift += 8) {
            hash ^= static_cast<uint8_t>(word >> shift);
            hash *= 0x100000001B3ull;
        }
    }
    static const char kHex[] = "0123456789abcdef";
    std::string text = "fnv1a64:";
    for (int shift = 60; shift >= 0; shift -= 4) text += kHex[(hash >> shift) & 0xF];
    text += '/';
    AppendDecimal(text, static_cast<uint32_t>(words.size()));
    return text;
}

NameProblem CheckProfileName(std::string_view name) {
    if (name.empty()) return NameProblem::Empty;
    if (name.size() > kMaxProfileName) return NameProblem::TooLong;
    for (char c : name) {
        if (c == '\\') return NameProblem::Backslash;
        if (IsControl(static_cast<unsigned char>(c))) return NameProblem::ControlCharacter;
    }
    if (name.front() == ' ' || name.back() == ' ') return NameProblem::EdgeBlank;
    return NameProblem::None;
}

const char* NameProblemText(NameProblem problem) {
    switch (problem) {
        case NameProblem::None: return "";
        case NameProblem::Empty: return "a profile name cannot be empty";
        case NameProblem::TooLong: return "a profile name has at most 64 characters";
        case NameProblem::Backslash: return "a profile name cannot hold a backslash";
        case NameProblem::ControlCharacter: return "a profile name cannot hold control characters";
        case NameProblem::EdgeBlank: return "a profile name cannot begin or end with a blank";
    }
    return "a bad profile name";
}

std::string ProfileText(const Profile& profile, const char* lineEnd) {
    std::string text;
    text += kHeader;
    text += lineEnd;
    Append(text, "name=", profile.name, lineEnd);
    Append(text, "board=", profile.identity, lineEnd);
    for (int i = 0; i < kItemCount; ++i) {
        const Item item = static_cast<Item>(i);
        if (!profile.targets.Has(item)) continue;
        text += ItemName(item);
        text += '=';
        AppendDecimal(text, profile.targets.Get(item));
        text += lineEnd;
    }
    text += kEndLine;
    text += lineEnd;
    return text;
}

bool ParseProfileText(std::string_view text, Profile& profile, std::string& error) {
    if (text.size() > kMaxProfileText) {
        error = "the profile is larger than 4096 bytes";
        return false;
    }
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (IsControl(u) && c != '\r' && c != '\n' && c != '\t') {
            error = "the profile holds binary data";
            return false;
        }
    }
    bool lastEnded = false;
    const std::vector<std::string_view> lines = Lines(text, lastEnded);
    if (lines.empty() || lines[0] != kHeader) {
        error =
            Cat("not a kclktune profile (the first line is not \"", std::string(kHeader), "\")");
        return false;
    }
    // The end line, then nothing but blank lines: anything shorter was cut off.
    size_t endLine = 0;
    for (size_t i = 1; i < lines.size(); ++i)
        if (lines[i] == kEndLine) {
            endLine = i;
            break;
        }
    if (endLine == 0 || !lastEnded) {
        error = "the profile is cut off (no \"end\" line)";
        return false;
    }
    for (size_t i = endLine + 1; i < lines.size(); ++i)
        if (!lines[i].empty()) {
            error = Cat("text after the \"end\" line (", LineNumber(i), ")");
            return false;
        }

    Profile parsed;
    bool haveName = false, haveBoard = false;
    for (size_t i = 1; i < endLine; ++i) {
        const std::string_view line = lines[i];
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            error = Cat(LineNumber(i), " is not key=value");
            return false;
        }
        const std::string_view key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "name") {
            if (haveName) {
                error = Cat(LineNumber(i), ": a second name");
                return false;
            }
            const NameProblem problem = CheckProfileName(value);
            if (problem != NameProblem::None) {
                error = Cat(LineNumber(i), ": ", NameProblemText(problem));
                return false;
            }
            parsed.name.assign(value);
            haveName = true;
        } else if (key == "board") {
            if (haveBoard || value.empty()) {
                error = Cat(LineNumber(i), ": a second or empty board identity");
                return false;
            }
            parsed.identity.assign(value);
            haveBoard = true;
        } else {
            const std::optional<Item> item = ItemFromName(key);
            if (!item) {
                error = Cat(LineNumber(i), ": unknown item \"", std::string(key), "\"");
                return false;
            }
            if (parsed.targets.Has(*item)) {
                error = Cat(LineNumber(i), ": ", std::string(key), " given twice");
                return false;
            }
            uint16_t word = 0;
            if (!ParseWord(value, word)) {
                error =
                    Cat(LineNumber(i), ": ", std::string(key), " is not a number from 0 to 65535");
                return false;
            }
            parsed.targets.Set(*item, word);
        }
    }
    if (!haveName || !haveBoard) {
        error = haveName ? "the profile names no board" : "the profile has no name";
        return false;
    }
    if (parsed.targets.Empty()) {
        error = "the profile holds no settings";
        return false;
    }
    profile = parsed;
    return true;
}

bool MatchesBoard(const Profile& profile, const std::string& identity, std::string& error) {
    if (profile.identity == identity) return true;
    error = Cat("profile \"", profile.name, "\" was made on another board (", profile.identity,
                ", this board is ", identity, ")");
    return false;
}

// --- The store --------------------------------------------------------------------------------

void ProfileStore::SetBeforeWriteHook(BeforeWriteHook hook) { g_beforeWrite = hook; }

std::vector<std::string> ProfileStore::List() const {
    std::vector<std::string> names;
    RegistryKey key = OpenKey(root_, key_);
    for (const std::string& name : SubkeyNames(key.Get())) {
        Profile profile;
        std::string error;
        if (CheckProfileName(name) == NameProblem::None && Read(name, profile, error) == Load::Ok)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const size_t n = std::min(a.size(), b.size());
        for (size_t i = 0; i < n; ++i)
            if (LowerAscii(a[i]) != LowerAscii(b[i])) return LowerAscii(a[i]) < LowerAscii(b[i]);
        return a.size() < b.size();
    });
    return names;
}

bool ProfileStore::Exists(const std::string& name) const {
    Profile profile;
    std::string error;
    return CheckProfileName(name) == NameProblem::None &&
           Read(name, profile, error) != Load::Missing;
}

ProfileStore::Load ProfileStore::Read(const std::string& name, Profile& profile,
                                      std::string& error) const {
    const NameProblem problem = CheckProfileName(name);
    if (problem != NameProblem::None) {
        error = NameProblemText(problem);
        return Load::Missing;
    }
    RegistryKey key = OpenKey(root_, PathOf(name));
    std::string text;
    if (!key || !ReadText(key.Get(), kProfileValue, kMaxProfileText, text)) {
        // A key without its value is a save that never got to write: no profile.
        error = Cat("no profile \"", name, "\"");
        return Load::Missing;
    }
    Profile parsed;
    std::string reason;
    if (!ParseProfileText(text, parsed, reason)) {
        error = Cat("profile \"", name, "\" is damaged: ", reason);
        return Load::Damaged;
    }
    if (!SameNameIgnoringCase(parsed.name, name)) {
        error = Cat("profile \"", name, "\" is damaged: it holds the name \"", parsed.name, "\"");
        return Load::Damaged;
    }
    profile = parsed;
    return Load::Ok;
}

bool ProfileStore::Save(const Profile& profile, std::string& error) {
    const NameProblem problem = CheckProfileName(profile.name);
    if (problem != NameProblem::None) {
        error = NameProblemText(problem);
        return false;
    }
    if (profile.targets.Empty()) {
        error = "a profile needs at least one setting";
        return false;
    }
    const std::string text = ProfileText(profile);
    RegistryKey key = CreateKey(root_, PathOf(profile.name));
    if (!key) {
        error = Cat("cannot create the registry key of profile \"", profile.name, "\"");
        return false;
    }
    if (g_beforeWrite) g_beforeWrite(profile);
    // The whole profile in one value, written by one call: never a mix of two versions.
    if (!WriteText(key.Get(), kProfileValue, text)) {
        error = Cat("cannot write profile \"", profile.name, "\" to the registry");
        return false;
    }
    return true;
}

bool ProfileStore::Delete(const std::string& name, std::string& error) {
    if (!Exists(name)) {
        error = Cat("no profile \"", name, "\"");
        return false;
    }
    if (!DeleteKeyTree(root_, PathOf(name))) {
        error = Cat("cannot delete profile \"", name, "\" from the registry");
        return false;
    }
    return true;
}

// --- Files ------------------------------------------------------------------------------------

bool ExportProfileFile(const Profile& profile, const std::string& path, std::string& error) {
    const std::string text = ProfileText(profile, "\r\n");
    kclk::FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = Cat("cannot create ", path);
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        file.Close();
        DeleteFileA(path.c_str());
        error = Cat("cannot write ", path);
        return false;
    }
    return true;
}

bool ReadProfileFile(const std::string& path, Profile& profile, std::string& error) {
    kclk::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = Cat("cannot open ", path);
        return false;
    }
    DWORD high = 0;
    const DWORD size = GetFileSize(file.Get(), &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        error = Cat("cannot read ", path);
        return false;
    }
    if (high != 0 || size > kMaxProfileText) {
        error = Cat(path, " is too large for a profile (more than 4096 bytes)");
        return false;
    }
    std::string text(size, '\0');
    DWORD read = 0;
    if (size > 0 && (!ReadFile(file.Get(), &text[0], size, &read, nullptr) || read != size)) {
        error = Cat("cannot read ", path);
        return false;
    }
    std::string reason;
    if (!ParseProfileText(text, profile, reason)) {
        error = Cat(path, ": ", reason);
        return false;
    }
    return true;
}

}  // namespace tune
