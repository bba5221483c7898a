// Writes a picture as an uncompressed PNG file, so that tests can leave screenshots behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// pixels: width * height values 0x00RRGGBB, top row first. False when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels);

}  // namespace testsupport
