#include "util/TextFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "util/Failure.h"
#include "util/Paths.h"
#include "util/Strings.h"

namespace tv {

namespace {

// Windows-1252 code points of the bytes 0x80 to 0x9F; the rest of the page is Latin-1.
constexpr char32_t Cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    auto unit = [&](size_t i) -> char32_t {
        auto a = static_cast<unsigned char>(bytes[i]);
        auto b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    size_t n = bytes.size() & ~size_t(1); // an odd last byte is no character
    for (size_t i = 0; i < n; i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < n) {
            char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        // A lone surrogate cannot be UTF-8; it becomes the replacement character.
        AppendUtf8(out, (c >= 0xD800 && c <= 0xDFFF) ? 0xFFFD : c);
    }
    return out;
}

// Next code point of UTF-8 text; invalid bytes are taken as Windows-1252 so nothing is lost.
char32_t NextCodePoint(std::string_view s, size_t& i) {
    auto b = static_cast<unsigned char>(s[i]);
    int extra = b >= 0xF0 && b <= 0xF4 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : 0;
    if (extra > 0) {
        char32_t c = b & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= s.size()) {
                ok = false;
                break;
            }
            auto cb = static_cast<unsigned char>(s[i + k]);
            if ((cb & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (cb & 0x3F);
        }
        if (ok) {
            i += extra + 1;
            return c;
        }
    }
    ++i;
    return b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : b;
}

void AppendUtf16(std::string& out, char32_t c, bool bigEndian) {
    auto put = [&](char32_t u) {
        char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        if (bigEndian) {
            out += hi;
            out += lo;
        } else {
            out += lo;
            out += hi;
        }
    };
    if (c >= 0x10000) {
        c -= 0x10000;
        put(0xD800 + (c >> 10));
        put(0xDC00 + (c & 0x3FF));
    } else {
        put(c);
    }
}

char ToCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int k = 0; k < 32; ++k)
        if (Cp1252High[k] == c) return static_cast<char>(0x80 + k);
    return '?'; // not in the code page, as Windows' own conversion does
}

} // namespace

DecodedText DecodeText(std::string_view bytes) {
    auto starts = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (starts("\xEF\xBB\xBF")) return {std::string(bytes.substr(3)), TextEncoding::Utf8Bom};
    if (starts("\xFF\xFE")) return {DecodeUtf16(bytes.substr(2), false), TextEncoding::Utf16LeBom};
    if (starts("\xFE\xFF")) return {DecodeUtf16(bytes.substr(2), true), TextEncoding::Utf16BeBom};
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        AppendUtf8(out, b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : b);
    }
    return {out, TextEncoding::Ansi};
}

std::string EncodeText(std::string_view utf8, TextEncoding encoding) {
    std::string out;
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        return "\xEF\xBB\xBF" + std::string(utf8);
    case TextEncoding::Utf16LeBom:
    case TextEncoding::Utf16BeBom: {
        bool big = encoding == TextEncoding::Utf16BeBom;
        out.push_back(big ? '\xFE' : '\xFF');
        out.push_back(big ? '\xFF' : '\xFE');
        for (size_t i = 0; i < utf8.size();)
            AppendUtf16(out, NextCodePoint(utf8, i), big);
        return out;
    }
    case TextEncoding::Ansi:
        for (size_t i = 0; i < utf8.size();)
            out += ToCp1252(NextCodePoint(utf8, i));
        return out;
    }
    return out;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string ReadFileBytes(const std::string& path) {
    auto fail = [&path] {
        throw Failure("Die Datei " + path + " kann nicht gelesen werden: " + std::strerror(errno));
    };
    // A folder opens like a file on some systems and then reads as nothing.
    std::error_code ec;
    if (std::filesystem::is_directory(FilePath(path), ec)) {
        errno = EISDIR;
        fail();
    }
    std::ifstream in(FilePath(path), std::ios::binary);
    if (!in) fail();
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace tv

namespace tv {

TextLines LoadTextLines(const std::string& path) {
    DecodedText decoded = DecodeText(ReadFileBytes(path));
    return {SplitLines(decoded.Text), decoded.Encoding};
}

std::string JoinTextLines(const TextLines& text) {
    std::string joined;
    for (const std::string& line : text.Lines)
        joined += line + "\r\n";
    return EncodeText(joined, text.Encoding);
}

} // namespace tv
