// The user's temporary folder by the Windows rule, shared by every host: "TMP" only
// decides whether "TEMP" is looked at, and when either is missing or empty the current
// directory serves; the long form where the folder exists; one trailing delimiter removed.
#pragma once

#include <functional>
#include <string>

namespace tv {

struct TempFolderSources {
    std::string Tmp; // the environment's values, empty when not set
    std::string Temp;
    std::string CurrentDirectory;
    // The long form of an existing folder; the path unchanged when it cannot be made.
    std::function<std::string(const std::string&)> LongForm;
};

std::string TempFolderByRule(const TempFolderSources& sources);

} // namespace tv
