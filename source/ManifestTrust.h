// Whether a manifest may be used: for a program built with trusted keys, only one signed
// by one of them, not expired and not older than the newest this machine has accepted,
// whose every listed digest has its listed size. A program without keys takes any
// manifest, unsigned, as before.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tv {

constexpr const char* ReleaseSection = "Release";

// The manifest's [Release]: "Serial", an integer each publication raises, and "Expires",
// a UTC time written "2027-01-31T00:00:00Z".
struct ManifestRelease {
    std::int64_t Serial = 0;
    std::int64_t Expires = 0; // seconds since 1970-01-01 UTC: 64 bits, as time_t may not be
};

// The [Release] section of `lines`; none when there is no such section. Throws Failure
// naming a missing or malformed value.
std::optional<ManifestRelease> ReadRelease(const std::vector<std::string>& lines);

// "2027-01-31T00:00:00Z" as seconds since the epoch; none for any other form.
std::optional<std::int64_t> ParseUtcTime(const std::string& text);
std::string UtcTimeText(std::int64_t time);

struct ManifestCheck {
    std::string Bytes;                         // the manifest exactly as it came
    std::optional<std::string> Signature;      // the signature file's text; none when there is none
    std::vector<std::string> TrustedKeys;      // PEM texts built into the program
    std::int64_t Now = 0;                      // seconds since 1970-01-01 UTC
    std::optional<std::int64_t> HighestSerial; // the newest this machine accepted
    std::string Source;                        // where it came from, for the messages
};

// The release of a signed manifest that passed; none for a program without keys. Throws
// Failure with the reason (no signature, unknown key or changed bytes, no [Release],
// expired, older, a digest without its size) for one that may not be used.
std::optional<ManifestRelease> CheckManifest(const ManifestCheck& check);

} // namespace tv
