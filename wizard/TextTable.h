// The wizard's text table: an INI text carried inside the program, loaded into an
// INI store at start. Every text the wizard shows is read from it at the moment of use.
#pragma once

#include <string>
#include <vector>

namespace tv {

// The template's lines as they stand, blank-only and empty lines included.
std::vector<std::string> TextTemplateLines();

} // namespace tv
