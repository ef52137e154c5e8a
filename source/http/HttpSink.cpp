#include "source/http/HttpSink.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "host/FileIo.h"
#include "util/Failure.h"

namespace tv {

namespace {
constexpr size_t FileBufferSize = 1 << 20; // large writes keep a fast download from waiting on the disk
} // namespace

void MemorySink::Write(const char* data, size_t size) {
    if (size > FLimit - Data.size()) throw Failure(FTooLarge);
    Data.append(data, size);
}

FileSink::FileSink(const std::string& path, const std::string& shownPath)
    : FPath(path), FShownPath(shownPath.empty() ? path : shownPath) {
    FFile = OpenFile(path, "wb");
    if (!FFile) Fail();
    // Our own buffer: given none, the C library ignores the size and keeps its small one.
    FBuffer = std::make_unique<char[]>(FileBufferSize);
    std::setvbuf(FFile, FBuffer.get(), _IOFBF, FileBufferSize);
}

FileSink::~FileSink() {
    if (FFile) std::fclose(FFile); // before the buffer goes
}

void FileSink::Fail() const {
    throw Failure("Die Datei " + FShownPath + " kann nicht geschrieben werden: " + std::strerror(errno));
}

void FileSink::Write(const char* data, size_t size) {
    if (!FFile) Fail();
    if (std::fwrite(data, 1, size, FFile) != size) Fail();
    FSize += size;
}

void FileSink::Mark() {
    FMark = FSize;
}

void FileSink::Restart() {
    FMark = 0;
    Rewind();
}

void FileSink::Rewind() {
    if (!FFile || std::fflush(FFile) != 0) Fail();
    std::error_code ec;
    std::filesystem::resize_file(FilePath(FPath), FMark, ec);
    if (ec) throw Failure("Die Datei " + FShownPath + " kann nicht gekürzt werden: " + ec.message());
    if (!SeekTo(FFile, FMark)) Fail();
    FSize = FMark;
}

void FileSink::Close() {
    if (!FFile) return;
    std::FILE* file = FFile;
    FFile = nullptr;
    bool flushed = std::fflush(file) == 0;
    int error = errno;
    if (std::fclose(file) != 0 || !flushed) {
        errno = flushed ? errno : error;
        Fail();
    }
}

} // namespace tv
