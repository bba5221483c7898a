#include "pe_imports.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace testsupport {

namespace {

class Image {
public:
    explicit Image(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    template <typename T>
    const T* At(size_t offset) const {
        return offset + sizeof(T) <= bytes_.size()
                   ? reinterpret_cast<const T*>(bytes_.data() + offset) : nullptr;
    }
    // A zero-terminated string at a file offset, or empty when it runs off the file.
    std::string String(size_t offset) const {
        if (offset >= bytes_.size()) return {};
        const auto* begin = reinterpret_cast<const char*>(bytes_.data() + offset);
        const size_t room = bytes_.size() - offset;
        const size_t length = strnlen(begin, room);
        return length < room ? std::string(begin, length) : std::string();
    }
    bool SetUp() {
        const auto* dos = At<IMAGE_DOS_HEADER>(0);
        if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
        nt_ = At<IMAGE_NT_HEADERS32>(static_cast<size_t>(dos->e_lfanew));
        if (!nt_ || nt_->Signature != IMAGE_NT_SIGNATURE ||
            nt_->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
            return false;
        sectionsAt_ = static_cast<size_t>(dos->e_lfanew) + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                      nt_->FileHeader.SizeOfOptionalHeader;
        return true;
    }
    // File offset of a relative virtual address, or 0 when no section holds it.
    size_t Offset(DWORD rva) const {
        for (WORD i = 0; i < nt_->FileHeader.NumberOfSections; ++i) {
            const auto* s = At<IMAGE_SECTION_HEADER>(sectionsAt_ + i * sizeof(IMAGE_SECTION_HEADER));
            if (!s) return 0;
            const DWORD size = std::max(s->Misc.VirtualSize, s->SizeOfRawData);
            if (rva >= s->VirtualAddress && rva < s->VirtualAddress + size)
                return rva - s->VirtualAddress + s->PointerToRawData;
        }
        return 0;
    }
    const IMAGE_NT_HEADERS32* Nt() const { return nt_; }

private:
    std::vector<uint8_t> bytes_;
    const IMAGE_NT_HEADERS32* nt_ = nullptr;
    size_t sectionsAt_ = 0;
};

}  // namespace

std::map<std::string, std::set<std::string>> ReadImports(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    Image image(std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {}));
    std::map<std::string, std::set<std::string>> imports;
    if (!image.SetUp()) return imports;
    const IMAGE_DATA_DIRECTORY& dir =
        image.Nt()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    size_t at = image.Offset(dir.VirtualAddress);
    for (; at; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* descriptor = image.At<IMAGE_IMPORT_DESCRIPTOR>(at);
        if (!descriptor || descriptor->Name == 0) break;
        std::string dll = image.String(image.Offset(descriptor->Name));
        std::transform(dll.begin(), dll.end(), dll.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        std::set<std::string>& names = imports[dll];
        const DWORD thunks = descriptor->OriginalFirstThunk ? descriptor->OriginalFirstThunk
                                                            : descriptor->FirstThunk;
        for (size_t t = image.Offset(thunks); t; t += sizeof(DWORD)) {
            const auto* thunk = image.At<DWORD>(t);
            if (!thunk || *thunk == 0) break;
            if (*thunk & IMAGE_ORDINAL_FLAG32)
                names.insert("#" + std::to_string(*thunk & 0xFFFF));
            else
                names.insert(image.String(image.Offset(*thunk) + offsetof(IMAGE_IMPORT_BY_NAME, Name)));
        }
    }
    return imports;
}

}  // namespace testsupport
