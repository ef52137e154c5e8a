// The Firebird 3 configuration files: database aliases in databases.conf, each with
// the user database as its security database, and keys of firebird.conf with their
// commented defaults made active; the server's folder from the registry.
// Files are edited whole, written back in their encoding with CR LF after every line.
#pragma once

#include <string>
#include <vector>

namespace tv {

class Registry;

struct TDatabaseFile {
    const char* Alias;
    const char* Description;
    const char* FileName;
};

// Row 0 is the user database, whose alias is the security database of all others.
extern const TDatabaseFile DatabaseFiles[8];

std::string SecurityDbAlias();

// A key whose value an edit changed, for the run log.
struct ConfChange {
    std::string File;
    std::string Key;
    std::string OldValue; // empty for a key the file did not have
    std::string NewValue;
};

// Writes the aliases of all eight databases below `dataFolder` into `configFile`;
// nothing happens when the file or the folder does not exist.
std::vector<ConfChange> WriteDatabaseAliases(const std::string& configFile, const std::string& dataFolder);

void AddSecurityDbBlock(std::vector<std::string>& lines);
void SetConfValue(std::vector<std::string>& lines, const std::string& name, const std::string& value);
void AppendAlias(std::vector<std::string>& lines, const std::string& name, const std::string& value);

// True with the folder of the registered default server; false when none is registered.
bool GetFirebirdRoot(Registry& registry, std::string& folder);

// Sets `key` in a firebird.conf on disk; nothing happens when the file does not exist.
std::vector<ConfChange> SetFirebirdConfValue(const std::string& file, const std::string& key,
                                             const std::string& value);
void SetConfKey(std::vector<std::string>& lines, const std::string& key, const std::string& value);
void UncommentConfKey(std::vector<std::string>& lines, const std::string& key);

} // namespace tv
