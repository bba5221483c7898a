// The tuning tool's window title from its build date "a/b/c". The date is read as the tool's own
// "%d/%d/%d" scan reads it, but by hand: the scan has no bound, and a number too long for an
// int is undefined there. Numbers outside 0..99999 give no title.
#include "build_title.h"

#include <cstdio>

namespace ktray {

namespace {

constexpr unsigned long kMaxPart = 99999;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads one number as %d does (blanks, a sign, decimal digits) and advances text past it. False
// for no digit, or a number outside 0..99999 (checked at every digit, so nothing overflows).
bool ParsePart(const char*& text, unsigned long& part) {
    while (IsBlank(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    unsigned long value = 0;
    const char* start = text;
    while (*text >= '0' && *text <= '9') {
        value = value * 10 + static_cast<unsigned long>(*text - '0');
        if (value > kMaxPart) return false;
        ++text;
    }
    if (text == start || (negative && value != 0)) return false;
    part = value;
    return true;
}

}  // namespace

bool FormatBuildTitle(const char* version, char* title, size_t capacity) {
    if (!version || !title || capacity == 0) return false;
    unsigned long parts[3];
    const char* text = version;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && *text++ != '/') return false;
        if (!ParsePart(text, parts[i])) return false;
    }
    // Whatever follows the third number is not looked at, as the scan never looks at it.

    // Longest: "Kestrel4 Build 99999.99999.99999" and its zero, 33 bytes.
    char formatted[48];
    const int length = std::snprintf(formatted, sizeof formatted, "Kestrel4 Build %lu.%02lu.%02lu",
                                     parts[0], parts[1], parts[2]);
    if (length < 0 || static_cast<size_t>(length) >= capacity ||
        static_cast<size_t>(length) >= sizeof formatted)
        return false;
    for (int i = 0; i <= length; ++i) title[i] = formatted[i];
    return true;
}

}  // namespace ktray
