// The manifest's optional sections [SHA256] and [Size]: one line per package file,
// "<file name>=<64 hex digits>" and "<file name>=<bytes>", names compared
// case-insensitively as the other sections write them. A file with a digest is checked
// before it is run or unpacked; SHA-256 through OpenSSL's digest functions, computed
// while a download's bytes arrive. A download never grows past its listed size.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct evp_md_ctx_st;

namespace tv {

constexpr const char* DigestSection = "SHA256";
constexpr const char* SizeSection = "Size";

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    void Update(const void* data, size_t size);
    // The digest of everything since the start or the last Reset, as 64 lower-case hex digits.
    std::string HexDigest() const;
    void Reset();

private:
    evp_md_ctx_st* FContext;
};

// The SHA-256 of a file's content; throws Failure when it cannot be read.
std::string FileSha256(const std::string& path);

class PackageDigests {
public:
    // The sections of a manifest's lines; throws Failure naming a malformed line.
    static PackageDigests FromManifest(const std::vector<std::string>& lines);
    // The listed digest in lower-case hex, or null for a file the section does not name.
    const std::string* Find(const std::string& fileName) const;
    // Whether the file at `path` is the one listed for `fileName`: false when none is
    // listed, or the file is missing or unreadable.
    bool Matches(const std::string& fileName, const std::string& path) const;
    size_t Count() const { return FDigests.size(); }
    // The files with a digest, as the section spells them.
    const std::vector<std::string>& Names() const { return FNames; }
    // The listed size in bytes; none for a file the section does not name.
    std::optional<std::uint64_t> ListedSize(const std::string& fileName) const;

private:
    std::map<std::string, std::string> FDigests; // by the upper-case name
    std::map<std::string, std::uint64_t> FSizes;
    std::vector<std::string> FNames;
};

} // namespace tv
