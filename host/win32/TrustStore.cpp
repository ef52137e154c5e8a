#include "host/TrustStore.h"

#include <windows.h>

#include <wincrypt.h>

namespace tv {

std::vector<std::string> SystemRootCertificates() {
    std::vector<std::string> certificates;
    HCERTSTORE store = CertOpenSystemStoreW(0, L"ROOT");
    if (!store) return certificates;
    for (PCCERT_CONTEXT certificate = CertEnumCertificatesInStore(store, nullptr); certificate;
         certificate = CertEnumCertificatesInStore(store, certificate))
        certificates.emplace_back(reinterpret_cast<const char*>(certificate->pbCertEncoded),
                                  certificate->cbCertEncoded);
    CertCloseStore(store, 0);
    return certificates;
}

} // namespace tv
