// Composing paths below the program directory without ever overflowing a buffer.
#include "program_paths.h"

#include <cstring>

namespace ktray {

bool DirectoryOfPath(const char* modulePath, char* directory, size_t capacity) {
    if (capacity == 0) return false;
    directory[0] = '\0';
    if (!modulePath) return true;
    const char* lastSlash = std::strrchr(modulePath, '\\');
    if (!lastSlash) return true;
    const size_t length = static_cast<size_t>(lastSlash - modulePath) + 1;
    if (length >= capacity) return false;
    std::memcpy(directory, modulePath, length);
    directory[length] = '\0';
    return true;
}

bool JoinPath(const char* directory, const char* tail, char* out, size_t capacity) {
    if (capacity == 0) return false;
    out[0] = '\0';
    const size_t head = std::strlen(directory), rest = std::strlen(tail);
    if (head + rest >= capacity) return false;
    std::memcpy(out, directory, head);
    std::memcpy(out + head, tail, rest + 1);
    return true;
}

}  // namespace ktray
