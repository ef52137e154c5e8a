// Downloads one large file from the nginx test bed over TLS, with our client (its SHA-256
// computed on the fly, as the wizard does) and with curl (writing the file, no digest) in
// the same run, and prints the throughput of both, their ratio and our peak memory; then
// the same download broken once at its middle and continued with a range request.
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
#include "source/ResumingFile.h"
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

// The test bed's account, as the wizard sends it.
void LogIn(HttpClient& client) {
    client.UserName = testbed::NginxServer::User;
    client.Password = testbed::NginxServer::Password;
}

// curl fetching `address` with the test bed's account and certificate authority, its body
// going where `output` says ("-o /dev/null", "-o - | sha256sum ...").
std::string CurlCommand(const std::string& address, const std::string& output) {
    return "curl -s -S --tlsv1.2 --tls-max 1.2 --cacert '" + testbed::CertificateFolder() + "/ca.pem' -u '" +
           testbed::NginxServer::User + ":" + testbed::NginxServer::Password + "' '" + address + "' " +
           output;
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
    const std::string curl = CurlCommand(address, "-o /dev/null");
    // Both tools read the file once before measuring, so neither meets a cold cache.
    if (std::system(curl.c_str()) != 0) std::fprintf(stderr, "curl failed to warm up\n");

    // Alternating rounds, best of each: the two tools meet the same machine state.
    constexpr int Rounds = 3;
    double ours = 1e9, theirs = 1e9;
    int curlResult = 0;
    for (int round = 0; round < Rounds; ++round) {
        HttpClient client;
        LogIn(client);
        std::int64_t received = 0;
        client.OnWork = [&](WorkMode, std::int64_t count) { received = count; };
        auto start = Clock::now();
        {
            ResumingFile sink("/dev/null", "/dev/null");
            client.Get(address, sink);
            sink.Close();
            if (round == 0) std::printf("sha-256 of the download: %s\n", sink.HexDigest().c_str());
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

    // The same without the digest: what the digest costs where nginx shares the two cores.
    double plain = 1e9;
    for (int round = 0; round < Rounds; ++round) {
        HttpClient client;
        LogIn(client);
        FileSink sink("/dev/null");
        const auto start = Clock::now();
        client.Get(address, sink);
        sink.Close();
        plain = std::min(plain, Seconds(Clock::now() - start));
    }

    double mb = static_cast<double>(size) / (1024.0 * 1024.0);
    std::printf("file: %ld MiB over TLS 1.2 from nginx on loopback, best of %d rounds each\n", mib, Rounds);
    std::printf("ours, with SHA-256: %.2f s, %.1f MiB/s\n", ours, mb / ours);
    std::printf("ours, without a digest: %.2f s, %.1f MiB/s\n", plain, mb / plain);
    if (curlResult == 0) {
        std::printf("curl: %.2f s, %.1f MiB/s\n", theirs, mb / theirs);
        std::printf("ratio ours/curl: %.2f\n", theirs / ours);
    } else {
        std::printf("curl: failed (%d)\n", curlResult);
    }
    // Broken once at the middle: the connection drops, the next try asks for the rest.
    double resumed = 1e9;
    for (int round = 0; round < Rounds; ++round) {
        HttpClient client;
        LogIn(client);
        bool cut = false;
        client.OnWork = [&](WorkMode, std::int64_t count) {
            if (!cut && static_cast<std::uint64_t>(count) >= size / 2) {
                cut = true;
                client.Transport().Close();
            }
        };
        ResumingFile sink("/dev/null", "/dev/null");
        const auto start = Clock::now();
        try {
            client.Get(address, sink);
        } catch (const std::exception&) {
            sink.BeginTry();
            client.RangeFrom = sink.Size();
            client.IfRange = sink.Validator();
            client.Get(address, sink);
        }
        sink.Close();
        resumed = std::min(resumed, Seconds(Clock::now() - start));
        if (sink.Size() != size || !cut) {
            std::fprintf(stderr, "the resumed download holds %llu bytes\n",
                         static_cast<unsigned long long>(sink.Size()));
            return 1;
        }
    }
    std::printf("broken at the middle and resumed: %.2f s (%.2f x the unbroken download; the wizard "
                "pauses 1 s before that try, not counted here)\n",
                resumed, resumed / ours);
    // curl with a digest too, for a like-for-like figure: the same file through sha256sum.
    const std::string curlHashing = CurlCommand(address, "-o - | sha256sum >/dev/null");
    double hashing = 1e9;
    for (int round = 0; round < Rounds; ++round) {
        const auto start = Clock::now();
        curlResult |= std::system(curlHashing.c_str());
        hashing = std::min(hashing, Seconds(Clock::now() - start));
    }
    std::printf("curl | sha256sum: %.2f s, %.1f MiB/s (ratio ours with SHA-256 / this: %.2f)\n", hashing,
                mb / hashing, hashing / ours);
    std::printf("peak memory of this process: %.1f MiB (before the download %.1f MiB)\n",
                PeakRssKiB() / 1024.0, rssBefore / 1024.0);
    std::filesystem::remove(file);
    return 0;
}
