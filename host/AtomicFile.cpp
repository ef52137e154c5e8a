#include "host/AtomicFile.h"

#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <set>

#include "util/Failure.h"
#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view TemporarySuffix = ".tvnew";
// How often the window gets a turn while the disk catches up.
constexpr auto WaitingSlice = std::chrono::milliseconds(50);

} // namespace

std::string TemporaryNameOf(const std::string& path) {
    return path + std::string(TemporarySuffix);
}

bool IsTemporaryName(const std::string& name) {
    return name.size() > TemporarySuffix.size() &&
           SameText(name.substr(name.size() - TemporarySuffix.size()), TemporarySuffix);
}

void RemoveLeftoverTemporaries(const std::string& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(FilePath(folder.empty() ? "." : folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code ignored; // one that cannot go is overwritten when its name is used again
        if (IsTemporaryName(Utf8Of(it->path().filename())) && it->is_regular_file(ignored))
            fs::remove(it->path(), ignored);
    }
}

FileBatch::~FileBatch() {
    Discard();
}

void FileBatch::Add(ReplacingFile& file, bool replace) {
    std::string target = file.Path();
    FItems.push_back({file.Release(), std::move(target), replace});
}

void FileBatch::Discard() {
    std::error_code ignored;
    for (const Item& item : FItems)
        fs::remove(FilePath(item.Temporary), ignored);
    FItems.clear();
}

std::vector<int> FileBatch::Commit(const std::function<bool(const std::string&)>& existing,
                                   const std::function<void()>& waiting) {
    std::vector<int> outcomes(FItems.size(), Named);
    if (FItems.empty()) return outcomes;
    std::set<std::string> folders;
    for (const Item& item : FItems)
        folders.insert(ExtractFilePath(item.Target));
    // The data before any name: a name on the disk always stands for whole data. Flushing
    // may take seconds after a large file; the window stays live meanwhile.
    int flushed = 0;
    for (const std::string& folder : folders) {
        auto flush = std::async(std::launch::async, [&folder] { return FlushFileData(folder); });
        while (flush.wait_for(WaitingSlice) != std::future_status::ready)
            if (waiting) waiting();
        if (int error = flush.get()) flushed = error;
    }
    for (size_t i = 0; i < FItems.size(); ++i) {
        Item& item = FItems[i];
        int& outcome = outcomes[i];
        outcome = flushed ? flushed : NameFile(item.Temporary, item.Target, item.Replace);
        // A name that turned up since it was looked at is an existing file like any other.
        if (outcome == EEXIST)
            outcome =
                existing && existing(item.Target) ? NameFile(item.Temporary, item.Target, true) : KeptOut;
        std::error_code ignored;
        if (outcome != Named) fs::remove(FilePath(item.Temporary), ignored);
    }
    FItems.clear();
    for (const std::string& folder : folders)
        if (int error = FlushFolder(folder))
            for (int& outcome : outcomes)
                if (outcome == Named) outcome = error;
    return outcomes;
}

void ReplaceFileContent(const std::string& path, std::string_view bytes) {
    ReplacingFile file(path);
    int error = file.Open();
    if (!error) error = file.Write(bytes.data(), bytes.size());
    if (!error) error = file.Commit();
    if (error)
        throw Failure("Die Datei " + path + " konnte nicht geschrieben werden: " + std::strerror(error));
}

} // namespace tv
