// The publisher's signature over a manifest's exact bytes: Ed25519 through OpenSSL's EVP
// interface. A signature file ("install.ini.sig") holds the 64 signature bytes in base64
// on one line; keys are PEM texts (PKCS#8 for the private one, SubjectPublicKeyInfo for
// the public one), as OpenSSL writes them.
#pragma once

#include <string>
#include <vector>

namespace tv {

struct KeyPair {
    std::string PrivatePem;
    std::string PublicPem;
};

// A new key pair; throws Failure when OpenSSL cannot make one.
KeyPair MakeSigningKeys();

// The signature file's text for `manifest`; throws Failure for a key that is no Ed25519
// private key.
std::string SignManifest(const std::string& manifest, const std::string& privatePem);

// The index in `trustedPems` of the key that signed `manifest` with `signatureText`, or -1
// when none did (also for a signature that is no base64 of 64 bytes). Throws Failure for
// a trusted key that cannot be read: a build fault, never the server's.
int SigningKeyOf(const std::string& manifest, const std::string& signatureText,
                 const std::vector<std::string>& trustedPems);

} // namespace tv
