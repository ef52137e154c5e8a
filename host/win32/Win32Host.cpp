#include "host/win32/Win32Host.h"

#include <vector>

#include "host/Cpu.h"
#include "host/win32/Wide.h"
#include "util/Paths.h"

namespace tv {

namespace {

constexpr REGSAM ReadIn32BitView = KEY_READ | KEY_WOW64_32KEY;

std::wstring KeyPath(std::string_view path) {
    std::string key(path);
    while (!key.empty() && key.front() == '\\')
        key.erase(0, 1);
    return Wide(key);
}

} // namespace

std::string Win32Host::TempFolder() {
    wchar_t buffer[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) return {};
    std::wstring path(buffer, length);
    // The short 8.3 form a user's profile may give is made long where the folder exists.
    DWORD longLength = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (longLength > 0) {
        std::wstring longPath(longLength, L'\0');
        DWORD written = GetLongPathNameW(path.c_str(), longPath.data(), longLength);
        if (written > 0 && written < longLength) path.assign(longPath.c_str(), written);
    }
    std::string result = Narrow(path);
    if (result.size() > 3) result = ExcludeTrailingPathDelimiter(result); // "C:\" keeps its delimiter
    return result;
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
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyPath(path).c_str(), 0, ReadIn32BitView, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool Win32Registry::OpenKeyReadOnly(std::string_view path) {
    CloseKey();
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyPath(path).c_str(), 0, ReadIn32BitView, &key) != ERROR_SUCCESS)
        return false;
    FKey = key;
    return true;
}

std::string Win32Registry::ReadString(std::string_view name) {
    if (!FKey) return {};
    const std::wstring valueName = Wide(std::string(name));
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(static_cast<HKEY>(FKey), valueName.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return {}; // a missing value reads empty
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
