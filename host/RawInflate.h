// One raw deflate stream (RFC 1951, no zlib or gzip wrapper), inflated piece by piece,
// and the CRC-32 that checks it: through ISA-L where the build has it (about twice
// zlib's speed), else zlib.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tv {

// The CRC-32 of ZIP and zlib, continued over `data` (start with 0): ISA-L's where the
// build has it, zlib's otherwise; the same value either way.
std::uint32_t Crc32(std::uint32_t crc, const unsigned char* data, size_t size);

class RawInflate {
public:
    RawInflate();
    ~RawInflate();
    RawInflate(const RawInflate&) = delete;
    RawInflate& operator=(const RawInflate&) = delete;

    // True when the stream wants more compressed bytes: those given are used up and the
    // last call had room for all it could produce (an inflater may hold output back).
    bool NeedsInput() const;
    // The next compressed bytes; they must stay in place until NeedsInput().
    void Input(const unsigned char* data, size_t size);
    // Inflates into `out`: the bytes produced. `finished` at the stream's end; `damage`
    // says what is wrong with data that cannot be inflated.
    size_t Inflate(unsigned char* out, size_t size, bool& finished, std::string& damage);

    // Starts a new stream, keeping what was allocated: an archive's entries share one
    // inflater, so a small entry costs no setting up.
    void Reset();

    // Which inflate the build uses, for the benchmarks' figures.
    static const char* Engine();

private:
    struct State;
    std::unique_ptr<State> FState;
};

} // namespace tv
