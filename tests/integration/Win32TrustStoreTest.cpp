// On Windows the client trusts what the system's certificate store trusts: a CA added to
// the store's roots makes the update server's certificate good, with no CA file named.
// A program of its own: the client's TLS settings are made once per program, and no
// other test may have named a CA file before.
#include <windows.h>

#include <wincrypt.h>

#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include "host/TrustStore.h"
#include "source/http/HttpClient.h"
#include "support/Environment.h"
#include "support/Files.h"

namespace tv {
namespace {

// The test CA, made by the script that runs the Windows tests, in DER form.
std::string TestCaDer() {
    const char* dir = std::getenv("TV_TEST_CA_DIR");
    if (!dir) return {};
    const std::string pem = testbed::ReadAll(std::string(dir) + "\\ca.pem");
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    X509* certificate = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    if (!certificate) return {};
    unsigned char* der = nullptr;
    int length = i2d_X509(certificate, &der);
    std::string bytes(reinterpret_cast<char*>(der), static_cast<size_t>(std::max(length, 0)));
    OPENSSL_free(der);
    X509_free(certificate);
    return bytes;
}

TEST(Win32TrustStore, CaInTheSystemRootsMakesTheServerTrusted) {
    const char* port = std::getenv("TV_NGINX_PORT");
    ASSERT_NE(port, nullptr) << "no server named in TV_NGINX_PORT";
    unsetenv("TVINSTALL_CA_FILE");
    const std::string ca = TestCaDer();
    ASSERT_FALSE(ca.empty()) << "no test CA in TV_TEST_CA_DIR";
    auto roots = SystemRootCertificates();
    ASSERT_EQ(std::count(roots.begin(), roots.end(), ca), 0) << "the test CA is a root already";

    ASSERT_TRUE(CertAddEncodedCertificateToSystemStoreW(L"ROOT", reinterpret_cast<const BYTE*>(ca.data()),
                                                        static_cast<DWORD>(ca.size())));
    roots = SystemRootCertificates();
    EXPECT_EQ(std::count(roots.begin(), roots.end(), ca), 1);

    HttpClient client;
    MemorySink sink;
    client.Post(std::string("https://127.0.0.1:") + port + "/login", sink);
    EXPECT_EQ(sink.Data, "angemeldet");
}

} // namespace
} // namespace tv
