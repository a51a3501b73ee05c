#include "site_store.h"

#include <memory>
#include <vector>

#include "core/text_encoding.h"
#include "shellext/model/site_database.h"
#include "shellext/model/site_records.h"
#include "storage/form_storage.h"
#include "win/com_error.h"
#include "win/text.h"

namespace lark::mainclient_double {

namespace {

using shellext::TFtpServerInfo;
using shellext::TFtpServers;
using shellext::TServers;

std::vector<std::string> PathNames(const std::string& path) {
    std::vector<std::string> names;
    std::string name;
    for (char c : path) {
        if (c == '\\') {
            if (!name.empty()) names.push_back(name);
            name.clear();
        } else {
            name += c;
        }
    }
    if (!name.empty()) names.push_back(name);
    return names;
}

int IndexOf(const TFtpServers& records, const std::string& name, bool folder) {
    for (int i = 0; i < records.Count(); ++i) {
        const TFtpServerInfo* r = records.Items(i);
        if (core::SameTextUtf8(r->ProfileName, name) && (!folder || r->IsFolder)) return i;
    }
    return -1;
}

// The database's records, passwords as stored.
std::unique_ptr<TServers> Load(const std::wstring& database) {
    auto holder = std::make_unique<TServers>();
    holder->SetName(std::string(shellext::kSiteHolderName));
    shellext::ReadSiteRecords(*holder, win::Narrow(database));
    return holder;
}

void Save(const std::wstring& database, TServers& holder) {
    storage::TFormStorage writer;
    writer.SetIniFileName(win::Narrow(database));
    writer.SetIniSection(std::string(shellext::kSiteDatabaseSection));
    writer.AddStoredProp(std::string(shellext::kSiteHolderName) + ".FTPServers", &holder);
    writer.SaveStoredProps();
}

TFtpServers& Folder(TServers& holder, const std::vector<std::string>& names, std::size_t count) {
    TFtpServers* records = &holder.FTPServers();
    for (std::size_t i = 0; i < count; ++i) {
        const int at = IndexOf(*records, names[i], true);
        if (at < 0) throw win::ComError(E_FAIL, "no such profile folder: " + names[i]);
        records = &records->Items(at)->Servers();
    }
    return *records;
}

}  // namespace

void StoreAddProfile(const std::wstring& database, const mainclient::ProfileRecord& p) {
    auto holder = Load(database);
    const std::vector<std::string> names = PathNames(p.folder_path);
    TFtpServerInfo& r = *Folder(*holder, names, names.size()).Add();
    r.ProfileName = p.profile_name;
    r.HostName = p.host_name;
    r.UserName = p.user_name;
    r.SetStoredPassWord(shellext::EncipherPassWord(p.password, shellext::SitePasswordKey()));
    r.Port = p.port;
    r.SetUseGlobalProxy(p.use_global_proxy);
    r.ProxyName = p.proxy_name;
    r.ProxyPort = p.proxy_port;
    r.HostDirName = p.host_dir_name;
    r.Passive = p.passive;
    r.ServerType = p.server_type;
    r.ProxyType = p.proxy_type;
    r.ProxyUser = p.proxy_user;
    r.ProxyPassword = p.proxy_password;
    r.Authentication = p.authentication;
    r.PrivateKey = p.private_key;
    r.KeyPassword = p.key_password;
    Save(database, *holder);
}

void StoreAddProfileFolder(const std::wstring& database, const std::string& name, const std::string& parentPath) {
    auto holder = Load(database);
    const std::vector<std::string> names = PathNames(parentPath);
    TFtpServerInfo& r = *Folder(*holder, names, names.size()).Add();
    r.ProfileName = name;
    r.IsFolder = true;
    r.SetStoredPassWord("");
    Save(database, *holder);
}

void StoreDeleteRecord(const std::wstring& database, const std::string& itemPath) {
    auto holder = Load(database);
    const std::vector<std::string> names = PathNames(itemPath);
    if (names.empty()) throw win::ComError(E_FAIL, "no profile named");
    TFtpServers& records = Folder(*holder, names, names.size() - 1);
    const int at = IndexOf(records, names.back(), false);
    if (at < 0) throw win::ComError(E_FAIL, "no such profile: " + itemPath);
    records.Delete(at);
    Save(database, *holder);
}

}  // namespace lark::mainclient_double
