// Text helpers of the core: delimited lists, trimming, the one case-insensitive
// comparison, and the "%s" formatting of the text table's messages.
// Text is UTF-8 throughout; delimiters are single ASCII characters, so a byte
// position is as good as a UTF-16 position for splitting.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// Number of tokens of a delimited list: delimiters + 1, or 0 for the empty text.
int TokenCount(std::string_view text, char delimiter);

// Token `index` (0 first) of a delimited list; the empty text for an index out of range.
std::string ExtractToken(std::string_view text, char delimiter, int index);

// All tokens at once, as ExtractToken gives them for 0 to TokenCount - 1; for long lists
// (a manifest may name many archives) walking by index would take quadratic time.
std::vector<std::string> SplitTokens(std::string_view text, char delimiter);

// Removes every character with a code of 32 or below from both ends.
std::string TrimControl(std::string_view text);

// Appends the code point `c` to `out` as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

// Upper case of ASCII, Latin-1 and Latin Extended-A letters; other text unchanged.
std::string UpperCase(std::string_view text);

// ASCII letters lowered; what protocols (HTTP header names, cookie attributes) compare.
std::string LowerAscii(std::string_view text);

// Removes blanks and tabs from both ends, as HTTP does around field values.
std::string TrimBlanks(std::string_view text);

// True for a host written as an IPv4 address ("127.0.0.1"), not as a name.
bool IsIpv4Address(std::string_view host);

// Every occurrence of `from` (not empty) replaced by `to`, left to right.
std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to);

// `value` with `digits` decimals and a decimal comma, as German texts write numbers.
std::string GermanDecimal(double value, int digits);

// Case-insensitive equality after UpperCase.
bool SameText(std::string_view a, std::string_view b);

// A command line as a log may show it: the value of every switch whose name ends in
// "PASSWORD" (/SYSDBAPASSWORD="…", /PROXYPASSWORD=…) becomes "***", quotes kept.
std::string MaskSecrets(std::string_view commandLine);

// Replaces each "%s" or "%d" of the pattern by the next argument, in order; "%%" gives "%".
// A placeholder without an argument is left empty.
std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> args);

// Base64 with padding (RFC 4648), as Basic authentication sends a user and password.
std::string EncodeBase64(std::string_view data);

} // namespace tv
