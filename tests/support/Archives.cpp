#include "support/Archives.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace tv::testbed {

void MakeZip(const std::string& path, const std::vector<ArchiveEntry>& entries, bool forceZip64) {
    namespace fs = std::filesystem;
    static int serial = 0;
    fs::path work =
        fs::temp_directory_path() / ("tv-zip-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
    fs::create_directories(work);
    std::ofstream script(work / "make.py");
    script << "import sys, zipfile\n"
           << "z = zipfile.ZipFile(sys.argv[1], 'w')\n";
    for (size_t i = 0; i < entries.size(); ++i) {
        std::ofstream(work / std::to_string(i), std::ios::binary) << entries[i].Content;
        // Names go through a file too, so that any byte survives the trip.
        std::ofstream(work / (std::to_string(i) + ".name"), std::ios::binary) << entries[i].Name;
        script << "name = open(r'" << (work / (std::to_string(i) + ".name")).string()
               << "', 'rb').read().decode('utf-8')\n"
               << "info = zipfile.ZipInfo(name, (2024, 5, 17, 13, 45, 30))\n"
               << "info.compress_type = "
               << (entries[i].Deflated ? "zipfile.ZIP_DEFLATED" : "zipfile.ZIP_STORED") << "\n"
               << "info.external_attr = 0o100644 << 16\n"
               << "data = open(r'" << (work / std::to_string(i)).string() << "', 'rb').read()\n"
               << "with z.open(info, 'w', force_zip64=" << (forceZip64 ? "True" : "False")
               << ") as f: f.write(data)\n";
    }
    script << "z.close()\n";
    script.close();
    std::string command = "python3 '" + (work / "make.py").string() + "' '" + path + "'";
    int result = std::system(command.c_str());
    fs::remove_all(work);
    if (result != 0) throw std::runtime_error("archive could not be made: " + path);
}

} // namespace tv::testbed
