#include "host/posix/PosixHost.h"

#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "host/AtomicFile.h"
#include "host/Cpu.h"
#include "host/TempFolder.h"
#include "util/Paths.h"
#include "util/TextFile.h"

namespace tv {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string CurrentDirectory() {
    std::error_code ec;
    std::string dir = std::filesystem::current_path(ec).string();
    return ec ? std::string() : dir;
}

} // namespace

PosixHost::PosixHost(Dialogs& dialogs) : WindowedHost(dialogs) {
    std::signal(SIGXFSZ, SIG_IGN);
}

std::string PosixHost::TempFolder() {
    return TempFolderByRule(
        {Environment("TMP"), Environment("TEMP"), CurrentDirectory(), [](const std::string& path) {
             std::error_code ec;
             auto canonical = std::filesystem::canonical(path, ec);
             return ec ? path : canonical.string();
         }});
}

std::string PosixHost::ProgramFilesFolder() {
    auto registry = OpenRegistry();
    return ProgramFilesFromRegistry(*registry);
}

bool PosixHost::Is64Bits() {
    return ProcessorHasLongMode();
}

std::unique_ptr<Registry> PosixHost::OpenRegistry() {
    std::string path = Environment("TVINSTALL_REGISTRY");
    std::string text;
    if (!path.empty()) {
        std::ifstream in(path, std::ios::binary);
        // A missing or unreadable file is an empty registry.
        if (in) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The file holds what a 32-bit program sees.
    return std::make_unique<RegistrySnapshot>(RegistryData::Parse(text), Is64Bits());
}

void PosixHost::WriteRegistryString(const std::string& path, const std::string& name,
                                    const std::string& value) {
    const std::string file = Environment("TVINSTALL_REGISTRY");
    if (file.empty()) throw Failure("Es gibt keine Registry-Datei (TVINSTALL_REGISTRY ist nicht gesetzt).");
    TextLines text{{"Windows Registry Editor Version 5.00"}, TextEncoding::Ansi};
    if (FileExists(file)) text = LoadTextLines(file);
    // Added at the end in the file's own encoding: a later value of a key wins.
    for (const std::string& line : SplitLines(RegistryValueText(path, name, value)))
        text.Lines.push_back(line);
    ReplaceFileContent(file, JoinTextLines(text));
}

std::string PosixHost::ProgramFolder() {
    const std::string file = ProgramFile();
    if (file.empty()) return IncludeTrailingPathDelimiter(CurrentDirectory());
    return IncludeTrailingPathDelimiter(std::filesystem::path(file).parent_path().string());
}

std::string PosixHost::ProgramFile() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

} // namespace tv
