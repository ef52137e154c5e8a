// The file of a download that goes on after a break: what each answer to a further try
// does to the bytes on disk and to their digest.
#include "source/ResumingFile.h"

#include <filesystem>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/Files.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

std::string Sha256Of(const std::string& bytes) {
    Sha256 digest;
    digest.Update(bytes.data(), bytes.size());
    return digest.HexDigest();
}

AnswerHead Head(int status, std::string etag = "", std::string lastModified = "", bool hasRange = false,
                std::uint64_t first = 0) {
    AnswerHead head;
    head.Status = status;
    head.ETag = std::move(etag);
    head.LastModified = std::move(lastModified);
    head.HasRange = hasRange;
    head.RangeFirst = first;
    return head;
}

TEST(ResumingFile, EachAnswerToAFurtherTryContinuesRestartsOrIsRefused) {
    const fs::path path = fs::temp_directory_path() / ("tv-resume-" + std::to_string(getpid()));
    const struct {
        const char* Name;
        AnswerHead Second;
        std::string SecondBody;
        std::string File; // empty: the second answer is refused
    } cases[] = {
        {"continued from exactly the bytes on disk", Head(206, "", "", true, 5), "fghij", "abcdefghij"},
        {"a server that ignores ranges sends it whole", Head(200, "\"v1\""), "abcdefghij", "abcdefghij"},
        {"a changed file arrives whole", Head(200, "\"v2\""), "0123456789", "0123456789"},
        {"a range that does not continue the file", Head(206, "", "", true, 4), "efghij", ""},
        {"a 206 without its range", Head(206), "fghij", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ResumingFile file(path.string(), path.string());
        file.BeginTry();
        file.BeforeBody(Head(200, "\"v1\"", "Tue, 08 Dec 2026 10:00:00 GMT"));
        file.Write("abcde", 5); // and then the line broke
        EXPECT_TRUE(file.BodyStarted());
        EXPECT_EQ(file.Validator(), "\"v1\"");
        file.BeginTry();
        EXPECT_FALSE(file.BodyStarted());
        if (c.File.empty()) {
            EXPECT_THROW(file.BeforeBody(c.Second), RangeMismatch);
            continue;
        }
        file.BeforeBody(c.Second);
        file.Write(c.SecondBody.data(), c.SecondBody.size());
        file.Close();
        EXPECT_EQ(testbed::ReadAll(path), c.File);
        EXPECT_EQ(file.HexDigest(), Sha256Of(c.File)); // the digest ran along, no second read
        EXPECT_EQ(file.Offset(), c.Second.Status == 206 ? 5u : 0u);
    }
    fs::remove(path);
}

TEST(ResumingFile, AWeakETagCannotGuardARangeLastModifiedDoes) {
    const fs::path path = fs::temp_directory_path() / ("tv-resume-weak-" + std::to_string(getpid()));
    ResumingFile file(path.string(), path.string());
    file.BeforeBody(Head(200, "W/\"v1\"", "Tue, 08 Dec 2026 10:00:00 GMT"));
    EXPECT_EQ(file.Validator(), "Tue, 08 Dec 2026 10:00:00 GMT");
    file.BeforeBody(Head(200, "W/\"v1\""));
    EXPECT_EQ(file.Validator(), ""); // nothing to guard a range with: such a file starts anew
    file.Close();
    fs::remove(path);
}

} // namespace
} // namespace tv
