#include "shellext/model/site_database.h"

#include "core/errors.h"
#include "core/text_encoding.h"
#include "core/ini_store.h"
#include "mainclient/main_client.h"
#include "storage/props_storage.h"

namespace lark::shellext {

std::string GetSiteDatabasePath(const MainClientRegistration& registration) {
    std::optional<std::string> value = registration.LocalServer32();
    if (!value) return {};
    std::string folder = mainclient::ProgramFolderOfLocalServer(
        *value, [&registration](std::string_view name) { return registration.Environment(name); });
    if (folder.empty()) return {};
    return folder + mainclient::kSiteDatabaseName;
}

void ReadSiteRecords(TServers& holder, const core::IniStore& file) {
    storage::TPropsStorage reader;
    reader.Object = &holder;
    reader.Prefix = std::string(kSiteHolderName) + "_";
    reader.Section = std::string(kSiteDatabaseSection);
    // A record's keys are read one after another from its section: find it once for them. The
    // callbacks hold one pointer each, so the copies every nested record makes allocate nothing.
    struct Cursor {
        const core::IniStore& file;
        std::string name;
        const core::IniStore::Section* section;
    } cursor{file, {}, file.FindSectionForReading({})};
    reader.OnReadString = [c = &cursor](std::string_view s, std::string_view k, std::string_view d) {
        if (s != c->name) {
            c->name.assign(s);
            c->section = c->file.FindSectionForReading(s);
        }
        return c->file.ReadString(c->section, k, d);
    };
    reader.OnReadSectionKeys = [f = &file](std::string_view s, const std::function<void(std::string_view)>& each) {
        f->ForEachKey(s, each);
    };
    reader.LoadPropValue(*holder.Class().FindProp("FTPServers"));
}

void ReadSiteRecords(TServers& holder, const std::string& path) {
    if (holder.Name().empty()) holder.SetName(std::string(kSiteHolderName));
    if (!core::SameTextUtf8(holder.Name(), kSiteHolderName))
        throw core::Error("The site database is read into a component named " + std::string(kSiteHolderName));
    // Parsed once; a file that exists but cannot be read fails here, naming the file.
    if (!path.empty()) ReadSiteRecords(holder, core::IniStore(path));
}

int ReadSiteDatabase(TServers& holder, const std::string& path) {
    ReadSiteRecords(holder, path);
    return DecipherPasswords(holder.FTPServers(), SitePasswordKey());
}

std::unique_ptr<TServers> LoadSiteDatabase(const std::string& path) {
    auto holder = std::make_unique<TServers>();
    ReadSiteDatabase(*holder, path);
    return holder;
}

}  // namespace lark::shellext
