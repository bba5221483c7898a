#include "text.h"

#include <cstdarg>

namespace tune {

Digits DecDigits(uint32_t value) {
    char reversed[10];
    int n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    Digits digits;
    for (int i = 0; i < n; ++i) digits.text[i] = reversed[n - 1 - i];
    digits.text[n] = '\0';
    return digits;
}

Digits HexDigits(uint32_t value, int count) {
    Digits digits;
    if (count < 1) count = 1;
    if (count > 8) count = 8;
    digits.text[count] = '\0';
    for (int i = count - 1; i >= 0; --i, value >>= 4)
        digits.text[i] = "0123456789ABCDEF"[value & 0xF];
    return digits;
}

std::string Dec(uint32_t value) { return DecDigits(value).text; }

std::string Hex(uint32_t value, int digits) {
    std::string text(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0 && value != 0; --i, value >>= 4)
        text[static_cast<size_t>(i)] = "0123456789ABCDEF"[value & 0xF];
    return text;
}

std::string Padded(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

void AppendTextList(std::string& text, const char* first, va_list more) {
    for (const char* part = first; part; part = va_arg(more, const char*)) text += part;
}

std::string CatTexts(const char* first, ...) {
    std::string text;
    va_list more;
    va_start(more, first);
    AppendTextList(text, first, more);
    va_end(more);
    return text;
}

void AppendTexts(std::string& text, const char* first, ...) {
    va_list more;
    va_start(more, first);
    AppendTextList(text, first, more);
    va_end(more);
}

}  // namespace tune
