// The inflate and CRC the extractor uses (ISA-L's or zlib's, as built) against zlib as
// the reference: the same bytes and the same CRC, in any pieces; damage is reported.
#include "host/RawInflate.h"

#include <cstdint>
#include <random>
#include <string>

#include <gtest/gtest.h>
#include <zlib.h>

namespace tv {
namespace {

std::string RawDeflate(const std::string& data) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string Pages(size_t size) {
    std::mt19937 random(3);
    std::string data;
    while (data.size() < size)
        data += "REC" + std::to_string(random() % 5000) + "|Ersatzteil|" +
                static_cast<char>(random() % 7 ? 0 : random());
    data.resize(size);
    return data;
}

// Inflates `compressed` fed in pieces of `inputPiece` into pieces of `outputPiece`, at most
// `most` bytes of output.
std::string Inflate(RawInflate& inflater, const std::string& compressed, size_t inputPiece,
                    size_t outputPiece, std::string& damage, size_t most = SIZE_MAX) {
    std::string out, buffer(outputPiece, '\0');
    size_t fed = 0;
    for (bool finished = false; !finished && damage.empty() && out.size() < most;) {
        if (inflater.NeedsInput()) {
            if (fed == compressed.size()) {
                damage = "unvollständig";
                break;
            }
            size_t n = std::min(inputPiece, compressed.size() - fed);
            inflater.Input(reinterpret_cast<const unsigned char*>(compressed.data()) + fed, n);
            fed += n;
        }
        size_t produced = inflater.Inflate(reinterpret_cast<unsigned char*>(buffer.data()), buffer.size(),
                                           finished, damage);
        out.append(buffer, 0, produced);
    }
    return out;
}

std::string Inflate(const std::string& compressed, size_t inputPiece, size_t outputPiece,
                    std::string& damage) {
    RawInflate inflater;
    return Inflate(inflater, compressed, inputPiece, outputPiece, damage);
}

TEST(RawInflate, SameBytesInAnyPieces) {
    SCOPED_TRACE(RawInflate::Engine());
    const std::string data = Pages(3'000'000);
    const std::string compressed = RawDeflate(data);
    for (auto [input, output] : {std::pair<size_t, size_t>{1 << 20, 1 << 20}, {7, 1 << 16}, {1 << 18, 13}}) {
        SCOPED_TRACE(std::to_string(input) + " / " + std::to_string(output));
        std::string damage;
        EXPECT_EQ(Inflate(compressed, input, output, damage), data);
        EXPECT_EQ(damage, "");
    }
}

TEST(RawInflate, DamagedStreamsAreReported) {
    std::string compressed = RawDeflate(Pages(100'000));
    const struct {
        const char* Name;
        std::string Stream;
    } cases[] = {
        {"invalid block type", std::string(1, '\x07') + compressed.substr(1)}, // BTYPE 11 is reserved
        {"cut short", compressed.substr(0, compressed.size() / 2)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string damage;
        Inflate(c.Stream, 4096, 65536, damage);
        EXPECT_NE(damage, "");
    }
}

// An archive's entries share one inflater: whatever the last stream left (damage, an
// end, output held back, input not yet used), the next starts clean.
TEST(RawInflate, OneInflaterServesStreamAfterStream) {
    SCOPED_TRACE(RawInflate::Engine());
    const std::string data = Pages(200'000), other = Pages(70'001).substr(1);
    const std::string compressed = RawDeflate(data);
    RawInflate inflater;
    const struct {
        const char* Name;
        std::string Stream;
        size_t Most; // output taken before the stream is left
        bool Damaged;
    } streams[] = {
        {"damaged", std::string(1, '\x07') + compressed.substr(1), SIZE_MAX, true},
        {"whole", compressed, SIZE_MAX, false},
        {"left in the middle, output held back", compressed, 50'000, false},
        {"another whole", RawDeflate(other), SIZE_MAX, false},
        {"whole again", compressed, SIZE_MAX, false},
    };
    for (const auto& stream : streams) {
        SCOPED_TRACE(stream.Name);
        inflater.Reset();
        std::string damage;
        const std::string out = Inflate(inflater, stream.Stream, 4096, 8192, damage, stream.Most);
        EXPECT_EQ(!damage.empty(), stream.Damaged);
        if (stream.Most == SIZE_MAX && !stream.Damaged) {
            EXPECT_EQ(out, stream.Stream == compressed ? data : other);
        }
    }
}

TEST(RawInflate, Crc32IsZipsInAnyPieces) {
    const std::string data = Pages(1'000'003);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    for (size_t size : {size_t{0}, size_t{1}, size_t{15}, size_t{16}, size_t{4095}, data.size()}) {
        SCOPED_TRACE(size);
        const auto expected = static_cast<std::uint32_t>(crc32(0L, bytes, static_cast<uInt>(size)));
        EXPECT_EQ(Crc32(0, bytes, size), expected);
        EXPECT_EQ(Crc32(Crc32(0, bytes, size / 3), bytes + size / 3, size - size / 3), expected);
    }
}

} // namespace
} // namespace tv
