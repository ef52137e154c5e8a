#include "util/TextFile.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(TextFile, DecodesByByteOrderMarkOrAsWindows1252) {
    const struct {
        const char* Name;
        std::string Bytes;
        std::string Text;
        TextEncoding Encoding;
    } cases[] = {
        {"UTF-8 with mark",
         "\xEF\xBB\xBF"
         "F\xC3\xBCr",
         "Für", TextEncoding::Utf8Bom},
        {"UTF-16 LE",
         std::string("\xFF\xFE"
                     "F\0\xFC\0r\0",
                     8),
         "Für", TextEncoding::Utf16LeBom},
        {"UTF-16 BE", std::string("\xFE\xFF\0F\0\xFC\0r", 8), "Für", TextEncoding::Utf16BeBom},
        {"ANSI umlaut", "F\xFCr", "Für", TextEncoding::Ansi},
        {"ANSI euro and quotes", "\x80 \x93x\x94", "€ “x”", TextEncoding::Ansi},
        {"UTF-16 surrogate pair", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), "\xF0\x9F\x98\x80",
         TextEncoding::Utf16LeBom},
        {"UTF-16 odd last byte dropped",
         std::string("\xFF\xFE"
                     "A\0B",
                     5),
         "A", TextEncoding::Utf16LeBom},
        {"UTF-16 lone surrogate replaced",
         std::string("\xFF\xFE\x00\xD8"
                     "A\0",
                     6),
         "\xEF\xBF\xBD"
         "A",
         TextEncoding::Utf16LeBom},
        {"empty", "", "", TextEncoding::Ansi},
    };
    for (const auto& c : cases) {
        DecodedText decoded = DecodeText(c.Bytes);
        EXPECT_EQ(decoded.Text, c.Text) << c.Name;
        EXPECT_EQ(decoded.Encoding, c.Encoding) << c.Name;
    }
}

TEST(TextFile, EncodingRoundTripsEveryForm) {
    const std::string text = "[UpdFileDescr]\r\nSolan=Fahrzeugmodelle;Ersatzteile für Händler €\r\n";
    for (TextEncoding encoding :
         {TextEncoding::Ansi, TextEncoding::Utf8Bom, TextEncoding::Utf16LeBom, TextEncoding::Utf16BeBom}) {
        std::string bytes = EncodeText(text, encoding);
        DecodedText back = DecodeText(bytes);
        EXPECT_EQ(back.Text, text) << static_cast<int>(encoding);
        EXPECT_EQ(back.Encoding, encoding);
    }
    // Characters outside the code page become "?", as Windows' own conversion does.
    EXPECT_EQ(EncodeText("a\xE2\x88\x9E"
                         "b",
                         TextEncoding::Ansi),
              "a?b");
}

TEST(TextFile, SplitsAtCrLfAndCrLf) {
    const struct {
        std::string Text;
        std::vector<std::string> Lines;
    } cases[] = {
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\n", {"a"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"\n", {""}},
        {"", {}},
        {" ", {" "}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitLines(c.Text), c.Lines);
}

TEST(TextFile, ReadingAMissingFileSaysWhichAndWhy) {
    try {
        ReadFileBytes("/nonexistent/folder/install.ini");
        FAIL() << "no failure";
    } catch (const std::exception& e) {
        std::string message = e.what();
        EXPECT_NE(message.find("/nonexistent/folder/install.ini"), std::string::npos) << message;
        EXPECT_NE(message.find("No such file"), std::string::npos) << message;
    }
}

} // namespace
} // namespace tv
