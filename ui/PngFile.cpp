#include "ui/PngFile.h"

#include <cstdio>
#include <zlib.h>

#include "host/FileIo.h"

namespace tv {

namespace {

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
    PutBigEndian(out, static_cast<std::uint32_t>(crc));
}

} // namespace

bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba) {
    if (width <= 0 || height <= 0 || rgba.size() != size_t(width) * size_t(height) * 4) return false;
    // Each row starts with its filter byte (0: none).
    std::vector<std::uint8_t> rows;
    rows.reserve(rgba.size() + size_t(height));
    for (int y = 0; y < height; ++y) {
        rows.push_back(0);
        auto row = rgba.begin() + std::ptrdiff_t(y) * width * 4;
        rows.insert(rows.end(), row, row + width * 4);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size())) != Z_OK)
        return false;
    packed.resize(packedSize);

    std::vector<std::uint8_t> header;
    PutBigEndian(header, static_cast<std::uint32_t>(width));
    PutBigEndian(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(),
                  {8, 6, 0, 0, 0}); // 8 bits per channel, RGBA, deflate, no filter, no interlace
    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", packed);
    PutChunk(file, "IEND", {});

    std::FILE* out = OpenFile(path, "wb");
    if (!out) return false;
    bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

} // namespace tv
