// A manifest is used only as its publisher signed it, fresh, and in order; each refusal
// says why.
#include "source/ManifestTrust.h"

#include <gtest/gtest.h>

#include "source/ManifestSignature.h"
#include "util/Failure.h"

namespace tv {
namespace {

constexpr std::int64_t Now = 1'800'000'000; // 2027-01-15T08:00:00Z

std::string Manifest(const std::string& release, const std::string& sizes = "[Size]\r\nx.zip=3\r\n") {
    return "[DBFileListClient]\r\nSolan=x.zip\r\n[SHA256]\r\nx.zip=" + std::string(64, 'a') + "\r\n" + sizes +
           release;
}

TEST(ManifestTrust, OnlyASignedFreshManifestInOrderIsUsed) {
    const KeyPair publisher = MakeSigningKeys(), stranger = MakeSigningKeys();
    const std::string fresh = "[Release]\r\nSerial=5\r\nExpires=2027-02-01T00:00:00Z\r\n";
    const std::string good = Manifest(fresh);
    const struct {
        const char* Name;
        std::string Bytes;
        std::optional<std::string> Signature;
        std::optional<std::int64_t> Highest;
        const char* Refusal; // after "Das Paketverzeichnis X wird nicht verwendet: "; null: used
    } cases[] = {
        {"signed and fresh", good, SignManifest(good, publisher.PrivatePem), 4, nullptr},
        {"the same serial again", good, SignManifest(good, publisher.PrivatePem), 5, nullptr},
        {"no signature", good, std::nullopt, std::nullopt, "es ist nicht signiert (install.ini.sig fehlt)."},
        {"a changed byte", good + " ", SignManifest(good, publisher.PrivatePem), std::nullopt,
         "seine Signatur stimmt nicht (verändert, oder von einem unbekannten Schlüssel signiert)."},
        {"a key not built in", good, SignManifest(good, stranger.PrivatePem), std::nullopt,
         "seine Signatur stimmt nicht (verändert, oder von einem unbekannten Schlüssel signiert)."},
        {"no signature in the file", good, std::string("kein base64\n"), std::nullopt,
         "seine Signatur stimmt nicht (verändert, oder von einem unbekannten Schlüssel signiert)."},
        {"a lower serial", good, SignManifest(good, publisher.PrivatePem), 6,
         "es ist älter (Serial 5) als das zuletzt auf diesem Rechner verwendete (Serial 6)."},
        {"expired", Manifest("[Release]\r\nSerial=7\r\nExpires=2027-01-15T08:00:00Z\r\n"), std::nullopt, 4,
         "es ist am 2027-01-15T08:00:00Z abgelaufen."},
        {"no [Release]", Manifest(""), std::nullopt, std::nullopt, "der Abschnitt [Release] fehlt."},
        {"a malformed expiry", Manifest("[Release]\r\nSerial=7\r\nExpires=morgen\r\n"), std::nullopt,
         std::nullopt, "Ungültiger Wert Expires im Abschnitt [Release] des Paketverzeichnisses: \"morgen\""},
        {"a digest without its size", Manifest(fresh, ""), std::nullopt, std::nullopt,
         "für die Datei x.zip fehlt die Größe im Abschnitt [Size]."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ManifestCheck check{c.Bytes, c.Signature, {publisher.PublicPem},
                            Now,     c.Highest,   "https://updates.example/install.ini"};
        // Cases that test what follows the signature are signed as they stand.
        if (!c.Signature && c.Refusal && std::string(c.Name) != "no signature")
            check.Signature = SignManifest(c.Bytes, publisher.PrivatePem);
        try {
            const std::optional<ManifestRelease> release = CheckManifest(check);
            ASSERT_EQ(c.Refusal, nullptr) << "used";
            ASSERT_TRUE(release);
            EXPECT_EQ(release->Serial, 5);
        } catch (const Failure& e) {
            ASSERT_NE(c.Refusal, nullptr) << e.what();
            EXPECT_EQ(e.what(),
                      std::string("Das Paketverzeichnis https://updates.example/install.ini wird nicht "
                                  "verwendet: ") +
                          c.Refusal);
        }
    }
}

TEST(ManifestTrust, AProgramWithoutKeysTakesAnyManifestUnsigned) {
    EXPECT_FALSE(CheckManifest({Manifest(""), std::nullopt, {}, Now, 9, "install.ini"}));
}

TEST(ManifestTrust, TimesAreReadInOneUtcFormOnly) {
    EXPECT_EQ(ParseUtcTime("1970-01-01T00:00:00Z"), 0);
    EXPECT_EQ(ParseUtcTime("2027-01-15T08:00:00Z"), Now);
    EXPECT_EQ(UtcTimeText(Now), "2027-01-15T08:00:00Z");
    // Past 2038, where a 32-bit time_t ends, and before 1970.
    for (const char* text : {"2099-12-31T23:59:59Z", "2400-02-29T12:00:00Z", "1969-12-31T23:59:59Z"})
        EXPECT_EQ(UtcTimeText(ParseUtcTime(text).value_or(0)), text);
    EXPECT_EQ(ParseUtcTime("2099-01-01T00:00:00Z"), 4070908800);
    for (const char* bad : {"2027-01-15 08:00:00Z", "2027-01-15T08:00:00", "2027-13-01T00:00:00Z",
                            "2027-01-15T08:00:00+01", "2027-1-15T08:00:00Z", ""})
        EXPECT_FALSE(ParseUtcTime(bad)) << bad;
}

} // namespace
} // namespace tv
