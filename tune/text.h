// Numbers as text without the C library's formatted printing, which would bring a whole printf
// implementation (floating point included) into every shipped program that links the core.
#pragma once

#include <cstdint>
#include <string>

namespace tune {

std::string Dec(uint32_t value);                  // 13333
std::string Hex(uint32_t value, int digits);      // upper case, zero-filled, no prefix: 0405
std::string Padded(std::string text, size_t width);  // blanks added on the right up to width

}  // namespace tune
