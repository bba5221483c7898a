// Finding the firmware's interface tables in the BIOS area (Windows 9x).
#pragma once

#include <cstddef>
#include <cstdint>

namespace kclk {

constexpr uintptr_t kBiosAreaStart = 0xF0000;
constexpr size_t kBiosAreaSize = 0x10000;  // up to and including FFFFFh

// Searches F0000h..FFFFEh byte by byte for the signature (without its terminating zero); the
// lowest match wins and is stored in SignatureAddress. A match never runs past FFFFFh, and an
// area the process cannot read holds no table.
bool SignatureScan(const char* signature);

// The table at SignatureAddress, when all of its `length` bytes lie inside the area; null when
// the table would run past FFFFFh.
const uint8_t* TableAtSignature(size_t length);

}  // namespace kclk
