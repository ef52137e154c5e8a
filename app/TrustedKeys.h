// The publisher's public keys (PEM) built into the program (TV_TRUSTED_KEYS): with any,
// the program uses only manifests signed by one of them. Nothing at run time adds one.
// Defined by a source made at build time, linked into the program alone.
#pragma once

#include <string>
#include <vector>

namespace tv {

const std::vector<std::string>& BuiltInTrustedKeys();

} // namespace tv
