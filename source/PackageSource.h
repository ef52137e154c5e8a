// Where the package files come from and whether they are the vendor's: the connection to
// the update server, the manifest's digests, and downloads that break and go on. Whoever
// runs it keeps the manifest, shows the progress and says whether the run still goes on.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "source/ManifestTrust.h"
#include "source/PackageDigests.h"
#include "source/ResumingFile.h"
#include "source/TransferRate.h"
#include "source/http/HttpClient.h"
#include "util/RunLog.h"

namespace tv {

// What a package source asks of the one who runs it.
class SourceEvents {
public:
    virtual ~SourceEvents() = default;
    // Handles the window's pending events: Cancel must act during a transfer and a pause.
    virtual void PumpMessages() = 0;
    // False once the run was aborted: a broken download is then not tried again.
    virtual bool RunGoesOn() const = 0;
};

// The package file `fileName` in `folder`; refuses names that would leave the folder.
std::string PackageFilePath(const std::string& folder, const std::string& fileName);
// Where a package set's files lie: its "Packages" folder, or beside its manifest when it
// has none. With a trailing delimiter.
std::string PackageSetFolder(const std::string& setFolder);

// A manifest as it came, with its signature file's text where there is one.
struct ManifestFile {
    std::string Bytes;
    std::optional<std::string> Signature;
    std::vector<std::string> Lines() const;
};

// The manifest file at `path` and "<path>.sig" beside it; empty when there is no file.
ManifestFile ReadManifestFile(const std::string& path);

// The progress bar's values for a download's progress, in thousands of bytes, and the
// speed line below it; LineDue says whether the line is to be shown anew.
struct DownloadProgress {
    std::int32_t Position = 0;
    std::int32_t Max = 0;
    std::string Line;
    bool LineDue = false;
};

// The proxy as the command line names it; the system's setting serves where it names none.
struct ProxySettings {
    std::optional<std::string> Address; // "host:port", or "DIRECT" for none
    std::string User;                   // for Basic authentication at the proxy
    std::string Password;
};

class PackageSource {
public:
    // Every HTTP answer goes to `log`; while a request waits, the window's events are handled.
    PackageSource(RunLog& log, SourceEvents& events);

    // The manifest from the update server, with its signature when this program has keys;
    // throws for a failed fetch.
    ManifestFile FetchManifest();
    // The lines of a manifest that this program may use (ManifestTrust.h), the release of a
    // signed one in `release`; throws Failure with the reason for one it may not.
    std::vector<std::string> AcceptManifest(const ManifestFile& file, const std::string& source,
                                            std::optional<std::int64_t> highestSerial,
                                            std::optional<ManifestRelease>& release);
    // Every connection from now on takes its route from `settings`, or from the system's
    // setting where they name no proxy; the log names each route and why once.
    void UseProxy(const ProxySettings& settings);
    // The publisher's public keys (PEM) this program trusts; empty: any manifest, unsigned.
    std::vector<std::string> TrustedKeys;
    // Takes the digest section of the manifest `lines`; throws for a malformed one, which
    // leaves no digest.
    void LoadDigests(const std::vector<std::string>& lines);
    void ClearDigests() { FDigests = {}; }
    // Whether the manifest offers `fileName` for download: every file, when it lists no
    // digests at all; otherwise only one it lists.
    bool Lists(const std::string& fileName) const { return FDigests.Count() == 0 || FDigests.Find(fileName); }
    // Whether the manifest lists digests: only then can a copy be verified.
    bool ListsDigests() const { return FDigests.Count() > 0; }

    // Logs in at the update server: the failure's text, empty when connected.
    std::string Connect();
    void Disconnect() { FClient.Disconnect(); }
    // Ends a request in whatever phase it is (connect, handshake, request, answer).
    void Interrupt() { FClient.Transport().Close(); }

    // True when `path` is the listed file `fileName` (its digest listed and matching): no
    // download is needed.
    bool HasVerifiedCopy(const std::string& fileName, const std::string& path);
    // Downloads `address` into `path`; a transfer that breaks in its body goes on from the
    // bytes on disk, up to five further tries with growing pauses. The file appears under
    // `path` only whole and, where the manifest lists its digest, verified (a copy that is
    // not the vendor's file is never found and used later). False when the run was aborted
    // meanwhile; throws the first failure when every try failed, or a digest mismatch.
    bool Fetch(const std::string& address, const std::string& fileName, const std::string& path);
    // Throws when the manifest lists a digest for `fileName` that the file at `path` does
    // not have; `computed` is the digest already known, empty to read the file.
    void Verify(const std::string& fileName, const std::string& path, const std::string& computed);

    // The client's progress events, for the bar and the speed line; a continued download's
    // bar goes on from where it was.
    DownloadProgress WorkBegin(std::int64_t workCountMax);
    DownloadProgress Work(std::int64_t workCount);

    HttpClient& Client() { return FClient; }

    // The unit of the pauses between tries (1, 2, 4, 8 and 16 of them); tests shorten it.
    std::chrono::milliseconds RetryPauseUnit{1000};
    // Room a download without a listed size leaves free on its disk; none: the default.
    std::optional<std::uint64_t> FreeSpaceMargin;
    // True while a request is on the wire: the client serves one at a time.
    bool Transferring() const { return FTransfers > 0; }

private:
    // Keeps FTransfers raised for as long as a request is on the wire.
    class TransferScope {
    public:
        explicit TransferScope(int& count) : FCount(count) { ++FCount; }
        ~TransferScope() { --FCount; }
        TransferScope(const TransferScope&) = delete;
        TransferScope& operator=(const TransferScope&) = delete;

    private:
        int& FCount;
    };
    std::string FetchSmallFile(const std::string& name, const std::string& shownName);
    void FetchResuming(const std::string& address, const std::string& fileName, ResumingFile& file);
    // Waits before a further try, pumping messages; false when the run was aborted meanwhile.
    bool PauseBeforeRetry(std::chrono::milliseconds pause);

    ProxyRoute RouteFor(const std::string& host, int port, const std::function<bool()>& keepWaiting) const;

    RunLog& FLog;
    SourceEvents& FEvents;
    ProxySettings FProxy;
    std::string FLastRoute; // as last logged
    HttpClient FClient;
    PackageDigests FDigests;
    TransferRate FRate;
    ResumingFile* FDownload = nullptr; // the download under way, for its progress offset
    int FTransfers = 0;
};

} // namespace tv
