// ZIP reader after PKWARE's APPNOTE, with ZIP64 end records and the Info-ZIP Unicode
// path field. It writes every file entry of an archive flat into one folder under its
// bare name, asks before writing over a file, and reports progress per archive and
// per entry. Stored and deflated entries; deflate through RawInflate (ISA-L or zlib).
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/AtomicFile.h"
#include "host/RawInflate.h"
#include "util/Failure.h"

namespace tv {

// An archive with more entries is refused: its directory alone would take memory without
// bound (a real package holds a few dozen files).
constexpr std::uint64_t MaxEntries = 1'000'000;
// A central directory larger than this is refused for the same reason.
constexpr std::uint64_t MaxDirectorySize = 256ull << 20;

// Errors that end an opening or an extraction; the message is the user's text.
class ZipError : public Failure {
public:
    explicit ZipError(const std::string& message, std::string detail = "")
        : Failure(message), FDetail(std::move(detail)) {}
    // What the message's fixed text does not say (why a directory was refused), or empty.
    const std::string& Detail() const { return FDetail; }

private:
    std::string FDetail;
};

struct ZipEntry {
    std::string FileName; // as stored, folder part included, decoded to UTF-8
    std::uint16_t VersionMadeBy = 0;
    std::uint16_t VersionNeeded = 0;
    std::uint16_t Flags = 0;
    std::uint16_t Method = 0;
    std::uint16_t DosTime = 0;
    std::uint16_t DosDate = 0;
    std::uint32_t Crc = 0;
    std::uint64_t CompressedSize = 0;
    std::uint64_t UncompressedSize = 0;
    std::uint64_t LocalHeaderOffset = 0;
    std::uint64_t DataOffset = 0; // after the local header; 0 when that header is damaged
    std::uint32_t ExternalAttributes = 0;
    bool IsFolder() const;
};

// The local time zone's offset for one hour of entry times (see LocalDosTime).
struct ZoneCache {
    bool Known = false;
    std::uint32_t Key = 0;
    std::int64_t Offset = 0;
};

class ZipExtractor {
public:
    ZipExtractor();
    ~ZipExtractor();
    ZipExtractor(const ZipExtractor&) = delete;
    ZipExtractor& operator=(const ZipExtractor&) = delete;

    std::string BaseDirectory;
    std::string TempDirectory; // extraction needs no temporary files

    // Share of entries done, 0 to 100; setting abort stops with "Process aborted by user".
    std::function<void(int progress, bool& abort)> OnArchiveProgress;
    // Whole-percent progress of the entry being written: never 0, each value at most once.
    // Setting abort stops at once with "Process aborted by user"; the entry is not written.
    std::function<void(const ZipEntry& entry, int progress, bool& abort)> OnArchiveItemProgress;
    // Before a file is written over, and for a name that turned up while the archive was
    // unpacked; `name` is the full target path.
    std::function<void(std::string& name, bool& confirm)> OnConfirmOverwrite;
    // An entry written whole, its check passed, at its place: after the archive's files were
    // named together (or before an entry of the same name).
    std::function<void(const ZipEntry& entry)> OnItemExtracted;
    // An entry that could not be extracted (the extraction goes on with the next one).
    std::function<void(const ZipEntry& entry, const std::string& reason)> OnItemFailure;
    // The item progress meter: shows a position and lets the window breathe.
    std::function<void(int position)> ItemProgress;

    // Opens the archive at `path`, or closes the open one for the empty text.
    void SetFileName(const std::string& path);
    const std::string& FileName() const { return FFileName; }
    const std::vector<ZipEntry>& Entries() const { return FEntries; }

    // Extracts every file entry whose name matches `mask` ("*.*" matches all).
    void ExtractFiles(const std::string& mask);

private:
    // Where the central directory lies and how many records it holds.
    struct DirectoryPlace {
        std::uint64_t Count;
        std::uint64_t Size;
        std::uint64_t Offset;
    };
    // Opening, step by step: the end record (the file's kind), the ZIP64 end record, the
    // directory's records, and each entry's data behind its local header (overlaps refused).
    void Open(const std::string& path);
    std::uint64_t FindEndRecord();
    DirectoryPlace LocateDirectory(std::uint64_t endOffset);
    void ReadDirectory(const DirectoryPlace& place);
    static void ReadZip64Fields(ZipEntry& entry, const unsigned char* extra, size_t extraSize);
    void FindEntryData();
    void ExtractEntry(const ZipEntry& entry);
    // Gives the finished files their names, all at once, and reports each entry's outcome
    // (failures only with `reportFailures`).
    void NameFinishedFiles(bool reportFailures);
    void ForgetFinishedFiles();
    void WriteEntryData(const ZipEntry& entry, ReplacingFile& target);
    // Reads and inflates an entry's data, handing on each piece as it is made; throws for
    // damaged data. Runs on a worker for a large entry (the buffers are its then).
    void ProduceEntryData(const ZipEntry& entry,
                          const std::function<void(const unsigned char*, size_t)>& deliver);
    // Reads `size` bytes at `offset` of the archive: false (or, for ReadAt, ZipError)
    // when they are not all there.
    bool TryReadAt(std::uint64_t offset, void* buffer, size_t size);
    void ReadAt(std::uint64_t offset, void* buffer, size_t size);
    std::string AppliedBaseDirectory() const;

    std::string FFileName;
    std::string FCheckedFolder; // the target folder last found to exist, in this extraction
    FileBatch FFinished;        // entries written whole, not yet named
    struct FinishedFile {
        const ZipEntry* Entry;
        std::string Target;
    };
    std::vector<FinishedFile> FFinishedFiles; // in the batch's order
    std::set<std::string> FFinishedNames;     // their bare names, in capitals
    ZoneCache FZone;
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileCloser> FArchive;
    std::uint64_t FArchiveSize = 0;
    // The archive's bytes last read at once from FWindowStart: headers and small entries
    // lie close together and come from here, not from a seek and a read each.
    std::vector<unsigned char> FWindow;
    std::uint64_t FWindowStart = 0;
    std::vector<ZipEntry> FEntries;
    bool FUsable = false;
    RawInflate FInflater; // one for all entries, reset for each
    std::vector<unsigned char> FInput;
    std::vector<unsigned char> FOutput;
};

} // namespace tv
