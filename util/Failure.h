// The one failure type of the wizard: its message is the text the user reads.
// Host facilities throw subclasses where a caller needs to tell them apart.
#pragma once

#include <stdexcept>
#include <string>

namespace tv {

class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string& message) : std::runtime_error(message) {}
};

} // namespace tv
