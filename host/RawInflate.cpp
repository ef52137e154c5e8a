#include "host/RawInflate.h"

#ifdef TV_WITH_ISAL
#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#else
#include <zlib.h>
#endif

namespace tv {

#ifdef TV_WITH_ISAL

std::uint32_t Crc32(std::uint32_t crc, const unsigned char* data, size_t size) {
    return crc32_gzip_refl(crc, data, static_cast<std::uint64_t>(size));
}

// The state is left as it comes: isal_inflate_init sets all it reads, and zeroing its
// 85 KiB would cost a small entry more than inflating it.
struct RawInflate::State {
    State() {} // NOLINT(modernize-use-equals-default): "= default" would zero the state
    inflate_state Stream;
    bool OutputFilled = false;
};

RawInflate::RawInflate() : FState(std::make_unique<State>()) {
    Reset();
}

void RawInflate::Reset() {
    isal_inflate_init(&FState->Stream);
    FState->Stream.crc_flag = ISAL_DEFLATE; // raw: the entry's CRC is checked by the caller
    FState->OutputFilled = false;
}

RawInflate::~RawInflate() = default;

void RawInflate::Input(const unsigned char* data, size_t size) {
    FState->Stream.next_in = const_cast<unsigned char*>(data);
    FState->Stream.avail_in = static_cast<std::uint32_t>(size);
}

bool RawInflate::NeedsInput() const {
    return FState->Stream.avail_in == 0 && !FState->OutputFilled;
}

size_t RawInflate::Inflate(unsigned char* out, size_t size, bool& finished, std::string& damage) {
    inflate_state& stream = FState->Stream;
    const std::uint32_t inputBefore = stream.avail_in;
    stream.next_out = out;
    stream.avail_out = static_cast<std::uint32_t>(size);
    const int status = isal_inflate(&stream);
    const size_t produced = size - stream.avail_out;
    FState->OutputFilled = stream.avail_out == 0;
    finished = stream.block_state == ISAL_BLOCK_FINISH;
    if (status < 0)
        damage = status == ISAL_INVALID_BLOCK      ? "beschädigte Daten: ungültiger Block"
                 : status == ISAL_INVALID_SYMBOL   ? "beschädigte Daten: ungültiges Symbol"
                 : status == ISAL_INVALID_LOOKBACK ? "beschädigte Daten: ungültiger Rückverweis"
                                                   : "beschädigte Daten";
    // Input left that yields nothing would have us go round for ever.
    else if (!finished && produced == 0 && stream.avail_in != 0 && stream.avail_in == inputBefore)
        damage = "beschädigte Daten";
    return produced;
}

const char* RawInflate::Engine() {
    return "ISA-L igzip";
}

#else

std::uint32_t Crc32(std::uint32_t crc, const unsigned char* data, size_t size) {
    // zlib takes at most 4 GiB at once where uInt is 32 bits wide.
    while (size > 0) {
        const uInt piece = static_cast<uInt>(size > 0x40000000u ? 0x40000000u : size);
        crc = static_cast<std::uint32_t>(crc32(crc, data, piece));
        data += piece;
        size -= piece;
    }
    return crc;
}

struct RawInflate::State {
    z_stream Stream{};
    bool Ready = false;
    bool OutputFilled = false;
};

RawInflate::RawInflate() : FState(std::make_unique<State>()) {
    FState->Ready = inflateInit2(&FState->Stream, -MAX_WBITS) == Z_OK;
}

RawInflate::~RawInflate() {
    if (FState->Ready) inflateEnd(&FState->Stream);
}

void RawInflate::Reset() {
    FState->Ready = FState->Ready && inflateReset(&FState->Stream) == Z_OK;
    // zlib keeps the input it was given: what the last stream left unread is not the next one's.
    FState->Stream.next_in = nullptr;
    FState->Stream.avail_in = 0;
    FState->OutputFilled = false;
}

void RawInflate::Input(const unsigned char* data, size_t size) {
    FState->Stream.next_in = const_cast<unsigned char*>(data);
    FState->Stream.avail_in = static_cast<uInt>(size);
}

bool RawInflate::NeedsInput() const {
    return FState->Stream.avail_in == 0 && !FState->OutputFilled;
}

size_t RawInflate::Inflate(unsigned char* out, size_t size, bool& finished, std::string& damage) {
    finished = false;
    if (!FState->Ready) {
        damage = "zlib kann nicht eingerichtet werden";
        return 0;
    }
    z_stream& stream = FState->Stream;
    stream.next_out = out;
    stream.avail_out = static_cast<uInt>(size);
    const int status = inflate(&stream, Z_NO_FLUSH);
    const size_t produced = size - stream.avail_out;
    FState->OutputFilled = stream.avail_out == 0;
    finished = status == Z_STREAM_END;
    if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
        damage = std::string("beschädigte Daten: ") + (stream.msg ? stream.msg : "inflate");
    else if (status == Z_BUF_ERROR && produced == 0 && stream.avail_in != 0)
        damage = "beschädigte Daten";
    return produced;
}

const char* RawInflate::Engine() {
    return "zlib";
}

#endif

} // namespace tv
