// Windows command lines: how a program path and its arguments are found in one text.
// The program path is taken as CreateProcess takes it when given no application name;
// the arguments are split by the rules of the Microsoft C runtime (quotes, and
// backslashes that stand before a quote).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// Arguments of `text` (without a program part) split by the C runtime's rules.
std::vector<std::string> SplitArguments(std::string_view text);

struct ProgramAndArguments {
    std::string Program;                // empty when no candidate names an existing program
    std::vector<std::string> Arguments; // without the program
};

// A quoted program path ends at the next quote. An unquoted one is tried at every
// blank, shortest first, and the first prefix for which `isProgram` holds wins.
ProgramAndArguments ParseCommandLine(std::string_view commandLine,
                                     const std::function<bool(const std::string&)>& isProgram);

} // namespace tv
