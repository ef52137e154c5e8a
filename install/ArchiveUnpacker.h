// Unpacks database archives into the data folder: never over a customer's live database,
// every entry that cannot be written noted while the rest are written, each step in the
// run log. Whoever runs it shows the progress through the extractor's events.
#pragma once

#include <string>

#include "host/ZipExtractor.h"
#include "util/RunLog.h"

namespace tv {

class ArchiveUnpacker {
public:
    explicit ArchiveUnpacker(RunLog& log) : FLog(log) {}

    ZipExtractor& Extractor() { return FExtractor; }
    // Unpacks every entry of `archivePath` below `targetFolder`; throws ZipError for an
    // archive that cannot be read. Entries that cannot be written are noted in FirstFailure.
    void Unpack(const std::string& archivePath, const std::string& targetFolder,
                const std::string& tempFolder);
    // The line of the first entry of the last archive that could not be written; empty when
    // every entry was written or kept.
    const std::string& FirstFailure() const { return FFirstFailure; }

    // The live-file rule: false for an existing database of the customer's, which stays.
    bool MayOverwrite(const std::string& name);
    // Notes an entry that could not be written; returns the line the user reads.
    std::string EntryFailed(const ZipEntry& item, const std::string& reason);
    void EntryExtracted(const ZipEntry& item);
    // The line below the bar for the entry that begins: "db_base.zip – Datei 1 von 2"; empty
    // while the archive is opened.
    std::string NextEntryLine();

private:
    RunLog& FLog;
    ZipExtractor FExtractor;
    std::string FFirstFailure;
    std::string FArchiveName; // for the line below the bar
    int FEntry = 0;           // the entry being unpacked, counted from 1
    int FEntries = 0;         // the archive's files
};

// A damaged archive's line for the error list: the extractor's fixed texts say neither
// which archive failed nor why.
std::string ArchiveFailureLine(const std::string& archiveName, const ZipError& error);

} // namespace tv
