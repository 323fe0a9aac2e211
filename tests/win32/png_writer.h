// A minimal PNG writer for test screenshots: 8-bit RGB, deflate "stored"
// blocks (no compression), so it needs no library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gui {

// rgb: width * height * 3 bytes, rows top to bottom. False on a write error.
bool WritePng(const std::wstring& path, uint32_t width, uint32_t height,
              const std::vector<uint8_t>& rgb);

}  // namespace gui
