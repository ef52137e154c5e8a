#include "source/PackageSource.h"

#include <chrono>
#include <cstring>
#include <ctime>
#include <exception>
#include <filesystem>
#include <iterator>
#include <thread>

#include "host/AtomicFile.h"
#include "source/ServerConfig.h"
#include "util/Failure.h"
#include "util/Paths.h"
#include "util/Strings.h"
#include "util/TextFile.h"

namespace tv {

namespace {

// The pauses before the further tries of a broken download: five, doubling.
constexpr int RetryPauses[] = {1, 2, 4, 8, 16}; // in RetryPauseUnit
constexpr size_t ManifestLimit = 4 << 20;
// How often a pause looks at the window: Cancel must act at once.
constexpr auto RetryPauseSlice = std::chrono::milliseconds(50);

double RunClock() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

std::string PackageFilePath(const std::string& folder, const std::string& fileName) {
    // A name from the manifest with a folder part could make the wizard write, or unpack
    // from, anywhere on the machine.
    if (fileName.empty() || fileName == "." || fileName == ".." ||
        fileName.find_first_of("/\\:") != std::string::npos)
        throw Failure("Ungültiger Dateiname im Paketverzeichnis: '" + fileName + "'");
    return IncludeTrailingPathDelimiter(folder) + fileName;
}

std::string PackageSetFolder(const std::string& setFolder) {
    const std::string packages = IncludeTrailingPathDelimiter(setFolder) + "Packages" + PathDelimiter;
    return DirectoryExists(packages) ? packages : IncludeTrailingPathDelimiter(setFolder);
}

ManifestFile ReadManifestFile(const std::string& path) {
    ManifestFile file;
    if (!FileExists(path)) return file;
    file.Bytes = ReadFileBytes(path);
    if (FileExists(path + ".sig")) file.Signature = ReadFileBytes(path + ".sig");
    return file;
}

std::vector<std::string> ManifestFile::Lines() const {
    return SplitLines(DecodeText(Bytes).Text);
}

PackageSource::PackageSource(RunLog& log, SourceEvents& events) : FLog(log), FEvents(events) {
    FClient.OnAnswer = [this](const AnswerRecord& answer) {
        FLog.Line(FormatText("HTTP %s %s: %d, %s Bytes, %s s",
                             {answer.Method, answer.Address, std::to_string(answer.Status),
                              std::to_string(answer.Bytes), GermanDecimal(answer.Seconds, 3)}));
    };
    // A server that keeps silent must not freeze the window: Cancel stays usable.
    FClient.Transport().WhileWaiting = [this] { FEvents.PumpMessages(); };
    FClient.Transport().RouteFor = [this](const std::string& host, int port,
                                          const std::function<bool()>& keepWaiting) {
        return RouteFor(host, port, keepWaiting);
    };
    FClient.Transport().OnRoute = [this](const ProxyRoute& route) {
        std::string line =
            route.Direct()
                ? "Verbindung direkt (" + route.Why + ")"
                : FormatText("Verbindung über den Proxy %s (%s)%s",
                             {route.Shown(), route.Why, route.User.empty() ? "" : ", mit Anmeldung (Basic)"});
        if (line == FLastRoute) return;
        FLastRoute = line;
        FLog.Line(line);
    };
}

void PackageSource::UseProxy(const ProxySettings& settings) {
    FProxy = settings;
}

ProxyRoute PackageSource::RouteFor(const std::string& host, int port,
                                   const std::function<bool()>& keepWaiting) const {
    ProxyRoute route;
    if (FProxy.Address == "DIRECT") {
        route.Why = "Schalter /PROXY=DIRECT";
    } else if (FProxy.Address) {
        route = ParseProxyAddress(*FProxy.Address).value_or(ProxyRoute{});
        route.Why = "Schalter /PROXY";
    } else {
        route = SystemProxyRoute(host, port, keepWaiting);
    }
    if (!route.Direct() && !FProxy.User.empty()) {
        route.User = FProxy.User;
        route.Password = FProxy.Password;
    }
    return route;
}

ManifestFile PackageSource::FetchManifest() {
    ManifestFile file;
    file.Bytes = FetchSmallFile("install.ini", "Das Paketverzeichnis des Servers");
    // Only a program with keys asks for the signature: without, nothing would check it.
    if (!TrustedKeys.empty()) {
        try {
            file.Signature = FetchSmallFile("install.ini.sig", "Die Signatur des Paketverzeichnisses");
        } catch (const StatusFailure& e) {
            if (e.Status() != 404) throw; // none there: refused as unsigned
        }
    }
    return file;
}

std::string PackageSource::FetchSmallFile(const std::string& name, const std::string& shownName) {
    // A manifest is a few kilobytes: a body without end must not fill the memory.
    MemorySink sink(ManifestLimit, FormatText("%s ist größer als %d MiB: die Antwort wurde abgebrochen.",
                                              {shownName, std::to_string(ManifestLimit >> 20)}));
    TransferScope transfer(FTransfers);
    FClient.Get(InstallationFolderAddress() + name, sink);
    return sink.Data;
}

std::vector<std::string> PackageSource::AcceptManifest(const ManifestFile& file, const std::string& source,
                                                       std::optional<std::int64_t> highestSerial,
                                                       std::optional<ManifestRelease>& release) {
    release.reset();
    if (file.Bytes.empty()) return {}; // nothing offered, nothing to trust
    release = CheckManifest({file.Bytes, file.Signature, TrustedKeys,
                             static_cast<std::int64_t>(std::time(nullptr)), highestSerial, source});
    if (release)
        FLog.Line(FormatText("Paketverzeichnis %s: signiert, Serial %s, gültig bis %s",
                             {source, std::to_string(release->Serial), UtcTimeText(release->Expires)}));
    else
        FLog.Line(FormatText(
            "Paketverzeichnis %s: ohne Signaturprüfung (dieses Programm hat keinen Schlüssel)", {source}));
    return file.Lines();
}

void PackageSource::LoadDigests(const std::vector<std::string>& lines) {
    FDigests = PackageDigests::FromManifest(lines);
    if (FDigests.Count() > 0)
        FLog.Line(
            FormatText("Prüfsummen im Paketverzeichnis: %d Dateien", {std::to_string(FDigests.Count())}));
}

std::string PackageSource::Connect() {
    if (FClient.Connected()) return "";
    try {
        TransferScope transfer(FTransfers);
        FClient.BasicAuthentication = true;
        FClient.UserName = AccountName();
        FClient.Password = AccountPassword;
        FClient.CacheControl = "no-cache";
        MemorySink answer;
        FClient.Post(LoginPageAddress(), answer);
        if (!FClient.Connected()) FClient.Connect();
        return "";
    } catch (const std::exception& e) {
        return e.what();
    }
}

bool PackageSource::HasVerifiedCopy(const std::string& fileName, const std::string& path) {
    if (!FDigests.Matches(fileName, path)) return false;
    FLog.Line(FormatText("%s liegt mit stimmender Prüfsumme in %s: nicht erneut geladen",
                         {fileName, ExtractFilePath(path)}));
    return true;
}

void PackageSource::Verify(const std::string& fileName, const std::string& path,
                           const std::string& computed) {
    const std::string* listed = FDigests.Find(fileName);
    if (!listed) return;
    const std::string actual = computed.empty() ? FileSha256(path) : computed;
    if (actual == *listed) {
        FLog.Line(FormatText("Prüfsumme von %s stimmt: %s", {fileName, actual}));
        return;
    }
    FLog.Line(
        FormatText("Prüfsumme von %s stimmt nicht: erwartet %s, erhalten %s", {fileName, *listed, actual}));
    throw Failure(
        FormatText("Die Datei %s ist beschädigt oder wurde verändert (Prüfsumme stimmt nicht).", {fileName}));
}

bool PackageSource::Fetch(const std::string& address, const std::string& fileName, const std::string& path) {
    // The bytes go to a temporary beside the file, which takes the file's name only whole and
    // verified: a kill leaves no half download under the name (an earlier one's leftovers go now).
    RemoveLeftoverTemporaries(ExtractFilePath(path));
    // Removed unless named, after the file is closed (Windows removes no open file).
    struct Partial {
        const std::string Path;
        bool Named = false;
        ~Partial() {
            std::error_code ignored;
            if (!Named) std::filesystem::remove(FilePath(Path), ignored);
        }
    } partial{TemporaryNameOf(path)};
    ResumingFile file(partial.Path, path);
    file.ListedSize = FDigests.ListedSize(fileName);
    file.FreeSpaceMargin = FreeSpaceMargin;
    const auto started = std::chrono::steady_clock::now();
    FetchResuming(address, fileName, file);
    file.Close();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const auto bytes = static_cast<double>(file.Size());
    FLog.Line(FormatText("Download %s: %s MB in %s s (%s MB/s)",
                         {fileName, GermanDecimal(bytes / 1e6, 1), GermanDecimal(seconds, 2),
                          GermanDecimal(seconds > 0 ? bytes / 1e6 / seconds : 0, 1)}));
    if (!FEvents.RunGoesOn()) return false; // a download that ended after an abort counts as none
    Verify(fileName, partial.Path, file.HexDigest());
    if (int error = NameFile(partial.Path, path, true))
        throw Failure("Die Datei " + path + " kann nicht geschrieben werden: " + std::strerror(error));
    partial.Named = true;
    return true;
}

void PackageSource::FetchResuming(const std::string& address, const std::string& fileName,
                                  ResumingFile& file) {
    struct Download { // the client's range and the progress offset last only as long as the fetch
        PackageSource& Source;
        ~Download() {
            Source.FClient.RangeFrom = 0;
            Source.FClient.IfRange.clear();
            Source.FDownload = nullptr;
        }
    } scope{*this};
    FDownload = &file;
    std::exception_ptr firstFailure;
    bool broken = false; // a try reached its body and then broke: from now on tries go on
    bool restarted = false;
    for (size_t retry = 0;;) {
        file.BeginTry();
        const bool resume = file.Size() > 0 && !file.Validator().empty();
        if (!resume && file.Size() > 0) file.Restart(); // nothing guards a range: anew
        FClient.RangeFrom = resume ? file.Size() : 0;
        FClient.IfRange = resume ? file.Validator() : "";
        try {
            TransferScope transfer(FTransfers);
            FClient.Get(address, file);
            return;
        } catch (const std::exception& e) {
            if (!FEvents.RunGoesOn()) throw; // Cancel: never a reason to try again
            const auto* status = dynamic_cast<const StatusFailure*>(&e);
            // A range the server cannot continue: the file starts anew, once; the next time it fails.
            const bool rangeRefused =
                resume && (dynamic_cast<const RangeMismatch*>(&e) || (status && status->Status() == 416));
            if (rangeRefused && !restarted) {
                restarted = true;
                FLog.Line(FormatText("Download %s: %s; die Datei wird neu geladen", {fileName, e.what()}));
                file.Restart();
                continue;
            }
            if (!firstFailure) firstFailure = std::current_exception();
            broken = broken || file.BodyStarted();
            if (!broken || status || rangeRefused || file.WriteFailed() || retry >= std::size(RetryPauses)) {
                if (retry > 0) FLog.Line(FormatText("Download %s aufgegeben: %s", {fileName, e.what()}));
                std::rethrow_exception(firstFailure); // the user reads what broke first, as without tries
            }
            const auto pause = RetryPauses[retry++] * RetryPauseUnit;
            FLog.Line(FormatText("Download %s abgebrochen bei %s Bytes (%s); Versuch %d von %d in %s s",
                                 {fileName, std::to_string(file.Size()), e.what(), std::to_string(retry),
                                  std::to_string(std::size(RetryPauses)),
                                  GermanDecimal(std::chrono::duration<double>(pause).count(), 0)}));
            if (!PauseBeforeRetry(pause)) throw; // cancelled during the pause
        }
    }
}

bool PackageSource::PauseBeforeRetry(std::chrono::milliseconds pause) {
    const auto until = std::chrono::steady_clock::now() + pause;
    while (std::chrono::steady_clock::now() < until) {
        FEvents.PumpMessages(); // Cancel works at once, also now
        if (!FEvents.RunGoesOn()) return false;
        std::this_thread::sleep_for(RetryPauseSlice);
    }
    return true;
}

DownloadProgress PackageSource::WorkBegin(std::int64_t workCountMax) {
    const auto offset = static_cast<std::int64_t>(FDownload ? FDownload->Offset() : 0);
    if (workCountMax > 0) workCountMax += offset;
    FRate.Start(workCountMax, RunClock());
    return {0, static_cast<std::int32_t>(workCountMax / 1000), FRate.Line(), true};
}

DownloadProgress PackageSource::Work(std::int64_t workCount) {
    workCount += static_cast<std::int64_t>(FDownload ? FDownload->Offset() : 0);
    const bool due = FRate.Update(workCount, RunClock());
    return {static_cast<std::int32_t>(workCount / 1000), 0, due ? FRate.Line() : "", due};
}

} // namespace tv
