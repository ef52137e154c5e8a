// The speed line under the progress bar: what it says as a transfer goes on.
#include "source/TransferRate.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(TransferRate, SaysSizeRateAndTimeLeftOnceTheRateHasSettled) {
    const struct {
        const char* Name;
        std::int64_t Total;
        std::vector<std::pair<double, std::int64_t>> Samples; // seconds, bytes so far
        const char* Line;
    } cases[] = {
        {"at the start", 250'000'000, {}, "0,0 MB von 250,0 MB"},
        {"first second: no time left yet",
         250'000'000,
         {{1.0, 8'300'000}},
         "8,3 MB von 250,0 MB \u2013 8,3 MB/s"},
        {"settled",
         250'000'000,
         {{1.0, 8'300'000}, {2.0, 16'600'000}, {13.0, 112'400'000}},
         // the window holds the last three seconds' samples and one before: 11 s, 95.8 MB
         "112,4 MB von 250,0 MB \u2013 8,7 MB/s \u2013 noch 16 s"},
        {"smoothed over the last seconds",
         100'000'000,
         {{1.0, 1'000'000},
          {2.0, 2'000'000},
          {3.0, 3'000'000},
          {4.0, 13'000'000},
          {5.0, 23'000'000},
          {6.0, 33'000'000}},
         "33,0 MB von 100,0 MB \u2013 10,0 MB/s \u2013 noch 7 s"},
        {"minutes left",
         600'000'000,
         {{1.0, 1'000'000}, {2.0, 2'000'000}, {3.0, 3'000'000}},
         "3,0 MB von 600,0 MB \u2013 1,0 MB/s \u2013 noch 9 min 57 s"},
        {"unknown length", 0, {{1.0, 5'000'000}, {4.0, 20'000'000}}, "20,0 MB \u2013 5,0 MB/s"},
        {"done", 10'000'000, {{1.0, 5'000'000}, {3.0, 10'000'000}}, "10,0 MB von 10,0 MB \u2013 3,3 MB/s"},
    };
    for (const auto& c : cases) {
        TransferRate rate;
        rate.Start(c.Total, 0.0);
        for (const auto& [seconds, bytes] : c.Samples)
            rate.Update(bytes, seconds);
        EXPECT_EQ(rate.Line(), c.Line) << c.Name;
    }
}

} // namespace
} // namespace tv
