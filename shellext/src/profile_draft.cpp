#include "shellext/profile_draft.h"

#include <exception>
#include <functional>
#include <memory>

#include "core/errors.h"
#include "core/text_encoding.h"

namespace lark::shellext {

ProfileDraft DraftOf(const TFtpServerInfo& record) {
    ProfileDraft d;
    d.profileName = record.ProfileName;
    d.hostName = record.HostName;
    d.port = record.Port;
    d.hostDirName = record.HostDirName;
    d.userName = record.UserName;
    d.password = record.PassWord();
    d.passwordUnreadable = record.PassWordUnreadable();
    d.useGlobalProxy = record.UseGlobalProxy();
    d.passive = record.Passive;
    d.serverType = record.ServerType;
    d.authentication = record.Authentication;
    d.privateKey = record.PrivateKey;
    d.keyPassword = record.KeyPassword;
    d.proxyName = record.ProxyName;
    d.proxyPort = record.ProxyPort;
    d.proxyType = record.ProxyType;
    d.proxyUser = record.ProxyUser;
    d.proxyPassword = record.ProxyPassword;
    return d;
}

void StoreDraft(const ProfileDraft& d, TFtpServerInfo& record) {
    record.ProfileName = d.profileName;
    record.HostName = d.hostName;
    record.Port = d.port;
    record.HostDirName = d.hostDirName;
    record.UserName = d.userName;
    record.SetPassWord(d.password);
    record.SetUseGlobalProxy(d.useGlobalProxy);
    record.Passive = d.passive;
    if (d.serverType == kServerTypeFtp || d.serverType == kServerTypeSftp) record.ServerType = d.serverType;
    record.Authentication = d.authentication;
    record.PrivateKey = d.privateKey;
    record.KeyPassword = d.keyPassword;
    record.ProxyName = d.proxyName;
    record.ProxyPort = d.proxyPort;
    record.ProxyType = d.proxyType;
    record.ProxyUser = d.proxyUser;
    record.ProxyPassword = d.proxyPassword;
}

bool CanConfirm(const ProfileDraft& d) {
    return !d.profileName.empty() && !d.hostName.empty() && !d.port.empty() && !d.userName.empty() &&
           !(d.passwordUnreadable && d.password.empty());
}

std::vector<std::string> SiblingNames(const TFTPObjects& level, const TFTPObject* node) {
    std::vector<std::string> names;
    for (int i = 0; i < level.Count(); ++i) {
        const TFTPObject* sibling = level.Items(i);
        if (sibling == node || !sibling->ServerInfo() || sibling->IsFolder()) continue;
        names.push_back(sibling->ServerInfo()->ProfileName);
    }
    return names;
}

bool NameRefused(const ProfileDialogSetup& setup, std::string_view name) {
    if (!setup.isNew && name == setup.storedName) return false;
    for (const std::string& sibling : setup.siblings)
        if (core::SameTextUtf8(sibling, name)) return true;
    return false;
}

std::string DuplicateNameText(std::string_view ids3, std::string_view name, std::string_view ids4,
                              std::string_view ids5) {
    std::string text(ids3);
    text.append(name).append(ids4).append("\n\r").append(ids5);
    return text;
}

mainclient::ProfileRecord ProfileCallOf(const TFTPObject& node) {
    const TFtpServerInfo* r = node.ServerInfo();
    if (!r) throw core::Error("Site properties: the node has no site record");
    mainclient::ProfileRecord call;
    call.folder_path = GetObjectPath(node, "\\");
    call.profile_name = r->ProfileName;
    call.host_name = r->HostName;
    call.user_name = r->UserName;
    call.password = r->PassWord();
    call.port = r->Port;
    call.use_global_proxy = r->UseGlobalProxy();
    call.proxy_name = r->ProxyName;
    call.proxy_port = r->ProxyPort;
    call.host_dir_name = r->HostDirName;
    call.passive = r->Passive;
    call.reserved = 0;
    call.server_type = r->ServerType;
    call.proxy_type = r->ProxyType;
    call.proxy_user = r->ProxyUser;
    call.proxy_password = r->ProxyPassword;
    call.authentication = r->Authentication;
    call.private_key = r->PrivateKey;
    call.key_password = r->KeyPassword;
    return call;
}

// ---- authentication ----

int AuthItemOf(int authentication) {
    if (authentication == 0) return 2;
    if (authentication == 2) return 1;
    return 0;
}

void StoreAuthChoice(int item, const std::string& keyFile, const std::string& passphrase, ProfileDraft& draft) {
    if (item <= 0) {
        draft.authentication = 1;
        return;
    }
    draft.authentication = item == 1 ? 2 : 0;
    draft.privateKey = keyFile;
    draft.keyPassword = passphrase;
}

// ---- proxy ----

namespace {

std::size_t Index(ProxyRow row) { return static_cast<std::size_t>(row); }

bool IsSocks(int proxyType) { return proxyType >= 3 && proxyType <= 5; }

}  // namespace

ProxySettings ProxySettingsOf(const ProfileDraft& d) {
    return {d.proxyName, d.proxyPort, d.proxyType, d.proxyUser, d.proxyPassword};
}

void StoreProxySettings(const ProxySettings& s, ProfileDraft& d) {
    d.proxyName = s.name;
    d.proxyPort = s.port;
    d.proxyType = s.type;
    d.proxyUser = s.user;
    d.proxyPassword = s.password;
}

void FillProxyScreen(const ProxySettings& s, int serverType, ProxyScreen& screen) {
    const bool sftp = serverType == kServerTypeSftp;
    screen.row = IsSocks(s.type) ? ProxyRow::Socks : sftp ? ProxyRow::Http : ProxyRow::Ftp;
    for (int i = 0; i < kProxyRows; ++i) {
        screen.names[i].clear();
        screen.ports[i].clear();
    }
    screen.names[Index(screen.row)] = s.name;
    screen.ports[Index(screen.row)] = s.port;
    if (IsSocks(s.type)) screen.socksType = s.type - 3;
    if (screen.on) {
        screen.user = s.user;
        screen.password = s.password;
    }
}

ProxyEnables ProxyEnablesOf(int serverType, bool on, ProxyRow checked) {
    const bool sftp = serverType == kServerTypeSftp;
    ProxyEnables e;
    e.radio[Index(ProxyRow::Ftp)] = on && !sftp;
    e.radio[Index(ProxyRow::Http)] = on && sftp;
    e.radio[Index(ProxyRow::Socks)] = on;
    const bool live = e.radio[Index(checked)];
    e.edits[Index(checked)] = live;
    e.socksType = live && checked == ProxyRow::Socks;
    e.userAndPassword = live && checked != ProxyRow::Ftp;
    return e;
}

void StoreProxyScreen(const ProxyScreen& screen, ProxySettings& s) {
    if (!screen.on) {
        s.type = 0;
        return;
    }
    const std::size_t i = Index(screen.row);
    s.name = screen.names[i];
    s.port = screen.ports[i];
    switch (screen.row) {
        case ProxyRow::Ftp:
            s.type = 2;
            return;  // an FTP proxy has no user name or password
        case ProxyRow::Http:
            s.type = 1;
            break;
        case ProxyRow::Socks:
            s.type = 3 + (screen.socksType >= 0 && screen.socksType <= 2 ? screen.socksType : 0);
            break;
    }
    s.user = screen.user;
    s.password = screen.password;
}

// ---- the runs ----

namespace {

// Why a failure of the main client's call ends quietly: the user sees the profile as it was
// (or no new one) and nothing else happens, as a refused change would.
bool CallSucceeded(const std::function<std::int32_t(mainclient::MainClient&)>& call,
                   const std::shared_ptr<mainclient::MainClient>& client) {
    try {
        return call(*client) == 0;
    } catch (const std::exception&) {
        return false;
    }
}

void RemoveNode(TFTPObjects& level, TFTPObject*& node) {
    const int index = level.IndexOf(node);
    node = nullptr;
    if (index >= 0) level.Delete(index);
}

}  // namespace

bool RunNewProfile(FolderContext& context, TFTPObjects* folder, TFTPObject*& node, ProfileDialog& dialog) {
    node = nullptr;
    TFTPObjects& level = folder ? *folder : context.model.Nodes();
    ProfileDialogSetup setup;
    setup.caption = dialog.TextById("IDS_0");
    setup.isNew = true;
    const std::string name = UniqueProfileName(level, dialog.TextById("IDS_1"));
    node = level.AddNewRecord();
    std::shared_ptr<mainclient::MainClient> client;
    ProfileDraft draft;
    try {
        node->ServerInfo()->ProfileName = name;
        setup.siblings = SiblingNames(level, node);
        draft = DraftOf(*node->ServerInfo());
        const MainClientFactory& create = context.model.Services().createMainClient;
        if (!create) throw core::Error("Site properties: no way to reach the main client");
        client = create();
        if (!client) throw core::Error("Site properties: the main client's automation object was not created");
    } catch (...) {
        RemoveNode(level, node);  // then the caller learns why
        throw;
    }
    bool ok = false;
    try {
        ok = dialog.Run(setup, draft);
    } catch (...) {
        RemoveNode(level, node);
        throw;
    }
    if (!ok) {
        RemoveNode(level, node);
        return false;
    }
    StoreDraft(draft, *node->ServerInfo());
    const bool added = CallSucceeded(
        [&](mainclient::MainClient& c) { return c.AddProfile(ProfileCallOf(*node)); }, client);
    if (!added) RemoveNode(level, node);
    return added;
}

bool RunEditProfile(FolderContext& context, TFTPObject& node, ProfileDialog& dialog) {
    TFtpServerInfo* record = node.ServerInfo();
    if (!record) throw core::Error("Site properties: the node has no site record");
    ProfileDialogSetup setup;
    setup.caption = record->ProfileName + dialog.TextById("IDS_2");
    setup.isNew = false;
    setup.storedName = record->ProfileName;
    setup.siblings = SiblingNames(node.Collection(), &node);
    ProfileDraft draft = DraftOf(*record);
    if (!dialog.Run(setup, draft)) return false;

    TFtpServerInfo before;
    before.Assign(*record);
    StoreDraft(draft, *record);
    bool modified = false;
    try {
        const MainClientFactory& create = context.model.Services().createMainClient;
        if (!create) throw core::Error("Site properties: no way to reach the main client");
        std::shared_ptr<mainclient::MainClient> client = create();
        if (!client) throw core::Error("Site properties: the main client's automation object was not created");
        modified = CallSucceeded(
            [&](mainclient::MainClient& c) { return c.ModifyProfile(ProfileCallOf(node)); }, client);
    } catch (const std::exception&) {
        modified = false;  // as a refused change: the record is restored below, no message
    }
    if (!modified) record->Assign(before);
    return modified;
}

}  // namespace lark::shellext
