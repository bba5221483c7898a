// Finds the firmware's interface tables in an image of the BIOS area F0000h-FFFFFh: the tuning
// interface ("$KRL4" before "$CLK") and the smart-fan interface ("$RXE"), by the rules the
// library follows on Windows 9x.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "firmware_backend.h"

namespace krdrv {

constexpr size_t kBiosAreaSize = 0x10000;

// Offset of the lowest match of the signature at the positions a scan of the area visits
// (0 up to FFFEh), or -1. A signature cut off by the end of the image does not match.
long FindSignature(const uint8_t* area, size_t size, const char* signature);

// What the tables in the image say. A table whose bytes would run past the end of the image
// counts as absent. size is the image's length (kBiosAreaSize for the whole area); area may be
// null, which finds nothing.
FirmwareSite ScanBiosArea(const uint8_t* area, size_t size);

}  // namespace krdrv
