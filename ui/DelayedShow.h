// When a window that the form asks for while a wait lasts is to be shown: only once the
// wait has lasted a moment, so a server that answers at once shows nothing. Shared by
// both windows; toolkit-free.
#pragma once

#include <chrono>
#include <optional>

namespace tv {

class DelayedShow {
public:
    // A wait shorter than this passes without a window; a longer one shows it well within
    // a second.
    static constexpr std::chrono::milliseconds Delay{500};

    // Whether the window is to be shown now, with the form asking for it (`requested`)
    // at this reflection.
    bool Due(bool requested) {
        if (!requested) {
            FSince.reset();
            return false;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!FSince) FSince = now;
        return now - *FSince >= Delay;
    }

private:
    std::optional<std::chrono::steady_clock::time_point> FSince; // since the form asks
};

} // namespace tv
