// Writes a picture as a PNG file: for screenshots where the window toolkit has no
// image writer of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tv {

// `rgba` holds width x height pixels, four bytes each, top row first. False when the
// file cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba);

} // namespace tv
