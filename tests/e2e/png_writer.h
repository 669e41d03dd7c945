#pragma once
// Minimal PNG writer for screenshots: 8-bit RGB, no filtering, stored (uncompressed) deflate
// blocks. Files are large but need no compression library.
#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// rgb holds width * height * 3 bytes, rows top to bottom. Returns the PNG file bytes.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint8_t>& rgb);

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size);

}  // namespace e2e
