// Downloads one large file from the nginx test bed over TLS, with our client and with
// curl in the same run, and prints the throughput of both, their ratio and our peak memory.
// Usage: download_bench [size in MiB, default 1024]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>

#include "fixtures/NginxServer.h"
#include "fixtures/TestCertificates.h"
#include "source/http/HttpClient.h"

using namespace tv;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

long PeakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char* argv[]) {
    long mib = argc > 1 ? std::atol(argv[1]) : 1024;
    const std::uint64_t size = static_cast<std::uint64_t>(mib) * 1024 * 1024;
    testbed::NginxServer server;
    const std::string file = server.InstallationFolder() + "/big.zip";
    {
        std::ofstream out(file, std::ios::binary);
        std::string block(1 << 20, '\0');
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>((i * 2654435761u) >> 13);
        for (long i = 0; i < mib; ++i)
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    const std::string address = server.Origin() + "/users/norvano/installation/big.zip";
    long rssBefore = PeakRssKiB();
    std::string curl = "curl -s -S -o /dev/null --tlsv1.2 --tls-max 1.2 --cacert '" +
                       testbed::CertificateFolder() + "/ca.pem' -u '" + testbed::NginxServer::User + ":" +
                       testbed::NginxServer::Password + "' '" + address + "'";
    // Both tools read the file once before measuring, so neither meets a cold cache.
    if (std::system(curl.c_str()) != 0) std::fprintf(stderr, "curl failed to warm up\n");

    // Alternating rounds, best of each: the two tools meet the same machine state.
    constexpr int Rounds = 3;
    double ours = 1e9, theirs = 1e9;
    int curlResult = 0;
    for (int round = 0; round < Rounds; ++round) {
        HttpClient client;
        client.UserName = testbed::NginxServer::User;
        client.Password = testbed::NginxServer::Password;
        std::int64_t received = 0;
        client.OnWork = [&](WorkMode, std::int64_t count) { received = count; };
        auto start = Clock::now();
        {
            FileSink sink("/dev/null");
            client.Get(address, sink);
            sink.Close();
        }
        ours = std::min(ours, Seconds(Clock::now() - start));
        if (static_cast<std::uint64_t>(received) != size) {
            std::fprintf(stderr, "received %lld of %llu bytes\n", static_cast<long long>(received),
                         static_cast<unsigned long long>(size));
            return 1;
        }
        start = Clock::now();
        curlResult |= std::system(curl.c_str());
        theirs = std::min(theirs, Seconds(Clock::now() - start));
    }

    double mb = static_cast<double>(size) / (1024.0 * 1024.0);
    std::printf("file: %ld MiB over TLS 1.2 from nginx on loopback, best of %d rounds each\n", mib, Rounds);
    std::printf("ours: %.2f s, %.1f MiB/s\n", ours, mb / ours);
    if (curlResult == 0) {
        std::printf("curl: %.2f s, %.1f MiB/s\n", theirs, mb / theirs);
        std::printf("ratio ours/curl: %.2f\n", theirs / ours);
    } else {
        std::printf("curl: failed (%d)\n", curlResult);
    }
    std::printf("peak memory of this process: %.1f MiB (before the download %.1f MiB)\n",
                PeakRssKiB() / 1024.0, rssBefore / 1024.0);
    std::filesystem::remove(file);
    return 0;
}
