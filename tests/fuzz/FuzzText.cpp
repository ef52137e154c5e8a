// Fuzz target: every reader of text from outside the program: the INI store (text table
// and manifest), byte-order-mark decoding and re-encoding, the registry file, the
// Windows command line, cookies, and the Firebird configuration editing.
#include <cstdint>
#include <string>

#include "host/CommandLine.h"
#include "host/Registry.h"
#include "install/FirebirdConfig.h"
#include "source/http/CookieJar.h"
#include "util/IniStore.h"
#include "util/Strings.h"
#include "util/TextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    tv::DecodedText decoded = tv::DecodeText(bytes);
    std::vector<std::string> lines = tv::SplitLines(decoded.Text);

    tv::IniStore store;
    store.SetStrings(lines);
    store.ReadString("UpdFileList", "Solan", "");
    store.ReadInteger("Opt", "Count", 0);
    tv::SplitTokens(store.ReadString("DBFileListClient", "Brisa", ""), ';');

    // Encoding what was decoded must give back a text that decodes the same.
    if (tv::DecodeText(tv::EncodeText(decoded.Text, tv::TextEncoding::Utf8Bom)).Text != decoded.Text)
        __builtin_trap();

    tv::RegistrySnapshot registry(tv::RegistryData::Parse(bytes), true);
    if (registry.OpenKeyReadOnly("SOFTWARE\\Firebird Project\\Firebird Server\\Instances")) {
        try {
            registry.ReadString("DefaultInstance");
        } catch (const tv::ERegistryException&) {
        }
    }

    tv::ParseCommandLine(decoded.Text, [](const std::string& path) { return path.size() % 3 == 0; });

    tv::CookieJar jar;
    for (const std::string& line : lines)
        jar.Store(line, "127.0.0.1", "/users/norvano/x");
    jar.CookieHeader("127.0.0.1", "/users/norvano/installation/install.ini", true);

    std::vector<std::string> conf = lines;
    tv::SetConfKey(conf, "RemoteServicePort", "3050");
    tv::SetConfValue(conf, "nv", "/srv/Daten/nv.db");
    return 0;
}
