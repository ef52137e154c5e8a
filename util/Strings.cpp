#include "util/Strings.h"

#include <cctype>
#include <cstdio>

namespace tv {

int TokenCount(std::string_view text, char delimiter) {
    if (text.empty()) return 0;
    int count = 1;
    for (char c : text)
        if (c == delimiter) ++count;
    return count;
}

std::string ExtractToken(std::string_view text, char delimiter, int index) {
    if (index < 0) return {};
    size_t start = 0;
    for (int k = 0; k < index; ++k) {
        size_t next = text.find(delimiter, start);
        if (next == std::string_view::npos) return {};
        start = next + 1;
    }
    size_t end = text.find(delimiter, start);
    return std::string(
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

std::vector<std::string> SplitTokens(std::string_view text, char delimiter) {
    std::vector<std::string> tokens;
    if (text.empty()) return tokens;
    size_t start = 0;
    while (true) {
        size_t end = text.find(delimiter, start);
        tokens.emplace_back(
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return tokens;
        start = end + 1;
    }
}

std::string TrimControl(std::string_view text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= 32)
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 32)
        --last;
    return std::string(text.substr(first, last - first));
}

namespace {

char32_t UpperCodePoint(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - 32;
    // Latin-1: à..þ map to À..Þ, except the division sign.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    if (c == 0xFF) return 0x178;
    // Latin Extended-A: mostly pairs of upper (even) and lower (odd) letters.
    if (c >= 0x100 && c <= 0x137 && (c & 1)) return c - 1;
    if (c >= 0x139 && c <= 0x148 && !(c & 1)) return c - 1;
    if (c >= 0x14A && c <= 0x177 && (c & 1)) return c - 1;
    if (c == 0x17A || c == 0x17C || c == 0x17E) return c - 1;
    return c;
}

} // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string UpperCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        auto b = static_cast<unsigned char>(text[i]);
        // Only two-byte sequences hold letters we fold; everything else is copied as it is,
        // so invalid UTF-8 passes through unchanged.
        if (b >= 0xC2 && b <= 0xDF && i + 1 < text.size() &&
            (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
            char32_t c = ((b & 0x1F) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F);
            AppendUtf8(out, UpperCodePoint(c));
            i += 2;
        } else {
            out += (b >= 'a' && b <= 'z') ? static_cast<char>(b - 32) : text[i];
            ++i;
        }
    }
    return out;
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to) {
    std::string out;
    size_t start = 0;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, start)) {
        out.append(text, start, at - start).append(to);
        start = at + from.size();
    }
    return out.append(text, start, std::string::npos);
}

std::string TrimBlanks(std::string_view text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

bool IsIpv4Address(std::string_view host) {
    return !host.empty() && host.find_first_not_of("0123456789.") == std::string_view::npos;
}

bool SameText(std::string_view a, std::string_view b) {
    return UpperCase(a) == UpperCase(b);
}

std::string MaskSecrets(std::string_view commandLine) {
    std::string out;
    size_t i = 0;
    while (i < commandLine.size()) {
        const char c = commandLine[i];
        out += c;
        ++i;
        if (c != '/') continue;
        size_t end = i;
        while (end < commandLine.size() && std::isalnum(static_cast<unsigned char>(commandLine[end])))
            ++end;
        const std::string name = UpperCase(commandLine.substr(i, end - i));
        constexpr std::string_view secret = "PASSWORD";
        if (end >= commandLine.size() || commandLine[end] != '=' || name.size() < secret.size() ||
            name.compare(name.size() - secret.size(), secret.size(), secret) != 0)
            continue;
        out.append(commandLine.substr(i, end + 1 - i));
        i = end + 1;
        const bool quoted = i < commandLine.size() && commandLine[i] == '"';
        size_t valueEnd = quoted ? commandLine.find('"', i + 1) : commandLine.find_first_of(" \t", i);
        if (valueEnd == std::string_view::npos)
            valueEnd = commandLine.size();
        else if (quoted)
            ++valueEnd;
        out += quoted ? "\"***\"" : "***";
        i = valueEnd;
    }
    return out;
}

std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    auto next = args.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size()) {
            char kind = pattern[i + 1];
            if (kind == 's' || kind == 'd') {
                if (next != args.end()) out += *next++;
                ++i;
                continue;
            }
            if (kind == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

std::string GermanDecimal(double value, int digits) {
    char text[64] = {};
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    std::string result = text;
    for (char& c : result)
        if (c == '.') c = ',';
    return result;
}

std::string EncodeBase64(std::string_view data) {
    static const char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < data.size(); i += 3) {
        unsigned v = (static_cast<unsigned char>(data[i]) << 16) |
                     (static_cast<unsigned char>(data[i + 1]) << 8) | static_cast<unsigned char>(data[i + 2]);
        for (int shift : {18, 12, 6, 0})
            out += Alphabet[(v >> shift) & 63];
    }
    if (i + 1 == data.size()) {
        unsigned v = static_cast<unsigned char>(data[i]) << 16;
        out += Alphabet[(v >> 18) & 63];
        out += Alphabet[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == data.size()) {
        unsigned v =
            (static_cast<unsigned char>(data[i]) << 16) | (static_cast<unsigned char>(data[i + 1]) << 8);
        out += Alphabet[(v >> 18) & 63];
        out += Alphabet[(v >> 12) & 63];
        out += Alphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

} // namespace tv
