// What the unpacking benchmarks share: the database-like files they pack, and their clock.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace tv::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

inline double Min(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

inline double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A path for the shell, in single quotes (built piecewise: GCC 12 warns falsely on "'" + path).
inline std::string Quoted(const std::filesystem::path& path) {
    std::string quoted = "'";
    quoted += path.string();
    quoted += "'";
    return quoted;
}

// Pages as databases have them: headers, repeated records, some noise.
inline void MakeDatabaseFile(const std::filesystem::path& path, std::uint64_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::ofstream out(path, std::ios::binary);
    std::string page(8192, '\0');
    for (std::uint64_t written = 0; written < size; written += page.size()) {
        for (size_t i = 0; i < page.size(); i += 64) {
            std::string record =
                "REC" + std::to_string(random() % 5000) + "|Ersatzteil|" + std::to_string(random() % 97);
            record.resize(48, ' ');
            std::copy(record.begin(), record.end(), page.begin() + static_cast<long>(i));
            for (size_t k = 48; k < 64; ++k)
                page[i + k] = static_cast<char>(random() % 7 == 0 ? random() : 0);
        }
        out.write(page.data(), static_cast<std::streamsize>(page.size()));
    }
}

// `archive`: four database files of `mib` MiB together, packed by Info-ZIP's zip (POSIX).
// False when zip failed.
inline bool MakeDatabaseArchive(const std::filesystem::path& archive, long mib) {
    namespace fs = std::filesystem;
    const fs::path files = archive.parent_path() / (archive.filename().string() + ".files");
    fs::create_directories(files);
    for (int i = 0; i < 4; ++i)
        MakeDatabaseFile(files / ("etg_part" + std::to_string(i) + ".db"),
                         static_cast<std::uint64_t>(mib) * 1024 * 1024 / 4, static_cast<unsigned>(i));
    fs::remove(archive);
    const bool made =
        std::system(
            ("cd " + Quoted(files) + " && zip -q -r " + Quoted(fs::absolute(archive)) + " .").c_str()) == 0;
    fs::remove_all(files);
    return made;
}

} // namespace tv::bench
