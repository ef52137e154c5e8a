// Text files as the wizard meets them: decoded by byte-order mark (UTF-8, UTF-16 LE
// and BE) or, without one, as Windows-1252; lines split at CR, LF and CR LF.
// The encoding is kept so that a rewritten file comes back in the form it had.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tv {

enum class TextEncoding { Ansi, Utf8Bom, Utf16LeBom, Utf16BeBom };

struct DecodedText {
    std::string Text; // UTF-8, without the byte-order mark
    TextEncoding Encoding = TextEncoding::Ansi;
};

DecodedText DecodeText(std::string_view bytes);

// The text encoded again, byte-order mark first where the encoding has one.
std::string EncodeText(std::string_view utf8, TextEncoding encoding);

// Lines split at CR, LF or CR LF; a final line break adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// Whole file as bytes; throws Failure with the system's reason when it cannot be read.
std::string ReadFileBytes(const std::string& path);

} // namespace tv

namespace tv {

// A text file as a list of lines, with the encoding it was read in.
struct TextLines {
    std::vector<std::string> Lines;
    TextEncoding Encoding = TextEncoding::Ansi;
};

TextLines LoadTextLines(const std::string& path);

// The lines in their encoding, CR LF after every line, the last one included.
std::string JoinTextLines(const TextLines& text);

} // namespace tv
