#include "source/TransferRate.h"

#include <cmath>

#include "util/Strings.h"

namespace tv {

namespace {

constexpr double BytesPerMegabyte = 1e6;

std::string Megabytes(std::int64_t bytes) {
    return GermanDecimal(static_cast<double>(bytes) / BytesPerMegabyte, 1) + " MB";
}

std::string TimeLeft(double seconds) {
    const auto whole = static_cast<long long>(std::ceil(seconds));
    if (whole < 60) return "noch " + std::to_string(whole) + " s";
    if (whole < 3600)
        return "noch " + std::to_string(whole / 60) + " min " + std::to_string(whole % 60) + " s";
    return "noch " + std::to_string(whole / 3600) + " h " + std::to_string(whole % 3600 / 60) + " min";
}

} // namespace

void TransferRate::Start(std::int64_t total, double seconds) {
    FTotal = total;
    FStarted = seconds;
    FShownAt = seconds;
    FSamples.clear();
    FSamples.push_back({seconds, 0});
}

bool TransferRate::Update(std::int64_t done, double seconds) {
    FSamples.push_back({seconds, done});
    // Keep one sample at or before the window's start, so the window stays full.
    while (FSamples.size() > 2 && FSamples[1].Seconds <= seconds - RateWindowSeconds)
        FSamples.pop_front();
    if (seconds - FShownAt < LineIntervalSeconds) return false;
    FShownAt = seconds;
    return true;
}

std::string TransferRate::Line() const {
    if (FSamples.empty()) return "";
    const Sample& first = FSamples.front();
    const Sample& last = FSamples.back();
    std::string line = Megabytes(last.Bytes);
    if (FTotal > 0) line += " von " + Megabytes(FTotal);
    const double span = last.Seconds - first.Seconds;
    if (span <= 0) return line;
    const double rate = static_cast<double>(last.Bytes - first.Bytes) / span;
    line += " \u2013 " + GermanDecimal(rate / BytesPerMegabyte, 1) + " MB/s";
    if (FTotal > 0 && rate > 0 && last.Seconds - FStarted >= SettledAfterSeconds && last.Bytes < FTotal)
        line += " \u2013 " + TimeLeft(static_cast<double>(FTotal - last.Bytes) / rate);
    return line;
}

} // namespace tv
