// What ktray takes from a value the registry handed back: the rules alone, without the registry,
// so that they also build and run on the build host. An integer counts only when exactly four
// bytes came back, whatever the value's type; a string only when it fits its buffer with its
// terminating zero. Anything else reads as missing, and the caller keeps its default or the
// value it held.
#pragma once

#include <cstdint>

namespace ktray {

constexpr int32_t kQuerySucceeded = 0;  // ERROR_SUCCESS
constexpr uint32_t kIntegerBytes = 4;

// status and size as the query reported them, bytes the 4-byte buffer it was given. True and
// value set (little-endian) only for a successful query of exactly 4 bytes; value untouched
// otherwise.
bool TakeInteger(int32_t status, uint32_t size, const unsigned char* bytes, int32_t& value);

// How a string must arrive to count.
enum class StringEnd {
    AddedWhenRoom,  // a value stored without its zero is terminated when the buffer has room
    Stored,         // the zero must be among the bytes read (names the system itself stores)
};

// buffer (capacity bytes) holds what the query left there. True when the text counts; it then
// ends at its first zero. Otherwise false and buffer holds "" (never a partial text).
bool TakeString(int32_t status, uint32_t size, char* buffer, uint32_t capacity,
                StringEnd end = StringEnd::AddedWhenRoom);

}  // namespace ktray
