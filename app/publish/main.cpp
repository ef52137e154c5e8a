// The publisher's tool, built with the project and never shipped with the wizard: makes
// the signing keys, writes a release's digests, sizes and serial into its manifest and
// signs it, and checks a signed package set as the wizard will.
//
//   tvinstall-publish keygen PRIVATE PUBLIC
//   tvinstall-publish sign --key PRIVATE --serial N --expires 2027-01-31T00:00:00Z FOLDER
//   tvinstall-publish verify --key PUBLIC FOLDER
//
// FOLDER holds "install.ini" and the package files, in its "Packages" folder or beside it.
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "host/AtomicFile.h"
#include "source/ManifestSignature.h"
#include "source/ManifestTrust.h"
#include "source/PackageDigests.h"
#include "source/PackageSource.h"
#include "util/Failure.h"
#include "util/Paths.h"
#include "util/Strings.h"
#include "util/TextFile.h"

namespace {

using namespace tv;
namespace fs = std::filesystem;

constexpr const char* Usage =
    "tvinstall-publish keygen PRIVATE PUBLIC\n"
    "tvinstall-publish sign --key PRIVATE --serial N --expires 2027-01-31T00:00:00Z FOLDER\n"
    "tvinstall-publish verify --key PUBLIC FOLDER\n";

std::string ManifestPath(const std::string& folder) {
    return IncludeTrailingPathDelimiter(folder) + "install.ini";
}

// Every package file: each regular file of the package folder but the manifest, its
// signature and a half-written download.
std::vector<std::string> PackageFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(FilePath(folder))) {
        const std::string name = Utf8Of(entry.path().filename());
        if (!entry.is_regular_file() || SameText(name, "install.ini") || SameText(name, "install.ini.sig") ||
            IsTemporaryName(name))
            continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The manifest's lines without the sections a release writes anew.
std::vector<std::string> WithoutReleaseSections(const std::vector<std::string>& lines) {
    std::vector<std::string> kept;
    bool dropping = false;
    for (const std::string& line : lines) {
        const std::string trimmed = TrimControl(line);
        if (!trimmed.empty() && trimmed.front() == '[')
            dropping = SameText(trimmed, std::string("[") + DigestSection + "]") ||
                       SameText(trimmed, std::string("[") + SizeSection + "]") ||
                       SameText(trimmed, std::string("[") + ReleaseSection + "]");
        if (!dropping) kept.push_back(line);
    }
    while (!kept.empty() && TrimControl(kept.back()).empty())
        kept.pop_back();
    return kept;
}

int KeyGen(const std::vector<std::string>& args) {
    if (args.size() != 2) throw Failure(Usage);
    const KeyPair keys = MakeSigningKeys();
    ReplaceFileContent(args[0], keys.PrivatePem);
    fs::permissions(FilePath(args[0]), fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::replace);
    ReplaceFileContent(args[1], keys.PublicPem);
    std::cout << "Schlüsselpaar geschrieben: " << args[0] << " (privat), " << args[1] << " (öffentlich)\n";
    return 0;
}

// "--name value" pairs and the one folder.
std::map<std::string, std::string> Options(const std::vector<std::string>& args, std::string& folder) {
    std::map<std::string, std::string> options;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i].rfind("--", 0) == 0 && i + 1 < args.size()) {
            options[args[i]] = args[i + 1];
            ++i;
        } else if (folder.empty()) {
            folder = args[i];
        } else {
            throw Failure(Usage);
        }
    }
    if (folder.empty()) throw Failure(Usage);
    return options;
}

int Sign(const std::vector<std::string>& args) {
    std::string folder;
    std::map<std::string, std::string> options = Options(args, folder);
    const std::string serial = options["--serial"], expires = options["--expires"];
    if (options["--key"].empty() || serial.empty() ||
        serial.find_first_not_of("0123456789") != std::string::npos || !ParseUtcTime(expires))
        throw Failure(Usage);
    const std::string manifest = ManifestPath(folder);
    const TextLines text = LoadTextLines(manifest);
    std::vector<std::string> lines = WithoutReleaseSections(text.Lines);
    const std::string packages = PackageSetFolder(folder);
    const std::vector<std::string> files = PackageFiles(packages);
    lines.insert(lines.end(), {"", std::string("[") + DigestSection + "]"});
    for (const std::string& name : files)
        lines.push_back(name + "=" + FileSha256(packages + name));
    lines.insert(lines.end(), {"", std::string("[") + SizeSection + "]"});
    for (const std::string& name : files)
        lines.push_back(name + "=" + std::to_string(fs::file_size(FilePath(packages + name))));
    lines.insert(lines.end(),
                 {"", std::string("[") + ReleaseSection + "]", "Serial=" + serial, "Expires=" + expires});
    const std::string bytes = JoinTextLines({lines, text.Encoding});
    ReplaceFileContent(manifest, bytes);
    ReplaceFileContent(manifest + ".sig", SignManifest(bytes, ReadFileBytes(options["--key"])));
    std::cout << FormatText("%s signiert: %d Dateien, Serial %s, gültig bis %s\n",
                            {manifest, std::to_string(files.size()), serial, expires});
    return 0;
}

int Verify(const std::vector<std::string>& args) {
    std::string folder;
    std::map<std::string, std::string> options = Options(args, folder);
    if (options["--key"].empty()) throw Failure(Usage);
    const std::string manifest = ManifestPath(folder);
    ManifestCheck check{ReadFileBytes(manifest),
                        std::nullopt,
                        {ReadFileBytes(options["--key"])},
                        static_cast<std::int64_t>(std::time(nullptr)),
                        std::nullopt,
                        manifest};
    if (FileExists(manifest + ".sig")) check.Signature = ReadFileBytes(manifest + ".sig");
    const std::optional<ManifestRelease> release = CheckManifest(check);
    const std::vector<std::string> lines = SplitLines(DecodeText(check.Bytes).Text);
    const PackageDigests digests = PackageDigests::FromManifest(lines);
    const std::string packages = PackageSetFolder(folder);
    int faults = 0;
    for (const std::string& name : digests.Names()) {
        const std::string path = packages + name;
        if (!FileExists(path) || fs::file_size(FilePath(path)) != *digests.ListedSize(name) ||
            !digests.Matches(name, path)) {
            std::cerr << name << ": fehlt, oder Größe oder Prüfsumme stimmen nicht\n";
            ++faults;
        }
    }
    if (faults > 0) return 1;
    std::cout << FormatText("%s: Signatur, Serial %s (gültig bis %s) und %d Dateien stimmen\n",
                            {manifest, std::to_string(release->Serial), UtcTimeText(release->Expires),
                             std::to_string(digests.Names().size())});
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
    const std::string command = argc >= 2 ? argv[1] : "";
    try {
        if (command == "keygen") return KeyGen(args);
        if (command == "sign") return Sign(args);
        if (command == "verify") return Verify(args);
        std::cerr << Usage;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
    }
    return 1;
}
