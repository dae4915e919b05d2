#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ovelin::testing {

// Writes 8-bit RGB pixels (row-major, 3 bytes each) as an uncompressed PNG.
bool write_png(const std::wstring& path, int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace ovelin::testing
