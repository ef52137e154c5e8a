// Fuzz target: the ZIP reader, from the end record to the written files.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "host/ZipExtractor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    namespace fs = std::filesystem;
    static const fs::path folder = fs::temp_directory_path() / ("tv-fuzz-zip-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "out");
    std::ofstream(folder / "in.zip", std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    tv::ZipExtractor zip;
    zip.BaseDirectory = (folder / "out").string();
    zip.OnConfirmOverwrite = [](std::string&, bool& confirm) { confirm = true; };
    try {
        zip.SetFileName((folder / "in.zip").string());
        zip.ExtractFiles("*.*");
        zip.SetFileName("");
    } catch (const tv::ZipError&) {
    }
    // Nothing may land outside the target folder.
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != "out" && entry.path().filename() != "in.zip") __builtin_trap();
    return 0;
}
