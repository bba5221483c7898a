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
        const size_t ntAt = static_cast<size_t>(dos->e_lfanew);
        nt_ = At<IMAGE_NT_HEADERS32>(ntAt);
        if (!nt_ || nt_->Signature != IMAGE_NT_SIGNATURE) return false;
        wide_ = nt_->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
        if (!wide_ && nt_->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) return false;
        // The import directory's entry, where each header layout keeps it.
        const IMAGE_DATA_DIRECTORY* dir = nullptr;
        if (wide_) {
            const auto* nt64 = At<IMAGE_NT_HEADERS64>(ntAt);
            if (nt64) dir = &nt64->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        } else {
            dir = &nt_->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        }
        if (!dir) return false;
        imports_ = *dir;
        sectionsAt_ = ntAt + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                      nt_->FileHeader.SizeOfOptionalHeader;
        return true;
    }
    // The name of the function an import-lookup entry at a file offset names, "#<n>" for an
    // ordinal; false at the list's end or off the file.
    bool Thunk(size_t offset, std::string& name) const {
        uint64_t value = 0;
        bool ordinal = false;
        if (wide_) {
            const auto* thunk = At<ULONGLONG>(offset);
            if (!thunk) return false;
            value = *thunk;
            ordinal = (value & IMAGE_ORDINAL_FLAG64) != 0;
        } else {
            const auto* thunk = At<DWORD>(offset);
            if (!thunk) return false;
            value = *thunk;
            ordinal = (value & IMAGE_ORDINAL_FLAG32) != 0;
        }
        if (value == 0) return false;
        name = ordinal ? "#" + std::to_string(value & 0xFFFF)
                       : String(Offset(static_cast<DWORD>(value)) +
                                offsetof(IMAGE_IMPORT_BY_NAME, Name));
        return true;
    }
    size_t ThunkSize() const { return wide_ ? sizeof(ULONGLONG) : sizeof(DWORD); }
    const IMAGE_DATA_DIRECTORY& Imports() const { return imports_; }
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

private:
    std::vector<uint8_t> bytes_;
    const IMAGE_NT_HEADERS32* nt_ = nullptr;  // the part both layouts share
    bool wide_ = false;                         // PE32+ (64-bit)
    IMAGE_DATA_DIRECTORY imports_ = {};
    size_t sectionsAt_ = 0;
};

}  // namespace

std::map<std::string, std::set<std::string>> ReadImports(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    Image image(std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {}));
    std::map<std::string, std::set<std::string>> imports;
    if (!image.SetUp()) return imports;
    size_t at = image.Offset(image.Imports().VirtualAddress);
    for (; at; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* descriptor = image.At<IMAGE_IMPORT_DESCRIPTOR>(at);
        if (!descriptor || descriptor->Name == 0) break;
        std::string dll = image.String(image.Offset(descriptor->Name));
        std::transform(dll.begin(), dll.end(), dll.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        std::set<std::string>& names = imports[dll];
        const DWORD thunks = descriptor->OriginalFirstThunk ? descriptor->OriginalFirstThunk
                                                            : descriptor->FirstThunk;
        std::string name;
        for (size_t t = image.Offset(thunks); t && image.Thunk(t, name); t += image.ThunkSize())
            names.insert(name);
    }
    return imports;
}

}  // namespace testsupport
