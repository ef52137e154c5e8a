// Fuzz target: the HTTP answer reader (status and header lines, lengths, chunked bodies,
// trailers, redirects, cookies) fed by a scripted server instead of a TLS connection.
// The first byte sets the size of the pieces the answer arrives in.
#include <algorithm>
#include <cstdint>
#include <string>

#include "source/http/HttpClient.h"
#include "source/http/HttpSink.h"
#include "util/Failure.h"

namespace {

class ScriptedServer : public tv::HttpTransport {
public:
    ScriptedServer(std::string answer, size_t piece) : FAnswer(std::move(answer)), FPiece(piece) {}
    void Open(const std::string& host, int port) override {
        FHost = host;
        FPort = port;
        FOpen = true;
    }
    bool Connected() const override { return FOpen; }
    void Close() override { FOpen = false; }
    size_t Read(char* buffer, size_t size) override {
        if (!FOpen) throw tv::Failure("closed");
        size_t n = std::min({size, FPiece, FAnswer.size() - FAt});
        std::copy_n(FAnswer.data() + FAt, n, buffer);
        FAt += n;
        return n;
    }
    void Write(const char*, size_t) override {
        if (!FOpen) throw tv::Failure("closed");
    }
    // The script's end stands for close_notify, so that bodies ended by the connection are read too.
    bool EndedCleanly() const override { return true; }
    const std::string& Host() const override { return FHost; }
    int Port() const override { return FPort; }

private:
    std::string FAnswer;
    size_t FPiece;
    size_t FAt = 0;
    std::string FHost;
    int FPort = 0;
    bool FOpen = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t piece = 1 + data[0] % 64 * 97;
    tv::HttpClient client(std::make_unique<ScriptedServer>(
        std::string(reinterpret_cast<const char*>(data + 1), size - 1), piece));
    client.UserName = "setup";
    client.Password = "secret";
    tv::MemorySink sink;
    try {
        client.Post("https://update.example/users/norvano/login", sink);
        client.Get("https://update.example/users/norvano/installation/install.ini", sink);
    } catch (const tv::Failure&) {
    }
    try {
        tv::ReadTunnelAnswer(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    } catch (const tv::Failure&) {
    }
    return 0;
}
