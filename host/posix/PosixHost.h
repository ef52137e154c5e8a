// The host on POSIX systems. The registry is the ".reg" file named by the
// environment variable TVINSTALL_REGISTRY, read anew for every query so that what
// an installer wrote is seen at once; dialogs come from the window toolkit.
#pragma once

#include "host/Host.h"

namespace tv {

class PosixHost : public WindowedHost {
public:
    // A write past a file-size limit must fail with an error the user can read, not end
    // the program. (Dropped connections are the socket layer's concern.)
    explicit PosixHost(Dialogs& dialogs);

    std::string TempFolder() override;
    std::string ProgramFilesFolder() override;
    bool Is64Bits() override;
    std::unique_ptr<Registry> OpenRegistry() override;
    void WriteRegistryString(const std::string& path, const std::string& name,
                             const std::string& value) override;
    std::string ProgramFolder() override;
    std::string ProgramFile() override;
};

} // namespace tv
