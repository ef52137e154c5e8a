#include "host/AtomicFile.h"

#include <cstring>

#include "util/Failure.h"

namespace tv {

void ReplaceFileContent(const std::string& path, std::string_view bytes) {
    ReplacingFile file(path);
    int error = file.Open();
    if (!error) error = file.Write(bytes.data(), bytes.size());
    if (!error) error = file.Commit();
    if (error)
        throw Failure("Die Datei " + path + " konnte nicht geschrieben werden: " + std::strerror(error));
}

} // namespace tv
