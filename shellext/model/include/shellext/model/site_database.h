#pragma once
// Finding and reading the main client's site database ("larkftpsrvs.ini" in its program folder,
// section "FTPServers", stored property line "Servers1.FTPServers").
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/ini_store.h"
#include "shellext/model/site_records.h"

namespace lark::shellext {

inline constexpr std::string_view kSiteDatabaseSection = "FTPServers";
// The component name the database's keys are written under.
inline constexpr std::string_view kSiteHolderName = "Servers1";

// Where the main client's program file is registered.
class MainClientRegistration {
public:
    virtual ~MainClientRegistration() = default;
    // The default value of the main client's LocalServer32 key (mainclient::kLocalServerKey);
    // nothing when the key or value cannot be read.
    virtual std::optional<std::string> LocalServer32() const = 0;
    // An environment variable that the value may name (%NAME%); nothing when it is not set.
    virtual std::optional<std::string> Environment(std::string_view) const { return std::nullopt; }
};

#ifdef _WIN32
// The registry of this machine.
std::unique_ptr<MainClientRegistration> MakeRegistryMainClientRegistration();
#endif

// The site database's path, or "" when the main client is not registered or its value names no
// folder (never a file relative to the current directory).
std::string GetSiteDatabasePath(const MainClientRegistration& registration);

// Reads the database at `path` into the holder's published FTPServers (the holder is named
// "Servers1" for the keys) and deciphers the stored passwords with SitePasswordKey(). The file
// is parsed once. An empty path or a missing file reads nothing; a damaged key keeps its
// record's value; a password that does not decipher becomes empty. A file that exists but
// cannot be read throws core::Error naming it. Returns how many passwords failed to decipher.
int ReadSiteDatabase(TServers& holder, const std::string& path);

// ReadSiteDatabase without deciphering: the passwords stay as stored until the tree that takes
// a record deciphers it.
void ReadSiteRecords(TServers& holder, const std::string& path);
// The records of a parsed database into the holder's FTPServers, passwords as stored.
void ReadSiteRecords(TServers& holder, const core::IniStore& file);

// A fresh holder named "Servers1" with the database's records.
std::unique_ptr<TServers> LoadSiteDatabase(const std::string& path);

}  // namespace lark::shellext
