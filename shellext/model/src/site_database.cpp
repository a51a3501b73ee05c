#include "shellext/model/site_database.h"

#include "core/errors.h"
#include "core/text_encoding.h"
#include "core/ini_store.h"
#include "storage/props_storage.h"

namespace lark::shellext {

namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

// The program path of an unquoted value: up to ".exe" when something follows it after a blank.
std::string_view UnquotedProgram(std::string_view v) {
    for (std::size_t at = 0; at + 4 <= v.size(); ++at) {
        if (!core::SameTextUtf8(v.substr(at, 4), ".exe")) continue;
        std::size_t end = at + 4;
        if (end == v.size() || v[end] == ' ' || v[end] == '\t') return v.substr(0, end);
    }
    return v;
}

}  // namespace

std::string ProgramFolderOfServerValue(std::string_view localServer32) {
    std::string_view v = TrimBlanks(localServer32);
    std::string_view program;
    if (!v.empty() && v.front() == '"') {
        v.remove_prefix(1);
        program = v.substr(0, v.find('"'));
    } else {
        program = UnquotedProgram(v);
    }
    std::size_t last = program.find_last_of("\\/:");
    if (last == std::string_view::npos) return {};
    return std::string(program.substr(0, last + 1));
}

std::string GetSiteDatabasePath(const MainClientRegistration& registration) {
    std::optional<std::string> value = registration.LocalServer32();
    if (!value) return {};
    std::string folder = ProgramFolderOfServerValue(*value);
    if (folder.empty()) return {};
    return folder + std::string(kSiteDatabaseFileName);
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
