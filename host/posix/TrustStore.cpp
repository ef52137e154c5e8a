#include "host/TrustStore.h"

namespace tv {

std::vector<std::string> SystemRootCertificates() {
    return {}; // OpenSSL's default paths are the system's certificate folder
}

} // namespace tv
