#include "source/ManifestSignature.h"

#include <memory>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include "util/Failure.h"
#include "util/Strings.h"

namespace tv {

namespace {

constexpr size_t SignatureSize = 64;

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
struct ContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextFree>;
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Bio = std::unique_ptr<BIO, BioFree>;

Bio MemoryBio(const std::string& text) {
    return Bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
}

std::string BioText(BIO* bio) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<size_t>(size));
}

bool IsEd25519(const Key& key) {
    return key && EVP_PKEY_id(key.get()) == EVP_PKEY_ED25519;
}

Key PublicKey(const std::string& pem) {
    Bio bio = MemoryBio(pem);
    Key key(bio ? PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    if (!IsEd25519(key)) throw Failure("Ein eingebauter Schlüssel ist kein öffentlicher Ed25519-Schlüssel.");
    return key;
}

// The signature's bytes from its file's text; empty when it is not base64 of 64 bytes.
std::string SignatureBytes(const std::string& text) {
    const std::string line = TrimControl(text);
    // 64 bytes are 88 base64 characters, the last two "=" padding.
    if (line.size() != 88) return "";
    unsigned char decoded[66] = {};
    if (EVP_DecodeBlock(decoded, reinterpret_cast<const unsigned char*>(line.data()), 88) != 66) return "";
    return std::string(reinterpret_cast<const char*>(decoded), SignatureSize);
}

} // namespace

KeyPair MakeSigningKeys() {
    EVP_PKEY* made = nullptr;
    std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> context(
        EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr), EVP_PKEY_CTX_free);
    if (!context || EVP_PKEY_keygen_init(context.get()) <= 0 || EVP_PKEY_keygen(context.get(), &made) <= 0)
        throw Failure("Es kann kein Ed25519-Schlüsselpaar erzeugt werden.");
    const Key key(made);
    Bio privateBio(BIO_new(BIO_s_mem())), publicBio(BIO_new(BIO_s_mem()));
    if (!privateBio || !publicBio ||
        PEM_write_bio_PrivateKey(privateBio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
        PEM_write_bio_PUBKEY(publicBio.get(), key.get()) != 1)
        throw Failure("Das Schlüsselpaar kann nicht geschrieben werden.");
    return {BioText(privateBio.get()), BioText(publicBio.get())};
}

std::string SignManifest(const std::string& manifest, const std::string& privatePem) {
    Bio bio = MemoryBio(privatePem);
    const Key key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    if (!IsEd25519(key)) throw Failure("Der Schlüssel ist kein privater Ed25519-Schlüssel.");
    const Context context(EVP_MD_CTX_new());
    unsigned char signature[SignatureSize] = {};
    size_t size = sizeof signature;
    // Ed25519 signs the message itself, in one call, without a separate digest.
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestSign(context.get(), signature, &size,
                       reinterpret_cast<const unsigned char*>(manifest.data()), manifest.size()) != 1 ||
        size != SignatureSize)
        throw Failure("Das Paketverzeichnis kann nicht signiert werden.");
    unsigned char text[89] = {};
    EVP_EncodeBlock(text, signature, static_cast<int>(SignatureSize));
    return std::string(reinterpret_cast<const char*>(text), 88) + "\n";
}

int SigningKeyOf(const std::string& manifest, const std::string& signatureText,
                 const std::vector<std::string>& trustedPems) {
    const std::string signature = SignatureBytes(signatureText);
    for (size_t i = 0; i < trustedPems.size(); ++i) {
        const Key key = PublicKey(trustedPems[i]);
        if (signature.empty()) continue;
        const Context context(EVP_MD_CTX_new());
        if (context && EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
            EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                             signature.size(), reinterpret_cast<const unsigned char*>(manifest.data()),
                             manifest.size()) == 1)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace tv
