#include "source/ResumingFile.h"

#include <algorithm>
#include <filesystem>

#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

namespace {

constexpr std::uint64_t GiB = 1024ULL * 1024 * 1024;
// How often a download without a listed size looks at the disk's free space.
constexpr std::uint64_t SpaceCheckInterval = 8ULL * 1024 * 1024;

std::string MiB(std::uint64_t bytes) {
    return GermanDecimal(static_cast<double>(bytes) / (1024.0 * 1024.0), 1) + " MiB";
}

} // namespace

void ResumingFile::CheckRoomFor(size_t size) {
    const std::uint64_t after = FFile.Size() + size;
    if (ListedSize && after > *ListedSize) {
        FWriteFailed = true;
        throw Failure(FormatText("Die Datei %s wird größer als im Paketverzeichnis angegeben (%d Bytes): "
                                 "der Download wurde abgebrochen.",
                                 {ExtractFileName(FFile.ShownPath()), std::to_string(*ListedSize)}));
    }
    if (ListedSize || after < FSpaceCheckedAt + SpaceCheckInterval) return;
    FSpaceCheckedAt = after;
    std::error_code ec;
    const std::filesystem::space_info space =
        std::filesystem::space(FilePath(FFile.Path()).parent_path(), ec);
    if (ec) return; // a disk that cannot say stops nothing; a full one fails the write
    const std::uint64_t margin = FreeSpaceMargin.value_or(std::min<std::uint64_t>(GiB, space.capacity / 10));
    if (space.available >= margin + size) return;
    FWriteFailed = true;
    throw Failure(
        FormatText("Auf dem Laufwerk von %s blieben weniger als %s frei: der Download von %s wurde "
                   "abgebrochen, bevor das Laufwerk voll ist.",
                   {ExtractFilePath(FFile.ShownPath()), MiB(margin), ExtractFileName(FFile.ShownPath())}));
}

void ResumingFile::Write(const char* data, size_t size) {
    CheckRoomFor(size);
    try {
        FFile.Write(data, size);
    } catch (const Failure&) {
        FWriteFailed = true;
        throw;
    }
    FDigest.Update(data, size);
}

void ResumingFile::Restart() {
    FFile.Restart();
    FDigest.Reset();
    FOffset = 0;
    FSpaceCheckedAt = 0;
}

void ResumingFile::BeforeBody(const AnswerHead& head) {
    if (head.Status == 206) {
        if (!head.HasRange || head.RangeFirst != FFile.Size())
            throw RangeMismatch(FormatText("Die Antwort des Servers setzt die Datei nicht bei Byte %d fort",
                                           {std::to_string(FFile.Size())}));
        FOffset = FFile.Size();
    } else {
        // The whole file, maybe a changed one: its bytes start at the beginning.
        if (FFile.Size() > 0) Restart();
        FOffset = 0;
        // A weak ETag may not guard a range (RFC 9110, section 13.1.5).
        FValidator = !head.ETag.empty() && head.ETag.rfind("W/", 0) != 0 ? head.ETag : head.LastModified;
    }
    FBodyStarted = true;
}

} // namespace tv
