// Where the body of an answer goes: memory or a file, written from its current
// position. A redirect sets the sink back to where the request began.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

namespace tv {

// The head of a successful answer, as a sink sees it before the body.
struct AnswerHead {
    int Status = 0;
    std::string ETag;
    std::string LastModified;
    bool HasRange = false; // a Content-Range "bytes first-last/total" was sent
    std::uint64_t RangeFirst = 0;
};

class HttpSink {
public:
    virtual ~HttpSink() = default;
    // After a successful answer's head, before its body; may throw to refuse the body.
    virtual void BeforeBody(const AnswerHead&) {}
    virtual void Write(const char* data, size_t size) = 0;
    // Remembers the position and size at the start of a request ...
    virtual void Mark() = 0;
    // ... and goes back to them.
    virtual void Rewind() = 0;
};

class MemorySink : public HttpSink {
public:
    // A body that would grow past `limit` bytes fails the request with `tooLarge`.
    explicit MemorySink(size_t limit = SIZE_MAX, std::string tooLarge = "")
        : FLimit(limit), FTooLarge(std::move(tooLarge)) {}
    std::string Data;
    void Write(const char* data, size_t size) override;
    void Mark() override { FMark = Data.size(); }
    void Rewind() override { Data.resize(FMark); }

private:
    size_t FMark = 0;
    size_t FLimit;
    std::string FTooLarge;
};

// A file created (or emptied) at construction; throws Failure when it cannot be. Failures
// name `shownPath` (the file the user knows, when this one stands in for it), else `path`.
class FileSink : public HttpSink {
public:
    explicit FileSink(const std::string& path, const std::string& shownPath = "");
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;
    void Write(const char* data, size_t size) override;
    void Mark() override;
    void Rewind() override;
    // Flushes and closes; throws when the data cannot be written.
    void Close();
    // Empties the file: a download that starts again.
    void Restart();
    std::uint64_t Size() const { return FSize; }
    const std::string& Path() const { return FPath; }
    const std::string& ShownPath() const { return FShownPath; }

private:
    [[noreturn]] void Fail() const;
    std::string FPath;
    std::string FShownPath;
    std::FILE* FFile = nullptr;
    std::unique_ptr<char[]> FBuffer;
    std::uint64_t FSize = 0;
    std::uint64_t FMark = 0;
};

} // namespace tv
