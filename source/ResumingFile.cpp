#include "source/ResumingFile.h"

#include "util/Strings.h"

namespace tv {

void ResumingFile::Write(const char* data, size_t size) {
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
