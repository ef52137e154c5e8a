#include "install/ArchiveUnpacker.h"

#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

namespace {

// Live databases of the customer: an existing file of these names is never written over.
const char* const NotOverwrite[] = {"nv.db", "nv_img.db", "nv_sec.db"};

} // namespace

void ArchiveUnpacker::Unpack(const std::string& archivePath, const std::string& targetFolder,
                             const std::string& tempFolder) {
    FLog.Line(FormatText("Archiv %s wird nach %s entpackt", {archivePath, targetFolder}));
    FFirstFailure.clear();
    FExtractor.TempDirectory = tempFolder;
    FExtractor.BaseDirectory = targetFolder;
    FEntry = 0;
    FEntries = 0; // opening reports a progress of its own, before any entry begins
    FExtractor.SetFileName(archivePath);
    FArchiveName = ExtractFileName(archivePath);
    for (const ZipEntry& entry : FExtractor.Entries())
        FEntries += entry.IsFolder() ? 0 : 1;
    FExtractor.ExtractFiles("*.*");
    FExtractor.SetFileName("");
}

bool ArchiveUnpacker::MayOverwrite(const std::string& name) {
    for (const char* kept : NotOverwrite)
        if (SameText(ExtractFileName(name), kept)) {
            FLog.Line("Behalten, da in Gebrauch: " + name);
            return false;
        }
    return true;
}

std::string ArchiveUnpacker::EntryFailed(const ZipEntry& item, const std::string& reason) {
    // The file is missing or damaged: the user must see which one and why.
    std::string line = FormatText("Datei %s wurde nicht entpackt: %s", {item.FileName, reason});
    if (FFirstFailure.empty()) FFirstFailure = line;
    return line;
}

void ArchiveUnpacker::EntryExtracted(const ZipEntry& item) {
    FLog.Line(FormatText("Entpackt: %s (%s Bytes)", {item.FileName, std::to_string(item.UncompressedSize)}));
}

std::string ArchiveUnpacker::NextEntryLine() {
    if (FEntries == 0) return "";
    return FormatText("%s \u2013 Datei %d von %d",
                      {FArchiveName, std::to_string(++FEntry), std::to_string(FEntries)});
}

std::string ArchiveFailureLine(const std::string& archiveName, const ZipError& error) {
    const std::string detail = error.Detail().empty() ? "" : " (" + error.Detail() + ")";
    return FormatText("Archiv %s: %s%s", {archiveName, error.what(), detail});
}

} // namespace tv
