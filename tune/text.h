// Numbers as text without the C library's formatted printing, which would bring a whole printf
// implementation (floating point included) into every shipped program that links the core, and
// texts joined in one call.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

namespace tune {

std::string Dec(uint32_t value);                  // 13333
std::string Hex(uint32_t value, int digits);      // upper case, zero-filled, no prefix: 0405
std::string Padded(std::string text, size_t width);  // blanks added on the right up to width

// A number written into a buffer of its own, terminated: as a part of a text it has nothing to
// allocate or free, where a std::string from Dec or Hex is one more object made and destroyed in
// line.
struct Digits {
    char text[12];
};
Digits DecDigits(uint32_t value);
Digits HexDigits(uint32_t value, int digits);  // as Hex, digits 1..8

// Texts joined: each part is a terminated text (a literal, a std::string, Digits), passed on as
// one pointer; a part's text ends at its first zero. Each "+" of strings is a temporary made,
// moved and destroyed in line, and in a program that mostly writes messages those were a large
// part of its code.
inline const char* TextOf(const char* text) { return text; }
inline const char* TextOf(const std::string& text) { return text.c_str(); }
inline const char* TextOf(const Digits& digits) { return digits.text; }

// Append, Cat and the printing functions of programs end in these: the texts up to a null pointer.
void AppendTexts(std::string& text, const char* first, ...);
void AppendTextList(std::string& text, const char* first, va_list more);
std::string CatTexts(const char* first, ...);

template <typename... Parts>
[[gnu::always_inline]] inline void Append(std::string& text, const Parts&... parts) {
    AppendTexts(text, TextOf(parts)..., static_cast<const char*>(nullptr));
}

template <typename... Parts>
[[gnu::always_inline]] inline std::string Cat(const Parts&... parts) {
    return CatTexts(TextOf(parts)..., static_cast<const char*>(nullptr));
}

}  // namespace tune
