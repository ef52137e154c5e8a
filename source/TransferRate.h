// The progress page's speed line: the bytes so far and in all, the rate smoothed over the
// last seconds, and the time left once the rate has settled. Times come from the caller,
// so that the line is the same however the clock is read.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace tv {

// The window over which the rate is smoothed.
constexpr double RateWindowSeconds = 3.0;
// No time left is shown before this: the first second's rate says little about the rest.
constexpr double SettledAfterSeconds = 2.0;
// A line that changes more often than this flickers and cannot be read.
constexpr double LineIntervalSeconds = 0.5;

class TransferRate {
public:
    // A new transfer of `total` bytes (0 when unknown), begun at `seconds`.
    void Start(std::int64_t total, double seconds);
    // True when the line is due to be shown anew (at most every LineIntervalSeconds).
    bool Update(std::int64_t done, double seconds);
    // "112,4 MB von 250,0 MB – 8,3 MB/s – noch 17 s"; parts not yet known are left out.
    std::string Line() const;

private:
    struct Sample {
        double Seconds;
        std::int64_t Bytes;
    };
    std::int64_t FTotal = 0;
    double FStarted = 0;
    double FShownAt = 0;
    std::deque<Sample> FSamples;
};

} // namespace tv
