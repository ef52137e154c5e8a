#include "host/ZipExtractor.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <set>

#include "host/EntryPipeline.h"
#include "host/FileIo.h"
#include "host/RawInflate.h"
#include "util/Calendar.h"
#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

namespace fs = std::filesystem;

namespace {

// Record signatures and fixed sizes (APPNOTE 4.3).
constexpr std::uint32_t LocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t CentralHeaderSignature = 0x02014b50;
constexpr std::uint32_t EndSignature = 0x06054b50;
constexpr std::uint32_t Zip64EndSignature = 0x06064b50;
constexpr std::uint32_t Zip64LocatorSignature = 0x07064b50;
constexpr size_t LocalHeaderSize = 30;   // before the name and the extra field
constexpr size_t CentralHeaderSize = 46; // the least a directory record takes
constexpr size_t EndRecordSize = 22;
constexpr size_t Zip64LocatorSize = 20;
constexpr size_t Zip64EndSize = 56;
constexpr size_t MaxCommentSize = 65535;
// General purpose flag bits (APPNOTE 4.4.4) and extra-field ids (4.5, 4.6).
constexpr std::uint16_t EncryptedFlag = 0x0001;
constexpr std::uint16_t StrongEncryptionFlag = 0x0040;
constexpr std::uint16_t Utf8NameFlag = 0x0800;
constexpr std::uint16_t Zip64ExtraId = 0x0001;
constexpr std::uint16_t UnicodePathExtraId = 0x7075;
constexpr std::uint32_t Zip64Escape = 0xFFFFFFFF; // "the value stands in the ZIP64 field"
constexpr std::uint32_t DosFolderAttribute = 0x10;
constexpr size_t ChunkSize = size_t{256} * 1024;
// What a read of a header or a small entry takes in at once: the neighbours' too, yet
// little beside a large entry.
constexpr size_t WindowSize = size_t{16} * 1024;
constexpr int NewestVersionSupported = 64; // 6.4 and later may use features we cannot read

const char* const FileNotFound = "File not found";
const char* const BadStream = "Invalid Stream";
const char* const UnhandledType = "Unhandled Archive Type";
const char* const NoSuchDirectory = "Directory does not exist";
const char* const ZipInvalid = "Invalid file - not a PKZip file";
const char* const UserAbort = "Process aborted by user";
const char* const NoArchive = "Archive does not exist - Filename is blank";

// Code page 437, 0x80 to 0xFF.
constexpr char16_t Cp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

// The folder files go to must be there: otherwise the whole archive fails.
void RequireFolder(const std::string& folder) {
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(FilePath(folder), ec)) throw ZipError(NoSuchDirectory);
}

std::uint16_t U16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t U32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint64_t U64(const unsigned char* p) {
    return U32(p) | static_cast<std::uint64_t>(U32(p + 4)) << 32;
}

bool IsValidUtf8(const std::string& s, bool& hasHigh) {
    hasHigh = false;
    for (size_t i = 0; i < s.size();) {
        auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        hasHigh = true;
        int extra = b >= 0xF0 && b <= 0xF4 ? 3 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xC2 && b <= 0xDF ? 1 : -1;
        if (extra < 0 || i + extra >= s.size()) return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

std::string FromCp437(const std::string& s) {
    std::string out;
    for (char ch : s) {
        auto b = static_cast<unsigned char>(ch);
        AppendUtf8(out, b < 0x80 ? b : Cp437High[b - 0x80]);
    }
    return out;
}

// The stored name's bytes as text: UTF-8 by flag or by content, the Unicode path field
// when its CRC matches the stored name, else code page 437.
std::string DecodeName(const std::string& raw, std::uint16_t flags, const unsigned char* extra,
                       size_t extraSize) {
    bool hasHigh = false;
    bool utf8 = IsValidUtf8(raw, hasHigh);
    if ((flags & Utf8NameFlag) && utf8) return raw;
    if (utf8 && hasHigh) return raw;
    for (size_t at = 0; at + 4 <= extraSize;) {
        std::uint16_t id = U16(extra + at), size = U16(extra + at + 2);
        if (at + 4 + size > extraSize) break;
        if (id == UnicodePathExtraId && size >= 5 && extra[at + 4] == 1) {
            std::uint32_t crc = U32(extra + at + 5);
            std::uint32_t actual = Crc32(0, reinterpret_cast<const unsigned char*>(raw.data()), raw.size());
            std::string unicode(reinterpret_cast<const char*>(extra + at + 9), size - 5);
            bool unicodeHigh = false;
            if (crc == actual && IsValidUtf8(unicode, unicodeHigh)) return unicode;
        }
        at += 4 + size;
    }
    return hasHigh ? FromCp437(raw) : raw;
}

bool MaskMatches(const std::string& mask, const std::string& name) {
    if (mask == "*.*" || mask == "*") return !name.empty();
    // '*' and '?' over the bare name, without regard to case.
    std::string m = UpperCase(mask), n = UpperCase(name);
    size_t mi = 0, ni = 0, star = std::string::npos, mark = 0;
    while (ni < n.size()) {
        if (mi < m.size() && (m[mi] == '?' || m[mi] == n[ni])) {
            ++mi, ++ni;
        } else if (mi < m.size() && m[mi] == '*') {
            star = mi++;
            mark = ni;
        } else if (star != std::string::npos) {
            mi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (mi < m.size() && m[mi] == '*')
        ++mi;
    return mi == m.size();
}

constexpr std::uint16_t AesMethod = 99; // WinZip's AES encryption stands in the method field

// The compression methods that APPNOTE names, for the user's error list.
std::string MethodName(std::uint16_t method) {
    static const struct {
        std::uint16_t Method;
        const char* Name;
    } names[] = {{1, "Shrink"},    {2, "Reduce"},     {3, "Reduce"},          {4, "Reduce"},
                 {5, "Reduce"},    {6, "Implode"},    {9, "Deflate64"},       {10, "PKWARE DCL Implode"},
                 {12, "BZip2"},    {14, "LZMA"},      {16, "IBM z/OS CMPSC"}, {18, "IBM TERSE"},
                 {19, "IBM LZ77"}, {20, "Zstandard"}, {93, "Zstandard"},      {94, "MP3"},
                 {95, "XZ"},       {96, "JPEG"},      {97, "WavPack"},        {98, "PPMd"}};
    for (const auto& known : names)
        if (known.Method == method) return "Methode " + std::to_string(method) + ": " + known.Name;
    return "Methode " + std::to_string(method);
}

// The bare name of an entry, or the reason it cannot name a file in the target folder.
bool BareName(const std::string& stored, std::string& name, std::string& reason) {
    name = ExtractFileName(stored);
    if (name.empty() || name == "." || name == "..") {
        reason = "ungültiger Dateiname";
        return false;
    }
    if (!IsWindowsFileName(name)) {
        reason = "ungültiger Dateiname für Windows";
        return false;
    }
    // Such a file would be taken for one of ours that an interrupted run left half written.
    if (IsTemporaryName(name)) {
        reason = "ungültiger Dateiname (so heißen nur halb geschriebene Dateien)";
        return false;
    }
    return true;
}

// An entry's local DOS time as seconds since the epoch, as mktime gives it. mktime looks
// the time zone up again on every call (a file-system call per entry): the zone's offset
// is asked once per hour of the archive's times, which is where it can change.
std::time_t LocalDosTime(const ZipEntry& entry, ZoneCache& zone) {
    const int year = ((entry.DosDate >> 9) & 0x7F) + 1980;
    const unsigned month = (entry.DosDate >> 5) & 0x0F, day = entry.DosDate & 0x1F;
    const unsigned hour = entry.DosTime >> 11, minute = (entry.DosTime >> 5) & 0x3F;
    const unsigned second = (entry.DosTime & 0x1F) * 2;
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = static_cast<int>(month) - 1;
    local.tm_mday = static_cast<int>(day);
    local.tm_hour = static_cast<int>(hour);
    local.tm_isdst = -1;
    // Values out of their range are left to mktime, which carries them over as it does.
    if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59) {
        local.tm_min = static_cast<int>(minute);
        local.tm_sec = static_cast<int>(second);
        return std::mktime(&local);
    }
    const std::int64_t universal = (DaysFromCivil(year, month, day) * 24 + hour) * 3600;
    const std::uint32_t key = (static_cast<std::uint32_t>(entry.DosDate) << 5) | hour;
    if (!zone.Known || zone.Key != key) {
        const std::time_t topOfHour = std::mktime(&local);
        if (topOfHour == static_cast<std::time_t>(-1)) return topOfHour;
        zone = {true, key, static_cast<std::int64_t>(topOfHour) - universal};
    }
    return static_cast<std::time_t>(universal + zone.Offset + std::int64_t{minute} * 60 + second);
}

void ApplyTimeAndAttributes(const ZipEntry& entry, const std::string& path, ZoneCache& zone) {
    std::time_t when = LocalDosTime(entry, zone);
    std::error_code ec;
    if (when != static_cast<std::time_t>(-1))
        fs::last_write_time(FilePath(path),
                            fs::file_time_type::clock::from_sys(std::chrono::system_clock::from_time_t(when)),
                            ec);
    std::uint32_t unixMode = entry.ExternalAttributes >> 16;
    const bool madeOnUnix = (entry.VersionMadeBy >> 8) == 3 && unixMode != 0;
    ApplyStoredAttributes(path, entry.ExternalAttributes & 0xFF, madeOnUnix ? unixMode : 0);
}

// The path under which the file system holds the existing file `target` names.
std::string ExistingTarget(const std::string& target) {
    const std::string bare = ExtractFileName(target);
    return target.substr(0, target.size() - bare.size()) + ExistingFileName(target);
}

// A failure that ends only the entry being extracted; the extraction goes on.
class EntryFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace

bool ZipEntry::IsFolder() const {
    return (ExternalAttributes & DosFolderAttribute) != 0 ||
           (!FileName.empty() && (FileName.back() == '/' || FileName.back() == '\\'));
}

ZipExtractor::ZipExtractor() : FInput(ChunkSize), FOutput(ChunkSize) {}
ZipExtractor::~ZipExtractor() = default;

std::string ZipExtractor::AppliedBaseDirectory() const {
    std::string base = BaseDirectory;
    if (base.size() > 1 && (base.back() == '/' || base.back() == '\\') && base[base.size() - 2] != ':')
        base.pop_back();
    return base;
}

void ZipExtractor::SetFileName(const std::string& path) {
    if (path.empty()) {
        FArchive.reset();
        FWindow.clear();
        FEntries.clear();
        FUsable = false;
        FFileName.clear();
        return;
    }
    std::error_code ec;
    if (!fs::is_regular_file(FilePath(path), ec)) throw ZipError(FileNotFound);
    if (fs::file_size(FilePath(path), ec) == 0) throw ZipError(BadStream);
    FArchive.reset();
    FEntries.clear();
    FUsable = false;
    FFileName = path;
    Open(path);
}

bool ZipExtractor::TryReadAt(std::uint64_t offset, void* buffer, size_t size) {
    if (offset > FArchiveSize || size > FArchiveSize - offset) return false;
    auto* bytes = static_cast<unsigned char*>(buffer);
    if (offset >= FWindowStart && offset - FWindowStart <= FWindow.size() &&
        size <= FWindow.size() - (offset - FWindowStart)) {
        std::copy_n(FWindow.data() + (offset - FWindowStart), size, bytes);
        return true;
    }
    if (size >= WindowSize)
        return SeekTo(FArchive.get(), offset) && std::fread(bytes, 1, size, FArchive.get()) == size;
    FWindow.resize(static_cast<size_t>(std::min<std::uint64_t>(WindowSize, FArchiveSize - offset)));
    if (!SeekTo(FArchive.get(), offset) ||
        std::fread(FWindow.data(), 1, FWindow.size(), FArchive.get()) != FWindow.size()) {
        FWindow.clear();
        return false;
    }
    FWindowStart = offset;
    std::copy_n(FWindow.data(), size, bytes);
    return true;
}

void ZipExtractor::ReadAt(std::uint64_t offset, void* buffer, size_t size) {
    if (!TryReadAt(offset, buffer, size)) throw ZipError(ZipInvalid);
}

void ZipExtractor::Open(const std::string& path) {
    std::FILE* file = OpenFile(path, "rb");
    if (!file)
        throw ZipError(FormatText("Datei %s kann nicht geöffnet werden. %s",
                                  {Utf8Of(fs::absolute(FilePath(path))), std::strerror(errno)}));
    FArchive.reset(file);
    // Reads go through the window or are large: the C library's own buffer would only copy.
    std::setvbuf(file, nullptr, _IONBF, 0);
    FWindow.clear();
    std::error_code ec;
    FArchiveSize = fs::file_size(FilePath(path), ec);

    const std::uint64_t endOffset = FindEndRecord();
    if (ItemProgress) ItemProgress(0);
    std::string base = AppliedBaseDirectory();
    RequireFolder(base);
    const DirectoryPlace place = LocateDirectory(endOffset);
    if (place.Count > MaxEntries || place.Size > MaxDirectorySize)
        throw ZipError(FormatText("Das Archiv %s hat zu viele Einträge (höchstens %s).",
                                  {path, std::to_string(MaxEntries)}));
    ReadDirectory(place);
    FindEntryData();

    bool ignored = false;
    if (OnArchiveProgress) OnArchiveProgress(100, ignored);
    FUsable = true;
}

std::uint64_t ZipExtractor::FindEndRecord() {
    // The kind: a ZIP archive ends with its end record, whatever its name says.
    const size_t tail =
        static_cast<size_t>(std::min<std::uint64_t>(FArchiveSize, EndRecordSize + MaxCommentSize));
    std::vector<unsigned char> end(tail);
    ReadAt(FArchiveSize - tail, end.data(), tail);
    for (size_t at = tail >= EndRecordSize ? tail - EndRecordSize + 1 : 0; at-- > 0;)
        if (U32(&end[at]) == EndSignature) return FArchiveSize - tail + at;
    throw ZipError(UnhandledType);
}

ZipExtractor::DirectoryPlace ZipExtractor::LocateDirectory(std::uint64_t endOffset) {
    unsigned char end[EndRecordSize];
    ReadAt(endOffset, end, sizeof end);
    DirectoryPlace place{U16(end + 10), U32(end + 12), U32(end + 16)};
    // A ZIP64 locator just before the end record names the ZIP64 end record, whose
    // values replace the 16- and 32-bit ones.
    if (endOffset >= Zip64LocatorSize) {
        unsigned char locator[Zip64LocatorSize];
        ReadAt(endOffset - Zip64LocatorSize, locator, sizeof locator);
        if (U32(locator) == Zip64LocatorSignature) {
            unsigned char zip64[Zip64EndSize];
            ReadAt(U64(locator + 8), zip64, sizeof zip64);
            if (U32(zip64) != Zip64EndSignature) throw ZipError(ZipInvalid);
            place = {U64(zip64 + 32), U64(zip64 + 40), U64(zip64 + 48)};
        }
    }
    // A count the directory cannot hold would have us read far past it.
    if (place.Offset > FArchiveSize || place.Size > FArchiveSize - place.Offset ||
        place.Count > place.Size / CentralHeaderSize)
        throw ZipError(ZipInvalid);
    return place;
}

void ZipExtractor::ReadDirectory(const DirectoryPlace& place) {
    std::vector<unsigned char> directory(static_cast<size_t>(place.Size));
    ReadAt(place.Offset, directory.data(), directory.size());
    FEntries.reserve(static_cast<size_t>(place.Count));
    size_t at = 0;
    for (std::uint64_t k = 1; k <= place.Count; ++k) {
        if (at + CentralHeaderSize > directory.size() || U32(&directory[at]) != CentralHeaderSignature)
            throw ZipError(ZipInvalid);
        const unsigned char* p = &directory[at];
        ZipEntry entry;
        entry.VersionMadeBy = U16(p + 4);
        entry.VersionNeeded = U16(p + 6);
        entry.Flags = U16(p + 8);
        entry.Method = U16(p + 10);
        entry.DosTime = U16(p + 12);
        entry.DosDate = U16(p + 14);
        entry.Crc = U32(p + 16);
        entry.CompressedSize = U32(p + 20);
        entry.UncompressedSize = U32(p + 24);
        size_t nameSize = U16(p + 28), extraSize = U16(p + 30), commentSize = U16(p + 32);
        entry.ExternalAttributes = U32(p + 38);
        entry.LocalHeaderOffset = U32(p + 42);
        if (at + CentralHeaderSize + nameSize + extraSize + commentSize > directory.size())
            throw ZipError(ZipInvalid);
        std::string raw(reinterpret_cast<const char*>(p + CentralHeaderSize), nameSize);
        const unsigned char* extra = p + CentralHeaderSize + nameSize;
        ReadZip64Fields(entry, extra, extraSize);
        entry.FileName = DecodeName(raw, entry.Flags, extra, extraSize);
        FEntries.push_back(std::move(entry));
        at += CentralHeaderSize + nameSize + extraSize + commentSize;
        bool abort = false;
        if (OnArchiveProgress) OnArchiveProgress(static_cast<int>(k * 100 / place.Count), abort);
        if (abort) throw ZipError(UserAbort);
    }
}

void ZipExtractor::ReadZip64Fields(ZipEntry& entry, const unsigned char* extra, size_t extraSize) {
    // The sizes and the offset stand in the ZIP64 field, in this order, where the record
    // holds the escape value.
    for (size_t e = 0; e + 4 <= extraSize;) {
        std::uint16_t id = U16(extra + e), size = U16(extra + e + 2);
        if (e + 4 + size > extraSize) break;
        if (id == Zip64ExtraId) {
            const unsigned char* value = extra + e + 4;
            size_t left = size;
            for (std::uint64_t* field :
                 {&entry.UncompressedSize, &entry.CompressedSize, &entry.LocalHeaderOffset}) {
                if (*field != Zip64Escape) continue;
                if (left < 8) throw ZipError(ZipInvalid);
                *field = U64(value);
                value += 8;
                left -= 8;
            }
        }
        e += 4 + size;
    }
}

void ZipExtractor::FindEntryData() {
    // Each entry's data begin after its local header, whose name and extra field may differ
    // in length from the directory's.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;
    for (ZipEntry& entry : FEntries) {
        unsigned char local[LocalHeaderSize];
        std::uint64_t headerEnd = entry.LocalHeaderOffset + LocalHeaderSize;
        if (TryReadAt(entry.LocalHeaderOffset, local, sizeof local) && U32(local) == LocalHeaderSignature) {
            headerEnd += U16(local + 26) + U16(local + 28);
            entry.DataOffset = headerEnd;
        }
        // A damaged local header fails its entry only: its span is the least it takes.
        if (!entry.IsFolder() || entry.CompressedSize > 0)
            spans.push_back({entry.LocalHeaderOffset, headerEnd + entry.CompressedSize});
    }
    // Entries that share their bytes let a small archive write without bound (a "zip bomb").
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second)
            throw ZipError(ZipInvalid, "Einträge überlappen sich, eine Zip-Bombe");
}

void ZipExtractor::ExtractFiles(const std::string& mask) {
    if (FFileName.empty() || !FArchive) throw ZipError(NoArchive);
    if (!FUsable) throw ZipError(ZipInvalid);
    const size_t count = FEntries.size();
    if (count == 0) return;
    FCheckedFolder.clear(); // folders may have come or gone since the last archive
    try {
        for (size_t i = 1; i <= count; ++i) {
            const ZipEntry& entry = FEntries[i - 1];
            if (!entry.IsFolder() && MaskMatches(mask, ExtractFileName(entry.FileName))) ExtractEntry(entry);
            bool abort = false;
            if (OnArchiveProgress) OnArchiveProgress(static_cast<int>(i * 100 / count), abort);
            if (abort) throw ZipError(UserAbort);
        }
    } catch (...) {
        // Cut short (Cancel, a folder gone): the entries written whole get their names, what
        // was being written goes; the archive fails as a whole, not entry by entry.
        try {
            NameFinishedFiles(false);
        } catch (...) {
            ForgetFinishedFiles();
        }
        throw;
    }
    NameFinishedFiles(true);
    bool ignored = false;
    if (OnArchiveProgress) OnArchiveProgress(100, ignored);
}

void ZipExtractor::NameFinishedFiles(bool reportFailures) {
    std::vector<FinishedFile> files;
    files.swap(FFinishedFiles);
    FFinishedNames.clear();
    const std::vector<int> outcomes = FFinished.Commit(
        [this](const std::string& target) {
            // It turned up while the archive was unpacked: the same question as for any existing file.
            std::string name = ExistingTarget(target);
            bool confirm = true;
            if (OnConfirmOverwrite) OnConfirmOverwrite(name, confirm);
            return confirm;
        },
        [this] {
            if (ItemProgress) ItemProgress(100);
        });
    for (size_t i = 0; i < outcomes.size(); ++i) {
        if (outcomes[i] == FileBatch::Named && OnItemExtracted) OnItemExtracted(*files[i].Entry);
        if (outcomes[i] > 0 && reportFailures && OnItemFailure)
            OnItemFailure(*files[i].Entry, FormatText("Datei \"%s\" kann nicht geschrieben werden. %s",
                                                      {files[i].Target, std::strerror(outcomes[i])}));
    }
}

void ZipExtractor::ForgetFinishedFiles() {
    FFinished.Discard();
    FFinishedFiles.clear();
    FFinishedNames.clear();
}

void ZipExtractor::ExtractEntry(const ZipEntry& entry) {
    if (ItemProgress) ItemProgress(0);
    std::string bare, reason;
    if (!BareName(entry.FileName, bare, reason)) {
        if (OnItemFailure) OnItemFailure(entry, reason);
        return;
    }
    std::string base = AppliedBaseDirectory();
    std::string target = base.empty() || base.back() == '/' || base.back() == '\\' || base.back() == ':'
                             ? base + bare
                             : base + PathDelimiter + bare;
    std::error_code ec;
    std::string folder = ExtractFilePath(target);
    // Archives hold many files per folder: each folder is looked at once per archive, and
    // what an interrupted run left half written there goes then.
    if (folder != FCheckedFolder) {
        RequireFolder(folder);
        RemoveLeftoverTemporaries(folder);
        FCheckedFolder = folder;
    }
    // An archive that holds a name twice: the first must have its name before the second is
    // written, so that the second meets it as an existing file.
    if (FFinishedNames.count(UpperCase(bare))) NameFinishedFiles(true);
    bool replace = false;
    if (fs::exists(FilePath(target), ec)) {
        // The question names the file that would be replaced, as the file system holds it,
        // so that a protected file is recognised whatever spelling reached it.
        target = ExistingTarget(target);
        bool confirm = true;
        if (OnConfirmOverwrite) OnConfirmOverwrite(target, confirm);
        if (!confirm) return;
        replace = true;
    }

    try {
        if ((entry.VersionNeeded & 0xFF) >= NewestVersionSupported)
            throw EntryFailure("Cannot extract file - newer version required");
        if (entry.Flags & (EncryptedFlag | StrongEncryptionFlag) || entry.Method == AesMethod)
            throw EntryFailure("Cannot extract file - invalid password (die Datei ist verschlüsselt)");
        if (entry.Method != 0 && entry.Method != 8)
            throw EntryFailure("Cannot extract file - unsupported compression method (" +
                               MethodName(entry.Method) + ")");
        // The entry is written under a temporary name and named with the rest of the archive
        // once whole: a damaged entry, a full disk or a kill never costs the file it would
        // have replaced, and never leaves half a file under a name.
        ReplacingFile file(target);
        if (int error = file.Open(entry.UncompressedSize)) {
            // The folder went since it was looked at: the archive fails as it would have then.
            if (error == ENOENT) RequireFolder(folder);
            throw EntryFailure(FormatText("Datei \"%s\" kann nicht erstellt werden. %s",
                                          {Utf8Of(fs::absolute(FilePath(target))), std::strerror(error)}));
        }
        if (entry.UncompressedSize > 0) WriteEntryData(entry, file);
        if (int error = file.Finish())
            throw EntryFailure(
                FormatText("Datei \"%s\" kann nicht geschrieben werden. %s", {target, std::strerror(error)}));
        ApplyTimeAndAttributes(entry, file.TemporaryPath(), FZone);
        FFinished.Add(file, replace);
        FFinishedFiles.push_back({&entry, target});
        FFinishedNames.insert(UpperCase(bare));
    } catch (const EntryFailure& failure) {
        if (OnItemFailure) OnItemFailure(entry, failure.what());
    }
}

namespace {

// Entries this large are inflated on a second thread while the file takes what came before;
// for smaller ones a thread would cost more than it saves.
constexpr std::uint64_t PipelineFrom = 4 * ChunkSize;

} // namespace

void ZipExtractor::ProduceEntryData(const ZipEntry& entry, const Deliver& deliver) {
    std::uint64_t at = entry.DataOffset, left = entry.CompressedSize;
    auto readChunk = [&]() -> size_t {
        size_t n = static_cast<size_t>(std::min<std::uint64_t>(left, FInput.size()));
        if (n == 0) return 0;
        if (!TryReadAt(at, FInput.data(), n)) throw EntryFailure(ZipInvalid);
        at += n;
        left -= n;
        return n;
    };
    if (entry.Method == 0) {
        while (size_t n = readChunk())
            deliver(FInput.data(), n);
        return;
    }
    RawInflate& inflater = FInflater;
    inflater.Reset();
    for (bool finished = false; !finished;) {
        if (inflater.NeedsInput()) {
            size_t n = readChunk();
            if (n == 0) throw EntryFailure("beschädigte Daten: unvollständig");
            inflater.Input(FInput.data(), n);
        }
        std::string damage;
        size_t produced = inflater.Inflate(FOutput.data(), FOutput.size(), finished, damage);
        if (!damage.empty()) throw EntryFailure(damage);
        if (produced > 0) deliver(FOutput.data(), produced);
    }
}

void ZipExtractor::WriteEntryData(const ZipEntry& entry, ReplacingFile& target) {
    if (entry.DataOffset == 0) throw EntryFailure(ZipInvalid); // the local header is damaged
    const std::uint64_t dataStart = entry.DataOffset;
    if (dataStart > FArchiveSize || entry.CompressedSize > FArchiveSize - dataStart)
        throw EntryFailure(ZipInvalid);

    std::uint64_t written = 0;
    std::uint32_t crc = 0;
    int reported = 0;
    auto write = [&](const unsigned char* data, size_t size) {
        // More data than declared is damage; it would let an archive write without bound.
        if (size > entry.UncompressedSize - written)
            throw EntryFailure("beschädigte Daten: mehr Daten als angegeben");
        if (int error = target.Write(data, size))
            throw EntryFailure(FormatText("Datei \"%s\" kann nicht geschrieben werden. %s",
                                          {target.Path(), std::strerror(error)}));
        written += size;
        int progress = static_cast<int>(written * 100 / entry.UncompressedSize);
        if (progress != reported) {
            reported = progress;
            if (ItemProgress) ItemProgress(progress);
            bool abort = false;
            if (OnArchiveItemProgress) OnArchiveItemProgress(entry, progress, abort);
            // Stops in the middle of the entry: its file goes, the file it would replace stays.
            if (abort) throw ZipError(UserAbort);
        }
    };
    // The CRC is taken where the data are made, on the worker for a large entry.
    auto checked = [&crc](Deliver next) {
        return [&crc, next = std::move(next)](const unsigned char* data, size_t size) {
            crc = Crc32(crc, data, size);
            next(data, size);
        };
    };
    if (entry.UncompressedSize < PipelineFrom) {
        ProduceEntryData(entry, checked(write));
    } else {
        EntryPipeline pipeline([&](const Deliver& put) { ProduceEntryData(entry, checked(put)); });
        std::vector<unsigned char> block;
        while (pipeline.Next(block))
            write(block.data(), block.size());
    }
    if (written != entry.UncompressedSize)
        throw EntryFailure("beschädigte Daten: weniger Daten als angegeben");
    if (crc != entry.Crc) throw EntryFailure("beschädigte Daten: CRC-Fehler");
}

} // namespace tv
