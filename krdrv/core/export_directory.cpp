/* The export-directory reader. The bounds: the headers lie within the readable size and the
 * image's own SizeOfImage; the directory, its three tables and every name it points to lie
 * within the directory's extent as the data directory gives it, which is where linkers put
 * them all. */
#include "export_directory.h"

namespace {

constexpr uint16_t kDosMagic = 0x5A4D;         // "MZ"
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kOptional32 = 0x10B;
constexpr uint16_t kOptional64 = 0x20B;
constexpr uint32_t kFileHeaderSize = 20;
constexpr uint32_t kExportDirectorySize = 40;

// Little-endian loads at any alignment; the caller has checked the bounds.
uint16_t Load16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }
uint32_t Load32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

// A range [begin, begin + length) of the image; 64-bit sums, so a lying field cannot wrap.
struct Extent {
    uint64_t begin;
    uint64_t end;
    bool Holds(uint64_t at, uint64_t length) const {
        return at >= begin && at <= end && length <= end - at;
    }
    bool Contains(uint64_t at) const { return at >= begin && at < end; }
};

// Where the export directory lies and how far the image may be read, or false.
bool LocateDirectory(const uint8_t* image, uint64_t size, Extent& directory, uint64_t& limit) {
    const Extent readable{0, size};
    if (!readable.Holds(0, 0x40) || Load16(image) != kDosMagic) return false;
    const uint64_t nt = Load32(image + 0x3C);
    const uint64_t optional = nt + 4 + kFileHeaderSize;
    if (!readable.Holds(nt, 4 + kFileHeaderSize + 2) || Load32(image + nt) != kPeSignature)
        return false;
    const uint64_t optionalSize = Load16(image + nt + 4 + 16);
    if (!readable.Holds(optional, optionalSize)) return false;

    uint64_t countAt, directoriesAt;  // NumberOfRvaAndSizes and DataDirectory[0]
    switch (optionalSize >= 2 ? Load16(image + optional) : 0) {
    case kOptional32: countAt = 92; directoriesAt = 96; break;
    case kOptional64: countAt = 108; directoriesAt = 112; break;
    default: return false;
    }
    if (optionalSize < directoriesAt + 8 || Load32(image + optional + countAt) < 1) return false;
    const uint64_t imageSize = Load32(image + optional + 56);  // SizeOfImage
    limit = imageSize < size ? imageSize : size;

    const uint64_t rva = Load32(image + optional + directoriesAt);
    const uint64_t length = Load32(image + optional + directoriesAt + 4);
    directory = {rva, rva + length};
    return length >= kExportDirectorySize && Extent{0, limit}.Holds(rva, length);
}

// `name` equals the zero-terminated string at `at`, which must end inside the directory.
bool NameMatches(const uint8_t* image, const Extent& directory, uint64_t at, const char* name) {
    if (!directory.Contains(at)) return false;
    for (;; ++at, ++name) {
        if (at >= directory.end) return false;  // no terminator inside the directory
        const char c = static_cast<char>(image[at]);
        if (c != *name) return false;
        if (c == '\0') return true;
    }
}

}  // namespace

extern "C" uint32_t FindExportRva(const uint8_t* image, size_t size, const char* name) {
    Extent directory;
    uint64_t limit = 0;
    if (!image || !name || !LocateDirectory(image, size, directory, limit)) return 0;

    const uint8_t* header = image + directory.begin;
    const uint64_t functionCount = Load32(header + 20);
    const uint64_t nameCount = Load32(header + 24);
    const uint64_t functions = Load32(header + 28);
    const uint64_t names = Load32(header + 32);
    const uint64_t ordinals = Load32(header + 36);
    if (!directory.Holds(functions, functionCount * 4) || !directory.Holds(names, nameCount * 4) ||
        !directory.Holds(ordinals, nameCount * 2))
        return 0;

    for (uint64_t i = 0; i < nameCount; ++i) {
        if (!NameMatches(image, directory, Load32(image + names + i * 4), name)) continue;
        const uint64_t index = Load16(image + ordinals + i * 2);
        if (index >= functionCount) return 0;
        const uint32_t rva = Load32(image + functions + index * 4);
        // A routine lies in the image; an address inside the directory names a forwarder.
        if (rva == 0 || rva >= limit || directory.Contains(rva)) return 0;
        return rva;
    }
    return 0;
}
