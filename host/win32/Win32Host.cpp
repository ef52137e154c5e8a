#include "host/win32/Win32Host.h"

#include <functional>
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

// A text the system writes into a buffer after saying how large it must be; empty when
// the system fails.
std::wstring SystemText(const std::function<DWORD(wchar_t* buffer, DWORD size)>& call) {
    DWORD size = call(nullptr, 0);
    if (size == 0) return {};
    std::wstring text(size, L'\0');
    DWORD length = call(text.data(), size);
    if (length == 0 || length >= size) return {};
    text.resize(length);
    return text;
}

// A variable of the process's environment as it is (references in it not expanded);
// empty when not set.
std::string Environment(const wchar_t* name) {
    return Narrow(SystemText(
        [name](wchar_t* buffer, DWORD size) { return GetEnvironmentVariableW(name, buffer, size); }));
}

std::string CurrentDirectory() {
    return Narrow(SystemText([](wchar_t* buffer, DWORD size) { return GetCurrentDirectoryW(size, buffer); }));
}

// The short 8.3 form a user's profile may give is made long where the folder exists.
std::string LongForm(const std::string& path) {
    const std::wstring wide = Wide(path);
    std::wstring longPath = SystemText(
        [&wide](wchar_t* buffer, DWORD size) { return GetLongPathNameW(wide.c_str(), buffer, size); });
    return longPath.empty() ? path : Narrow(longPath);
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

void Win32Host::WriteRegistryString(const std::string& path, const std::string& name,
                                    const std::string& value) {
    HKEY key = nullptr;
    LONG error = RegCreateKeyExW(HKEY_LOCAL_MACHINE, KeyPath(path).c_str(), 0, nullptr, 0,
                                 KEY_SET_VALUE | View32, nullptr, &key, nullptr);
    if (error == ERROR_SUCCESS) {
        const std::wstring text = Wide(value);
        error =
            RegSetValueExW(key, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    if (error != ERROR_SUCCESS)
        throw Failure("Der Registry-Wert " + path + "\\" + name +
                      " kann nicht geschrieben werden: " + SystemMessage(static_cast<DWORD>(error)));
}

std::string Win32Host::ProgramFolder() {
    const std::string file = ProgramFile();
    return file.empty() ? std::string() : ExtractFilePath(file);
}

std::string Win32Host::ProgramFile() {
    std::vector<wchar_t> buffer(MAX_PATH);
    while (true) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return Narrow(std::wstring(buffer.data(), length));
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
