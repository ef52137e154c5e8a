#include "source/PackageDigests.h"

#include <fstream>

#include <openssl/evp.h>

#include "util/Failure.h"
#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

namespace {

constexpr size_t DigestHexLength = 64;
constexpr size_t FileReadBlock = 1 << 20; // one read per mebibyte

bool IsHexDigest(const std::string& text) {
    return text.size() == DigestHexLength &&
           text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

std::string LowerHex(const unsigned char* data, size_t size) {
    static const char Digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        hex += Digits[data[i] >> 4];
        hex += Digits[data[i] & 0x0F];
    }
    return hex;
}

} // namespace

Sha256::Sha256() : FContext(EVP_MD_CTX_new()) {
    if (!FContext) throw Failure("SHA-256 ist nicht verfügbar");
    Reset();
}

Sha256::~Sha256() {
    EVP_MD_CTX_free(FContext);
}

void Sha256::Reset() {
    if (EVP_DigestInit_ex(FContext, EVP_sha256(), nullptr) != 1) throw Failure("SHA-256 ist nicht verfügbar");
}

void Sha256::Update(const void* data, size_t size) {
    EVP_DigestUpdate(FContext, data, size);
}

std::string Sha256::HexDigest() const {
    // A copy finishes, so that the running digest could go on.
    EVP_MD_CTX* copy = EVP_MD_CTX_new();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    const bool done =
        copy && EVP_MD_CTX_copy_ex(copy, FContext) == 1 && EVP_DigestFinal_ex(copy, digest, &size) == 1;
    EVP_MD_CTX_free(copy);
    if (!done) throw Failure("SHA-256 ist nicht verfügbar");
    return LowerHex(digest, size);
}

std::string FileSha256(const std::string& path) {
    std::ifstream in(FilePath(path), std::ios::binary);
    if (!in) throw Failure("Die Datei " + path + " kann nicht gelesen werden.");
    Sha256 digest;
    std::string block(FileReadBlock, '\0');
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        digest.Update(block.data(), static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) throw Failure("Die Datei " + path + " kann nicht gelesen werden.");
    return digest.HexDigest();
}

PackageDigests PackageDigests::FromManifest(const std::vector<std::string>& lines) {
    PackageDigests digests;
    const char* section = nullptr; // the one of ours the lines are in
    for (const std::string& raw : lines) {
        const std::string line = TrimControl(raw);
        if (!line.empty() && line.front() == '[') {
            section = SameText(line, std::string("[") + DigestSection + "]") ? DigestSection
                      : SameText(line, std::string("[") + SizeSection + "]") ? SizeSection
                                                                             : nullptr;
            continue;
        }
        if (!section || line.empty() || line.front() == ';') continue;
        const size_t equals = line.find('=');
        const std::string name = equals == std::string::npos ? "" : TrimControl(line.substr(0, equals));
        const std::string value = equals == std::string::npos ? "" : TrimControl(line.substr(equals + 1));
        const std::string key = UpperCase(name);
        // A file listed twice with two values leaves no way to tell which one the vendor meant.
        bool valid = !name.empty();
        if (section == DigestSection) {
            const auto listed = digests.FDigests.find(key);
            valid = valid && IsHexDigest(value) &&
                    (listed == digests.FDigests.end() || SameText(listed->second, value));
            if (valid && listed == digests.FDigests.end()) digests.FNames.push_back(name);
            if (valid) digests.FDigests[key] = LowerAscii(value);
        } else {
            const auto listed = digests.FSizes.find(key);
            // Up to 18 digits: no overflow, and far beyond any package.
            valid = valid && !value.empty() && value.size() <= 18 &&
                    value.find_first_not_of("0123456789") == std::string::npos &&
                    (listed == digests.FSizes.end() || listed->second == std::stoull(value));
            if (valid) digests.FSizes[key] = std::stoull(value);
        }
        if (!valid)
            throw Failure(FormatText("Ungültige Zeile im Abschnitt [%s] des Paketverzeichnisses: \"%s\"",
                                     {section, line.substr(0, 200)}));
    }
    return digests;
}

bool PackageDigests::Matches(const std::string& fileName, const std::string& path) const {
    const std::string* listed = Find(fileName);
    if (!listed || !FileExists(path)) return false;
    try {
        return FileSha256(path) == *listed;
    } catch (const Failure&) {
        return false; // unreadable: not the file
    }
}

std::optional<std::uint64_t> PackageDigests::ListedSize(const std::string& fileName) const {
    const auto found = FSizes.find(UpperCase(fileName));
    if (found == FSizes.end()) return std::nullopt;
    return found->second;
}

const std::string* PackageDigests::Find(const std::string& fileName) const {
    const auto found = FDigests.find(UpperCase(fileName));
    return found == FDigests.end() ? nullptr : &found->second;
}

} // namespace tv
