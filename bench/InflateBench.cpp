// Our extractor alone on one archive of database files, the same archive for every build:
// run under Wine, the Windows build's inflate is measured beside the Linux builds'.
// Usage: inflate_bench make ARCHIVE [MiB, default 1024]   (POSIX, with Info-ZIP's zip)
//        inflate_bench ARCHIVE
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "host/RawInflate.h"
#include "host/ZipExtractor.h"

namespace fs = std::filesystem;
using namespace tv::bench;

int main(int argc, char* argv[]) {
    if (argc >= 3 && std::string(argv[1]) == "make")
        return MakeDatabaseArchive(argv[2], argc > 3 ? std::atol(argv[3]) : 1024) ? 0 : 1;
    if (argc != 2) {
        std::fprintf(stderr, "usage: inflate_bench make ARCHIVE [MiB] | inflate_bench ARCHIVE\n");
        return 2;
    }
    const fs::path archive = argv[1];
    const fs::path target = fs::temp_directory_path() / "tv-inflate-bench";
    constexpr int Rounds = 3;
    std::vector<double> times;
    std::uint64_t unpacked = 0;
    for (int round = 0; round < Rounds; ++round) {
        fs::remove_all(target);
        fs::create_directories(target);
        const auto start = Clock::now();
        tv::ZipExtractor zip;
        zip.BaseDirectory = target.string();
        zip.SetFileName(archive.string());
        zip.ExtractFiles("*.*");
        zip.SetFileName("");
        times.push_back(Seconds(Clock::now() - start));
        unpacked = 0;
        for (const auto& entry : fs::directory_iterator(target))
            unpacked += entry.file_size();
    }
    fs::remove_all(target);
    const double mib = static_cast<double>(unpacked) / (1 << 20);
    std::printf("inflate %s: %.0f MiB unpacked, min / median of %d rounds: %.2f / %.2f s (%.0f MiB/s)\n",
                tv::RawInflate::Engine(), mib, Rounds, Min(times), Median(times), mib / Min(times));
    return 0;
}
