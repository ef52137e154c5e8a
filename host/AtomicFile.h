// Replacing a file's content so that a failure or a crash leaves either the old or the
// new file, never half of one: the bytes go to a temporary file beside the target, and
// only a commit renames it over the target, with the target's permissions. A process
// that holds the old file open keeps reading the old file whole. A file that did not
// exist is written in place (nothing to protect) and removed again without a commit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

// Smaller files are written without reserving their size first: one call more would cost
// more than the file system's own placement saves.
constexpr std::uint64_t ReserveFrom = 1 << 20;

class ReplacingFile {
public:
    explicit ReplacingFile(std::string path);
    // Without a commit the temporary file goes and the target stays as it was.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Each returns 0 or the system's error number. `finalSize`, when known, is reserved
    // at once, so that a large file is laid out in one piece.
    int Open(std::uint64_t finalSize = 0);
    int Write(const void* data, size_t size);
    // A file that replaces an existing one reaches the disk before the rename, so a
    // crash cannot trade the old content for an empty file.
    int Commit();

    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
    std::string FTemporary;
    std::intptr_t FHandle = -1; // a descriptor or a HANDLE
    bool FCommitted = false;
    bool FInPlace = false;
};

// Throws Failure naming the file and the system's reason; the target is then unchanged.
void ReplaceFileContent(const std::string& path, std::string_view bytes);

} // namespace tv
