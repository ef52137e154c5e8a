// The system's trusted root certificates, for a TLS library that cannot read them by
// itself: on Windows they live in the system's certificate store; on POSIX the TLS
// library reads the system's certificate folder of its own accord.
#pragma once

#include <string>
#include <vector>

namespace tv {

// Each certificate in DER form; empty where the TLS library finds them itself.
std::vector<std::string> SystemRootCertificates();

} // namespace tv
