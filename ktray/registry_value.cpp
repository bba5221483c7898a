// The reading rules for registry values: sizes are never trusted beyond the buffer handed in.
#include "registry_value.h"

#include <cstring>

namespace ktray {

bool TakeInteger(int32_t status, uint32_t size, const unsigned char* bytes, int32_t& value) {
    // A longer value reports more data, a shorter one a smaller size: both are missing.
    if (status != kQuerySucceeded || size != kIntegerBytes || !bytes) return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) |
                                 static_cast<uint32_t>(bytes[1]) << 8 |
                                 static_cast<uint32_t>(bytes[2]) << 16 |
                                 static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

bool TakeString(int32_t status, uint32_t size, char* buffer, uint32_t capacity, StringEnd end) {
    if (!buffer || capacity == 0) return false;
    // A failed query (more data than room among them) may leave part of the value behind.
    if (status != kQuerySucceeded || size > capacity) {
        buffer[0] = '\0';
        return false;
    }
    if (std::memchr(buffer, '\0', size)) return true;  // the text ends at its first zero
    if (end == StringEnd::AddedWhenRoom && size < capacity) {
        buffer[size] = '\0';
        return true;
    }
    buffer[0] = '\0';
    return false;
}

}  // namespace ktray
