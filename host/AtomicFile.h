// Files that appear whole or not at all. The bytes go to a temporary file beside the
// target; the target's name is given only once the data are complete, in one rename that
// replaces nothing unless the caller decided so. A kill at any moment leaves the old file,
// the new one, or none (and a temporary that a later run removes). A power cut loses
// nothing named: the data reach the disk before the name does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// Smaller files are written without reserving their size first: one call more would cost
// more than the file system's own placement saves.
constexpr std::uint64_t ReserveFrom = 1 << 20;

// The name a file is written under until it is whole; an archive entry of such a name is
// refused, so that no file of ours is ever taken for a leftover, nor one for ours.
std::string TemporaryNameOf(const std::string& path);
bool IsTemporaryName(const std::string& name);
// Removes what an interrupted run left half written in `folder`.
void RemoveLeftoverTemporaries(const std::string& folder);

// The system's calls for the steps; each returns 0 or the system's error number.
// Names `temporary` as `target`. Without `replace` an existing target stays and the
// answer is EEXIST: a name that turned up meanwhile is never lost.
int NameFile(const std::string& temporary, const std::string& target, bool replace);
// Brings the data of the files written in `folder` to the disk (on Windows each file is
// flushed as it is finished, and this does nothing).
int FlushFileData(const std::string& folder);
// Brings `folder`'s names to the disk.
int FlushFolder(const std::string& folder);

class ReplacingFile {
public:
    explicit ReplacingFile(std::string path);
    // Without a commit (or a hand-over to a batch) the temporary goes, the target stays.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary (a leftover of that name is emptied). `finalSize`, when known,
    // is reserved at once, so that a large file is laid out in one piece.
    int Open(std::uint64_t finalSize = 0);
    int Write(const void* data, size_t size);
    // The data are complete: the temporary is closed, not yet named.
    int Finish();
    // Finishes, flushes and names the file at once, replacing an existing one (whose
    // permissions it takes): for single files such as a configuration.
    int Commit();
    // The temporary is someone else's to name or remove from now on.
    std::string Release();

    const std::string& Path() const { return FPath; }
    const std::string& TemporaryPath() const { return FTemporary; }

private:
    // Gives the open temporary the existing target's permissions and owner (POSIX; on
    // Windows it inherits the folder's security, as the file it replaces did).
    int TakeOverPermissions();
    std::string FPath;
    std::string FTemporary;
    std::intptr_t FHandle = -1; // a descriptor or a HANDLE
    bool FOwnsTemporary = false;
    bool FLarge = false;            // reserved at its opening
    std::uint64_t FWritten = 0;     // bytes written so far
    std::uint64_t FWrittenBack = 0; // of which the disk was asked to start on
};

// Finished files named together: their data are flushed once for all (a flush per file
// would cost a small file many times its writing), then each takes its name, then the
// folders' names are flushed. What the user is told was written is on the disk.
class FileBatch {
public:
    // The outcome of one file: named, kept out (an existing target that is not replaced),
    // or the system's error number.
    static constexpr int Named = 0;
    static constexpr int KeptOut = -1;

    FileBatch() = default;
    // Removes every temporary not yet named: a batch cut short names nothing.
    ~FileBatch();
    FileBatch(const FileBatch&) = delete;
    FileBatch& operator=(const FileBatch&) = delete;

    // Takes over a finished file; `replace` when its target may be written over.
    void Add(ReplacingFile& file, bool replace);
    size_t Size() const { return FItems.size(); }

    // Names every file; the outcome of each, in the order they were added. `existing` decides a
    // target that exists where none was expected (true replaces it; it gets the target's path).
    // `waiting` is called now and then while the disk catches up.
    std::vector<int> Commit(const std::function<bool(const std::string& target)>& existing,
                            const std::function<void()>& waiting);
    // Removes every temporary not yet named.
    void Discard();

private:
    struct Item {
        std::string Temporary;
        std::string Target;
        bool Replace;
    };
    std::vector<Item> FItems;
};

// Throws Failure naming the file and the system's reason; the target is then unchanged.
void ReplaceFileContent(const std::string& path, std::string_view bytes);

} // namespace tv
