// Read-only registry queries with the failure rules the wizard relies on: a key that
// cannot be opened is simply absent, a missing value reads empty, a value that is not
// text raises ERegistryException. RegistryData is the registry as a Windows ".reg"
// export ("Windows Registry Editor Version 5.00"), which is how POSIX hosts hold it.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "util/Failure.h"

namespace tv {

class ERegistryException : public Failure {
public:
    using Failure::Failure;
};

// One registry query object, made for one query and dropped after it.
class Registry {
public:
    virtual ~Registry() = default;
    // Paths are below HKEY_LOCAL_MACHINE; a leading "\" is allowed.
    virtual bool KeyExists(std::string_view path) = 0;
    virtual bool OpenKeyReadOnly(std::string_view path) = 0;
    virtual std::string ReadString(std::string_view name) = 0;
};

enum class RegistryValueType { String, ExpandString, DWord, Binary, Other };

struct RegistryValue {
    RegistryValueType Type = RegistryValueType::String;
    std::string Text;    // for String and ExpandString, UTF-8
    bool NoData = false; // "hex:" or "hex(N):" with nothing after it
};

// The keys and values of a ".reg" text, HKEY_LOCAL_MACHINE only.
class RegistryData {
public:
    // Malformed lines are skipped; a text without the header gives an empty registry.
    static RegistryData Parse(std::string_view text);

    bool HasKey(std::string_view path) const;
    // nullptr when the key or the value is missing
    const RegistryValue* FindValue(std::string_view path, std::string_view name) const;

private:
    static std::string KeyId(std::string_view path);
    void RemoveKey(const std::string& id);
    // key id (upper case, no leading or trailing "\") -> value name (upper case) -> value
    std::map<std::string, std::map<std::string, RegistryValue>> FKeys;
};

// A Registry over a RegistryData snapshot. With `wow64View` it is the 32-bit view of a
// 64-bit machine, where "SOFTWARE\WOW6432Node\X" and "SOFTWARE\X" name the same key.
class RegistrySnapshot : public Registry {
public:
    explicit RegistrySnapshot(RegistryData data, bool wow64View = false)
        : FData(std::move(data)), FWow64View(wow64View) {}
    bool KeyExists(std::string_view path) override;
    bool OpenKeyReadOnly(std::string_view path) override;
    std::string ReadString(std::string_view name) override;

private:
    std::string InView(std::string_view path) const;
    RegistryData FData;
    bool FWow64View;
    std::optional<std::string> FCurrentKey;
};

// A key of HKEY_LOCAL_MACHINE with one text value, as a ".reg" text adds it: appended to a
// registry file, it sets the value.
std::string RegistryValueText(const std::string& path, const std::string& name, const std::string& value);

// The failure of a value that is not text.
ERegistryException InvalidTypeError(std::string_view name);

// The programs folder as the registry holds it (shared by every host); empty when missing.
std::string ProgramFilesFromRegistry(Registry& registry);

} // namespace tv
