// The file of a download that may break and go on. Each try that the server answers with
// the continuation (206 from exactly the bytes on disk) appends; a whole answer (200)
// starts the file anew. The SHA-256 runs along with the bytes, so a verified download
// needs no second read, however many tries it took.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "source/PackageDigests.h"
#include "source/http/HttpSink.h"
#include "util/Failure.h"

namespace tv {

// A 206 that does not continue the file: the server's ranges cannot be trusted.
class RangeMismatch : public Failure {
public:
    using Failure::Failure;
};

class ResumingFile : public HttpSink {
public:
    // Written at `path`; failures name `shownPath`.
    ResumingFile(const std::string& path, const std::string& shownPath) : FFile(path, shownPath) {}

    void Write(const char* data, size_t size) override;
    void Mark() override { FFile.Mark(); }
    // Only a redirect rewinds, before any of its body was written: the digest stays right.
    void Rewind() override { FFile.Rewind(); }
    void BeforeBody(const AnswerHead& head) override;

    // A new try: whether it reaches its body is learnt anew.
    void BeginTry() { FBodyStarted = false; }
    bool BodyStarted() const { return FBodyStarted; }
    // The file could not be written, or may not grow further: no further try can help.
    bool WriteFailed() const { return FWriteFailed; }

    // The most bytes the file may have: its size as the manifest lists it. Without one, the
    // file grows only while its disk keeps FreeSpaceMargin free.
    std::optional<std::uint64_t> ListedSize;
    // Room to leave free; by default the smaller of 1 GiB and a tenth of the disk.
    std::optional<std::uint64_t> FreeSpaceMargin;
    // Empties the file and its digest.
    void Restart();
    std::uint64_t Size() const { return FFile.Size(); }
    // Where this try's body began in the file.
    std::uint64_t Offset() const { return FOffset; }
    // What a range request is guarded by: the first whole answer's strong ETag, else its
    // Last-Modified; empty when it sent neither (the file cannot be continued safely).
    const std::string& Validator() const { return FValidator; }
    std::string HexDigest() const { return FDigest.HexDigest(); }
    void Close() { FFile.Close(); }

private:
    // Throws, marking the file as not to be tried again, when `size` more bytes would pass
    // the listed size or eat into the disk's margin.
    void CheckRoomFor(size_t size);

    FileSink FFile;
    Sha256 FDigest;
    std::string FValidator;
    std::uint64_t FOffset = 0;
    bool FBodyStarted = false;
    bool FWriteFailed = false;
    std::uint64_t FSpaceCheckedAt = 0; // the size at the last look at the free space
};

} // namespace tv
