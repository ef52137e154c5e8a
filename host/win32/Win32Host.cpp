#include "host/win32/Win32Host.h"

#include <vector>

#include "host/Cpu.h"
#include "host/TempFolder.h"
#include "host/win32/Wide.h"
#include "util/Paths.h"

namespace tv {

namespace {

// The shipped program is 32-bit and reads the 32-bit view by default; a 64-bit build
// (the tests) must ask for it.
constexpr REGSAM View32 = KEY_WOW64_32KEY;
// STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS: enough to see a key.
constexpr REGSAM KeyExistsRights = 0x00020009;
// Read-only opening asks for less and less until the key opens.
constexpr REGSAM ReadOnlyRights[] = {KEY_READ, 0x00020009, KEY_QUERY_VALUE};

std::wstring KeyPath(std::string_view path) {
    std::string key(path);
    while (!key.empty() && key.front() == '\\')
        key.erase(0, 1);
    return Wide(key);
}

// A variable of the process's environment as it is (references in it not expanded);
// empty when not set.
std::string Environment(const wchar_t* name) {
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    if (length == 0 || length >= size) return {};
    value.resize(length);
    return Narrow(value);
}

std::string CurrentDirectory() {
    DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) return {};
    std::wstring path(size, L'\0');
    DWORD length = GetCurrentDirectoryW(size, path.data());
    if (length == 0 || length >= size) return {};
    path.resize(length);
    return Narrow(path);
}

// The short 8.3 form a user's profile may give is made long where the folder exists.
std::string LongForm(const std::string& path) {
    const std::wstring wide = Wide(path);
    DWORD size = GetLongPathNameW(wide.c_str(), nullptr, 0);
    if (size == 0) return path;
    std::wstring longPath(size, L'\0');
    DWORD length = GetLongPathNameW(wide.c_str(), longPath.data(), size);
    if (length == 0 || length >= size) return path;
    longPath.resize(length);
    return Narrow(longPath);
}

} // namespace

std::string Win32Host::TempFolder() {
    return TempFolderByRule({Environment(L"TMP"), Environment(L"TEMP"), CurrentDirectory(), LongForm});
}

std::string Win32Host::ProgramFilesFolder() {
    auto registry = OpenRegistry();
    return ProgramFilesFromRegistry(*registry);
}

bool Win32Host::Is64Bits() {
    return ProcessorHasLongMode();
}

std::unique_ptr<Registry> Win32Host::OpenRegistry() {
    return std::make_unique<Win32Registry>();
}

std::string Win32Host::ProgramFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    while (true) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return ExtractFilePath(Narrow(std::wstring(buffer.data(), length)));
        buffer.resize(buffer.size() * 2);
    }
}

Win32Registry::~Win32Registry() {
    CloseKey();
}

void Win32Registry::CloseKey() {
    if (FKey) RegCloseKey(static_cast<HKEY>(FKey));
    FKey = nullptr;
}

bool Win32Registry::KeyExists(std::string_view path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyPath(path).c_str(), 0, KeyExistsRights | View32, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool Win32Registry::OpenKeyReadOnly(std::string_view path) {
    CloseKey();
    for (REGSAM rights : ReadOnlyRights) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyPath(path).c_str(), 0, rights | View32, &key) ==
            ERROR_SUCCESS) {
            FKey = key;
            return true;
        }
    }
    return false;
}

std::string Win32Registry::ReadString(std::string_view name) {
    if (!FKey) return {};
    const std::wstring valueName = Wide(std::string(name));
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(static_cast<HKEY>(FKey), valueName.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return {};            // a missing value reads empty
    if (size == 0) return {}; // and so does one without data, whatever its type
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw InvalidTypeError(name);
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(static_cast<HKEY>(FKey), valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(text.data()), &bytes) != ERROR_SUCCESS)
        return {};
    text.resize(wcsnlen(text.c_str(), text.size()));
    return Narrow(text);
}

} // namespace tv
