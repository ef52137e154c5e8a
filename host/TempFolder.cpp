#include "host/TempFolder.h"

namespace tv {

std::string TempFolderByRule(const TempFolderSources& sources) {
    std::string result =
        sources.Tmp.empty() || sources.Temp.empty() ? sources.CurrentDirectory : sources.Temp;
    if (!result.empty() && sources.LongForm) result = sources.LongForm(result);
    // From a drive root too: "C:\" becomes "C:", and callers add the delimiter back. A
    // POSIX root, all delimiter, stays.
    if (result.size() > 1 && (result.back() == '\\' || result.back() == '/')) result.pop_back();
    return result;
}

} // namespace tv
