// The wizard breaks the lines of its messages with LF CR; each kind of control on the
// screen wants its own line break.
#pragma once

#include <string>
#include <string_view>

#include "util/Strings.h"

namespace tv {

inline std::string ScreenText(const std::string& text, std::string_view lineBreak) {
    return ReplaceAll(text, "\n\r", lineBreak);
}

} // namespace tv
