#include "util/RunLog.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "util/Paths.h"

namespace tv {

std::string TimeStamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    char text[32] = {};
    // One thread writes the log: the C library's shared result of localtime is safe here.
    if (const std::tm* local = std::localtime(&seconds)) // NOLINT(concurrency-mt-unsafe)
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
    char withMillis[40] = {};
    std::snprintf(withMillis, sizeof withMillis, "%s.%03d", text, static_cast<int>(millis));
    return withMillis;
}

namespace {

std::string OneLine(const std::string& text) {
    std::string line;
    line.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            line += c;
            continue;
        }
        // "\n\r", "\r\n" and lone breaks alike: one separator.
        if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n') && text[i + 1] != c) ++i;
        line += " | ";
    }
    return line;
}

} // namespace

std::string EarlierRunLogName(const std::string& path, int number) {
    const std::filesystem::path file = FilePath(path);
    std::filesystem::path name = file.stem();
    name += "." + std::to_string(number);
    name += file.extension();
    return Utf8Of(file.parent_path() / name);
}

namespace {

// Readable by its owner alone: a log tells how this machine is set up. On Windows the
// temporary folder's access list does the same; there this changes nothing.
void RestrictToOwner(const std::string& path) {
    std::error_code ignored;
    std::filesystem::permissions(FilePath(path),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::replace, ignored);
}

} // namespace

bool RunLog::Open(const std::string& path) {
    FFile.close();
    FPath = path;
    std::error_code ignored; // a log that cannot move aside is overwritten, never a reason to stop
    std::filesystem::remove(FilePath(EarlierRunLogName(path, KeptRunLogs)), ignored);
    for (int number = KeptRunLogs - 1; number >= 1; --number)
        std::filesystem::rename(FilePath(EarlierRunLogName(path, number)),
                                FilePath(EarlierRunLogName(path, number + 1)), ignored);
    if (FileExists(path))
        std::filesystem::rename(FilePath(path), FilePath(EarlierRunLogName(path, 1)), ignored);
    // Logs of earlier versions were readable by all users.
    for (int number = 1; number <= KeptRunLogs; ++number)
        if (FileExists(EarlierRunLogName(path, number))) RestrictToOwner(EarlierRunLogName(path, number));
    return OpenFile(std::ios::trunc);
}

bool RunLog::Append(const std::string& path) {
    FFile.close();
    FPath = path;
    return OpenFile(std::ios::app);
}

bool RunLog::OpenFile(std::ios::openmode mode) {
    if (mode == std::ios::trunc) { // emptied, then written at its end: a line a second start adds stays
        FFile.open(FilePath(FPath), std::ios::out | std::ios::trunc | std::ios::binary);
        FFile.close();
    }
    FFile.open(FilePath(FPath), std::ios::out | std::ios::app | std::ios::binary);
    if (!FFile.is_open()) {
        Fail("Das Protokoll " + FPath +
             " kann nicht geschrieben werden; die Installation läuft ohne Protokoll.");
        return false;
    }
    RestrictToOwner(FPath); // still empty, or only what an earlier run of this version wrote
    return true;
}

void RunLog::Line(const std::string& text) {
    if (!FFile.is_open()) return;
    FFile << TimeStamp() << "  " << OneLine(text) << "\n";
    FFile.flush(); // a run that ends hard still leaves what happened until then
    if (!FFile) {
        FFile.close();
        Fail("Das Protokoll " + FPath +
             " kann nicht weiter geschrieben werden; die Installation läuft weiter.");
    }
}

void RunLog::Fail(const std::string& warning) {
    if (FWarned) return;
    FWarned = true;
    if (OnFailure) OnFailure(warning);
}

} // namespace tv
