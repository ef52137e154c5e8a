// Extracts the same archives with our extractor, Info-ZIP unzip, bsdtar and 7z in one
// run and prints each one's time, our ratios and our peak memory. Two archives: a few
// large database-like files, and 20 000 small files.
// Usage: unzip_bench [total MiB of the large files, default 1024]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "BenchFiles.h"
#include "host/RawInflate.h"
#include "host/ZipExtractor.h"

namespace fs = std::filesystem;
using namespace tv::bench;

namespace {

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

double Ours(const fs::path& archive, const fs::path& target) {
    auto start = Clock::now();
    tv::ZipExtractor zip;
    zip.BaseDirectory = target.string();
    zip.SetFileName(archive.string());
    zip.ExtractFiles("*.*");
    zip.SetFileName("");
    return Seconds(Clock::now() - start);
}

double Tool(const std::string& command) {
    auto start = Clock::now();
    Run(command);
    return Seconds(Clock::now() - start);
}

// Every extraction gets a new, empty file system where it can (a journaled ext4 image on a
// loop device, as root), else a new folder. On this machine's root file system (ext4
// without a journal) creating files among inodes deleted in the last minutes costs several
// times as much (the kernel skips them one by one): whoever runs after a deletion would pay
// for it, so no tool may meet another's leftovers.
class Scratch {
public:
    explicit Scratch(const fs::path& work) {
        static int serial = 0;
        const std::string name = "out" + std::to_string(++serial);
        FFolder = work / name;
        fs::create_directories(FFolder);
        FImage = work / (name + ".img");
        const std::string image = Quoted(FImage);
        FMounted = std::system(("{ truncate -s 8G " + image + " && mkfs.ext4 -q -F " + image +
                                " && mount -o loop,noinit_itable " + image + " " + Quoted(FFolder) +
                                "; } 2>/dev/null")
                                   .c_str()) == 0;
        if (!FMounted) fs::remove(FImage);
    }
    ~Scratch() {
        if (FMounted && std::system(("umount " + Quoted(FFolder)).c_str()) != 0)
            std::fprintf(stderr, "could not unmount %s\n", FFolder.c_str());
        fs::remove_all(FFolder);
        fs::remove(FImage);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const fs::path& Folder() const { return FFolder; }
    bool OwnFileSystem() const { return FMounted; }

private:
    fs::path FFolder, FImage;
    bool FMounted = false;
};

// A tool's times as it ran, and until its files were on the disk (a sync after it): ours
// flushes before it names its files, so only the second compares like with like.
struct Figures {
    std::vector<double> Times;
    std::vector<double> OnDisk;
};

void Compare(const char* title, const fs::path& archive, const fs::path& work) {
    const std::string a = Quoted(archive);
    constexpr int Rounds = 3; // the order turns round so no tool always goes first
    Figures ours, unzip, bsdtar, sevenZip;
    bool ownFileSystems = true;
    auto timed = [&](Figures& figures, const std::function<double(const fs::path&)>& run) {
        {
            Scratch scratch(work);
            ownFileSystems = ownFileSystems && scratch.OwnFileSystem();
            Run("sync"); // the next one starts without the last one's writes in flight
            const double ran = run(scratch.Folder());
            figures.Times.push_back(ran);
            figures.OnDisk.push_back(ran + Tool("sync"));
        }
        Run("sync");
    };
    for (int round = 0; round < Rounds; ++round) {
        auto runOurs = [&] { timed(ours, [&](const fs::path& t) { return Ours(archive, t); }); };
        auto runTools = [&] {
            timed(unzip, [&](const fs::path& t) { return Tool("unzip -q -o -j " + a + " -d " + Quoted(t)); });
            timed(bsdtar, [&](const fs::path& t) { return Tool("bsdtar -xf " + a + " -C " + Quoted(t)); });
            timed(sevenZip, [&](const fs::path& t) {
                return Tool("7z x -y -bd -o" + Quoted(t) + " " + a + " > /dev/null");
            });
        };
        if (round % 2 == 0) {
            runOurs();
            runTools();
        } else {
            runTools();
            runOurs();
        }
    }
    std::printf("%s (%.0f MiB archive), min / median of %d rounds, inflate: %s, into %s\n", title,
                static_cast<double>(fs::file_size(archive)) / (1 << 20), Rounds, tv::RawInflate::Engine(),
                ownFileSystems ? "a new ext4 file system each" : "a new folder each");
    std::printf("  ours   %6.2f / %6.2f s, on the disk %6.2f / %6.2f s\n", Min(ours.Times),
                Median(ours.Times), Min(ours.OnDisk), Median(ours.OnDisk));
    const std::pair<const char*, const Figures*> peers[] = {
        {"unzip", &unzip}, {"bsdtar", &bsdtar}, {"7z", &sevenZip}};
    for (auto [name, figures] : peers)
        std::printf(
            "  %-6s %6.2f / %6.2f s, on the disk %6.2f / %6.2f s  (ours %.2fx / %.2fx as fast; on the "
            "disk %.2fx / %.2fx)\n",
            name, Min(figures->Times), Median(figures->Times), Min(figures->OnDisk), Median(figures->OnDisk),
            Min(figures->Times) / Min(ours.Times), Median(figures->Times) / Median(ours.Times),
            Min(figures->OnDisk) / Min(ours.OnDisk), Median(figures->OnDisk) / Median(ours.OnDisk));
    double fastest = 1e9, fastestOnDisk = 1e9;
    for (auto [name, figures] : peers) {
        fastest = std::min(fastest, Min(figures->Times));
        fastestOnDisk = std::min(fastestOnDisk, Min(figures->OnDisk));
    }
    std::printf("  ratio ours / the fastest peer, min of %d: %.2fx (on the disk %.2fx)\n", Rounds,
                fastest / Min(ours.Times), fastestOnDisk / Min(ours.OnDisk));
}

} // namespace

int main(int argc, char* argv[]) {
    long mib = argc > 1 ? std::atol(argv[1]) : 1024;
    fs::path work = fs::temp_directory_path() / ("tv-unzip-bench-" + std::to_string(getpid()));
    if (!MakeDatabaseArchive(work / "large.zip", mib)) {
        std::fprintf(stderr, "zip failed\n");
        return 1;
    }
    fs::create_directories(work / "small");
    std::mt19937 random(1);
    for (int i = 0; i < 20000; ++i) {
        std::ofstream out(work / "small" / ("bild" + std::to_string(i) + ".svg"));
        out << "<svg><!-- Ersatzteil " << i << " -->" << std::string(random() % 3000, 'p') << "</svg>\n";
    }
    Run("cd " + Quoted(work / "small") + " && zip -q -r ../small.zip .");
    fs::remove_all(work / "small");

    Compare("four database files", work / "large.zip", work);
    Compare("20 000 small files", work / "small.zip", work);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory of this process (ours in it, the tools apart): %.1f MiB\n",
                usage.ru_maxrss / 1024.0);
    fs::remove_all(work);
    return 0;
}
