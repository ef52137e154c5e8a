// The host on Windows: known folders and the registry through the Windows API, the
// registry always in the 32-bit view (as the 32-bit program sees it, whichever build
// asks); dialogs come from the window.
#pragma once

#include "host/Host.h"

namespace tv {

class Win32Host : public WindowedHost {
public:
    explicit Win32Host(Dialogs& dialogs) : WindowedHost(dialogs) {}

    std::string TempFolder() override;
    std::string ProgramFilesFolder() override;
    bool Is64Bits() override;
    std::unique_ptr<Registry> OpenRegistry() override;
    void WriteRegistryString(const std::string& path, const std::string& name,
                             const std::string& value) override;
    std::string ProgramFolder() override;
    std::string ProgramFile() override;
};

// HKEY_LOCAL_MACHINE in the 32-bit view.
class Win32Registry : public Registry {
public:
    Win32Registry() = default;
    ~Win32Registry() override;
    Win32Registry(const Win32Registry&) = delete;
    Win32Registry& operator=(const Win32Registry&) = delete;

    bool KeyExists(std::string_view path) override;
    bool OpenKeyReadOnly(std::string_view path) override;
    std::string ReadString(std::string_view name) override;

private:
    void CloseKey();
    void* FKey = nullptr; // HKEY
};

} // namespace tv
