// Replacing a file's content so that a crash leaves either the old or the new file,
// never half of one: the bytes go to a temporary file beside the target, reach the
// disk, and the temporary file is renamed over the target with the target's permissions.
#pragma once

#include <string>
#include <string_view>

namespace tv {

// Throws Failure naming the file and the system's reason; the target is then unchanged.
void ReplaceFileContent(const std::string& path, std::string_view bytes);

} // namespace tv
