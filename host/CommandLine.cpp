#include "host/CommandLine.h"

namespace tv {

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
} // namespace

std::vector<std::string> SplitArguments(std::string_view text) {
    std::vector<std::string> arguments;
    size_t i = 0;
    while (true) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        if (i >= text.size()) break;
        std::string argument;
        bool quoted = false;
        while (i < text.size() && (quoted || !IsBlank(text[i]))) {
            if (text[i] == '\\') {
                size_t backslashes = 0;
                while (i < text.size() && text[i] == '\\')
                    ++backslashes, ++i;
                if (i < text.size() && text[i] == '"') {
                    // 2n backslashes and a quote: n backslashes, the quote delimits;
                    // 2n+1: n backslashes and a literal quote.
                    argument.append(backslashes / 2, '\\');
                    if (backslashes % 2 == 1) {
                        argument += '"';
                        ++i;
                    }
                } else {
                    argument.append(backslashes, '\\');
                }
                continue;
            }
            if (text[i] == '"') {
                // Two quotes inside a quoted part stand for one literal quote.
                if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                    argument += '"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            argument += text[i++];
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

ProgramAndArguments ParseCommandLine(std::string_view commandLine,
                                     const std::function<bool(const std::string&)>& isProgram) {
    size_t start = 0;
    while (start < commandLine.size() && IsBlank(commandLine[start]))
        ++start;
    std::string_view line = commandLine.substr(start);
    ProgramAndArguments result;
    if (!line.empty() && line.front() == '"') {
        size_t close = line.find('"', 1);
        std::string program(
            line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
        if (isProgram(program)) result.Program = program;
        result.Arguments = SplitArguments(close == std::string_view::npos ? "" : line.substr(close + 1));
        return result;
    }
    for (size_t end = 0; end <= line.size(); ++end) {
        if (end < line.size() && line[end] != ' ') continue;
        std::string candidate(line.substr(0, end));
        if (!candidate.empty() && isProgram(candidate)) {
            result.Program = candidate;
            result.Arguments = SplitArguments(line.substr(end));
            return result;
        }
    }
    return result;
}

} // namespace tv
