#include "automation.h"
#include "site_store.h"

#include "win/bstr.h"
#include "win/com_error.h"
#include "win/text.h"

namespace lark::mainclient_double {
namespace {

using win::ComError;

std::string S(BSTR s) { return win::BstrToUtf8(s); }
std::string N(LONG n) { return std::to_string(n); }
std::string VB(VARIANT_BOOL b) { return std::to_string(static_cast<int>(b)); }

template <class T>
void Require(T* out) {
    if (!out) throw ComError(E_POINTER, "missing out parameter");
}

BSTR NewBstr(const std::string& text) { return win::Bstr(text).Detach(); }

HRESULT Guarded(auto&& body) { return win::Guard(IID_ILark_FTP_Automation, body); }

}  // namespace

Automation::Automation(Server& server, win::ComPtr<ITypeInfo> type_info)
    : DualObject(std::move(type_info)), server_(server) {}

STDMETHODIMP Automation::InterfaceSupportsErrorInfo(REFIID iid) {
    return IsEqualIID(iid, IID_ILark_FTP_Automation) ? S_OK : S_FALSE;
}

// The check whether the object answers: scripted only when the scenario names it (then logged
// like a method), so that a run can freeze the double inside it.
STDMETHODIMP Automation::GetTypeInfoCount(UINT* count) {
    if (!server_.scenario().HasSection("GetTypeInfoCount")) return DualObject::GetTypeInfoCount(count);
    const HRESULT hr = Guarded([&] {
        Begin("GetTypeInfoCount", {});
        return S_OK;
    });
    return FAILED(hr) ? hr : DualObject::GetTypeInfoCount(count);
}

Automation::Call Automation::Begin(const char* method, const std::vector<std::string>& args) {
    server_.Touch();
    Call c{method, server_.log().Append(method, args)};
    if (auto delay = server_.scenario().Number(method, "DelayMs", c.index); delay && *delay > 0)
        Sleep(static_cast<DWORD>(*delay));
    if (auto hr = server_.scenario().Number(method, "HResult", c.index); hr && *hr != 0) {
        const std::string text = server_.scenario().Text(method, "ErrorText").value_or("");
        throw ComError(static_cast<HRESULT>(static_cast<uint32_t>(*hr)),
                       text.empty() ? std::string(method) + " failed (scenario)" : text);
    }
    return c;
}

LONG Automation::Number(const Call& c, const char* key, LONG fallback) const {
    const auto v = server_.scenario().Number(c.method, key, c.index);
    return v ? static_cast<LONG>(*v) : fallback;
}

std::wstring Automation::Remote(const std::string& remote_path) const {
    return SitePath(server_.settings().site, remote_path);
}

void Automation::RequireSession(const std::string& connection_id) const {
    if (connection_id.empty() || connection_id == "-1")
        throw ComError(E_INVALIDARG, "no open session for connection \"" + connection_id + "\"");
}

// --- sessions and listings ---------------------------------------------------------------------

STDMETHODIMP Automation::OpenSession(BSTR ProfileName, BSTR* ConnectionID, LONG* Reserved) {
    return Guarded([&] {
        Require(ConnectionID);
        Require(Reserved);
        *ConnectionID = nullptr;
        *Reserved = 0;
        const Call c = Begin("OpenSession", {S(ProfileName)});
        *ConnectionID = NewBstr(server_.scenario().Text(c.method, "ConnectionID").value_or("1"));
        *Reserved = Number(c, "Result", 0);
        return S_OK;
    });
}

STDMETHODIMP Automation::ListDirectory(BSTR ConnectionID, BSTR Path, VARIANT_BOOL Refresh, BSTR* Listing) {
    return Guarded([&] {
        Require(Listing);
        *Listing = nullptr;
        const Call c = Begin("ListDirectory", {S(ConnectionID), S(Path), VB(Refresh)});
        RequireSession(S(ConnectionID));
        std::string text;
        if (auto scripted = server_.scenario().Text(c.method, "Listing")) {
            text = *scripted;
            for (size_t p; (p = text.find("\\n")) != std::string::npos;) text.replace(p, 2, "\r\n");
        } else {
            const std::wstring dir = Remote(S(Path));
            text = IsDirectory(dir) ? ListingOf(server_.settings().site, dir) : "ERROR";
        }
        *Listing = NewBstr(text);
        return S_OK;
    });
}

// --- remote objects ------------------------------------------------------------------------------

STDMETHODIMP Automation::RenameRemoteObject(BSTR ConnectionID, BSTR RemotePath, BSTR NewName, LONG* Result) {
    return Guarded([&] {
        Require(Result);
        const Call c = Begin("RenameRemoteObject", {S(ConnectionID), S(RemotePath), S(NewName)});
        RequireSession(S(ConnectionID));
        // A bare name renames in place; a path moves within the site.
        const std::string target = S(NewName);
        std::string to = target;
        if (target.find('/') == std::string::npos) {
            std::string parent = S(RemotePath);
            while (!parent.empty() && parent.back() == '/') parent.pop_back();
            const size_t slash = parent.find_last_of('/');
            to = (slash == std::string::npos ? std::string() : parent.substr(0, slash)) + "/" + target;
        }
        const bool ok = MoveFileW(Remote(S(RemotePath)).c_str(), Remote(to).c_str()) != 0;
        *Result = Number(c, "Result", ok ? 0 : -1);
        return S_OK;
    });
}

STDMETHODIMP Automation::DeleteRemoteFile(BSTR ConnectionID, BSTR RemotePath, LONG* Result) {
    return Guarded([&] {
        Require(Result);
        const Call c = Begin("DeleteRemoteFile", {S(ConnectionID), S(RemotePath)});
        RequireSession(S(ConnectionID));
        const std::wstring path = Remote(S(RemotePath));
        const bool ok = IsFile(path) && DeleteFileW(path.c_str());
        *Result = Number(c, "Result", ok ? 0 : -1);
        return S_OK;
    });
}

STDMETHODIMP Automation::DeleteRemoteDirectory(BSTR ConnectionID, BSTR RemotePath, LONG* Result) {
    return Guarded([&] {
        Require(Result);
        const Call c = Begin("DeleteRemoteDirectory", {S(ConnectionID), S(RemotePath)});
        RequireSession(S(ConnectionID));
        const std::wstring path = Remote(S(RemotePath));
        const bool ok = IsDirectory(path) && path != server_.settings().site && RemoveTree(path);
        *Result = Number(c, "Result", ok ? 0 : -1);
        return S_OK;
    });
}

STDMETHODIMP Automation::MakeRemoteDirectory(BSTR ConnectionID, BSTR RemotePath) {
    return Guarded([&] {
        Begin("MakeRemoteDirectory", {S(ConnectionID), S(RemotePath)});
        RequireSession(S(ConnectionID));
        const std::wstring path = Remote(S(RemotePath));
        if (IsFile(path)) throw ComError(E_FAIL, "a file of that name exists: " + S(RemotePath));
        MakeDirectories(path);
        return S_OK;
    });
}

STDMETHODIMP Automation::CopyRemoteFile(BSTR SourceConnectionID, BSTR TargetConnectionID, BSTR SourcePath,
                                        BSTR TargetPath, LONG Flags, LONG* Size, LONG* Result) {
    return Guarded([&] {
        Require(Size);
        Require(Result);
        const Call c = Begin("CopyRemoteFile",
                             {S(SourceConnectionID), S(TargetConnectionID), S(SourcePath), S(TargetPath), N(Flags)});
        RequireSession(S(SourceConnectionID));
        RequireSession(S(TargetConnectionID));
        const std::wstring from = Remote(S(SourcePath));
        const bool ok = IsFile(from) && !server_.scenario().FailsFile(c.method, S(SourcePath)) &&
                        CopyOneFile(from, Remote(S(TargetPath)));
        *Size = ok ? static_cast<LONG>(FileSize(from)) : 0;
        *Result = Number(c, "Result", ok ? 0 : -1);
        return S_OK;
    });
}

STDMETHODIMP Automation::SetAttributes(BSTR ConnectionID, BSTR RemotePath, BSTR Permissions, LONG* Result) {
    return Guarded([&] {
        Require(Result);
        const Call c = Begin("SetAttributes", {S(ConnectionID), S(RemotePath), S(Permissions)});
        RequireSession(S(ConnectionID));
        const std::string mode = S(Permissions);
        bool ok = !mode.empty() && mode.size() <= 4;
        for (char ch : mode) ok = ok && ch >= '0' && ch <= '7';
        const std::wstring path = Remote(S(RemotePath));
        ok = ok && (IsFile(path) || IsDirectory(path));
        if (ok) StoreMode(server_.settings().site, path, static_cast<unsigned>(std::stoul(mode, nullptr, 8)));
        *Result = Number(c, "Result", ok ? 0 : -1);
        return S_OK;
    });
}

STDMETHODIMP Automation::OpenRemoteFile(BSTR ConnectionID, BSTR RemotePath) {
    return Guarded([&] {
        Begin("OpenRemoteFile", {S(ConnectionID), S(RemotePath)});
        RequireSession(S(ConnectionID));
        if (!IsFile(Remote(S(RemotePath)))) throw ComError(E_FAIL, "no such remote file: " + S(RemotePath));
        return S_OK;
    });
}

// --- profiles (the site database is the caller's fixture; the double answers, and changes its own
// database when its settings name one) ---

STDMETHODIMP Automation::AddProfileFolder(BSTR FolderName, BSTR ParentPath, LONG* Result) {
    return Guarded([&] {
        Require(Result);
        const Call c = Begin("AddProfileFolder", {S(FolderName), S(ParentPath)});
        *Result = Number(c, "Result", S(FolderName).empty() ? -1 : 0);
        if (*Result >= 0 && !server_.settings().site_database.empty())
            StoreAddProfileFolder(server_.settings().site_database, S(FolderName), S(ParentPath));
        return S_OK;
    });
}

STDMETHODIMP Automation::DeleteProfileFolder(BSTR FolderPath, LONG* Result) {
    return Guarded([&] {
        Require(Result);
        const Call c = Begin("DeleteProfileFolder", {S(FolderPath)});
        *Result = Number(c, "Result", 0);
        if (*Result >= 0 && !server_.settings().site_database.empty())
            StoreDeleteRecord(server_.settings().site_database, S(FolderPath));
        return S_OK;
    });
}

STDMETHODIMP Automation::RenameProfileFolder(BSTR FolderPath, BSTR NewName, LONG* Result) {
    return Guarded([&] {
        Require(Result);
        const Call c = Begin("RenameProfileFolder", {S(FolderPath), S(NewName)});
        *Result = Number(c, "Result", S(NewName).empty() ? -1 : 0);
        return S_OK;
    });
}

#define LARK_PROFILE_LOG                                                                                      \
    {S(FolderPath), S(ProfileName), S(HostName), S(UserName), S(PassWord), S(Port), VB(UseGlobalProxy),      \
     S(ProxyName), S(ProxyPort), S(HostDirName), VB(Passive), N(Reserved), N(ServerType), N(ProxyType),       \
     S(ProxyUser), S(ProxyPassword), N(Authentication), S(PrivateKey), S(KeyPassword)}

STDMETHODIMP Automation::AddProfile(BSTR FolderPath, BSTR ProfileName, BSTR HostName, BSTR UserName, BSTR PassWord,
                                    BSTR Port, VARIANT_BOOL UseGlobalProxy, BSTR ProxyName, BSTR ProxyPort,
                                    BSTR HostDirName, VARIANT_BOOL Passive, LONG Reserved, LONG ServerType,
                                    LONG ProxyType, BSTR ProxyUser, BSTR ProxyPassword, LONG Authentication,
                                    BSTR PrivateKey, BSTR KeyPassword, LONG* Result) {
    return Guarded([&] {
        Require(Result);
        const Call c = Begin("AddProfile", LARK_PROFILE_LOG);
        *Result = Number(c, "Result", S(ProfileName).empty() ? -1 : 0);
        if (*Result >= 0 && !server_.settings().site_database.empty()) {
            mainclient::ProfileRecord p;
            p.folder_path = S(FolderPath);
            p.profile_name = S(ProfileName);
            p.host_name = S(HostName);
            p.user_name = S(UserName);
            p.password = S(PassWord);
            p.port = S(Port);
            p.use_global_proxy = UseGlobalProxy != VARIANT_FALSE;
            p.proxy_name = S(ProxyName);
            p.proxy_port = S(ProxyPort);
            p.host_dir_name = S(HostDirName);
            p.passive = Passive != VARIANT_FALSE;
            p.reserved = Reserved;
            p.server_type = ServerType;
            p.proxy_type = ProxyType;
            p.proxy_user = S(ProxyUser);
            p.proxy_password = S(ProxyPassword);
            p.authentication = Authentication;
            p.private_key = S(PrivateKey);
            p.key_password = S(KeyPassword);
            StoreAddProfile(server_.settings().site_database, p);
        }
        return S_OK;
    });
}

STDMETHODIMP Automation::ModifyProfile(BSTR FolderPath, BSTR ProfileName, BSTR HostName, BSTR UserName,
                                       BSTR PassWord, BSTR Port, VARIANT_BOOL UseGlobalProxy, BSTR ProxyName,
                                       BSTR ProxyPort, BSTR HostDirName, VARIANT_BOOL Passive, LONG Reserved,
                                       LONG ServerType, LONG ProxyType, BSTR ProxyUser, BSTR ProxyPassword,
                                       LONG Authentication, BSTR PrivateKey, BSTR KeyPassword, LONG* Result) {
    return Guarded([&] {
        Require(Result);
        const Call c = Begin("ModifyProfile", LARK_PROFILE_LOG);
        *Result = Number(c, "Result", S(ProfileName).empty() ? -1 : 0);
        return S_OK;
    });
}

#undef LARK_PROFILE_LOG

STDMETHODIMP Automation::RenameProfile(BSTR ProfilePath, BSTR NewName, LONG* Result) {
    return Guarded([&] {
        Require(Result);
        const Call c = Begin("RenameProfile", {S(ProfilePath), S(NewName)});
        *Result = Number(c, "Result", S(NewName).empty() ? -1 : 0);
        return S_OK;
    });
}

STDMETHODIMP Automation::DeleteProfile(BSTR ProfilePath, LONG* Result) {
    return Guarded([&] {
        Require(Result);
        const Call c = Begin("DeleteProfile", {S(ProfilePath)});
        *Result = Number(c, "Result", 0);
        if (*Result >= 0 && !server_.settings().site_database.empty())
            StoreDeleteRecord(server_.settings().site_database, S(ProfilePath));
        return S_OK;
    });
}

STDMETHODIMP Automation::SelectProfile(BSTR* ProfileName, LONG* Result) {
    return Guarded([&] {
        Require(ProfileName);
        Require(Result);
        *ProfileName = nullptr;
        const Call c = Begin("SelectProfile", {});
        // The chooser's answer is the scenario's; without one the user cancelled.
        const auto name = server_.scenario().Text(c.method, "Name");
        *ProfileName = NewBstr(name.value_or(""));
        *Result = Number(c, "Result", name ? 0 : 1);
        return S_OK;
    });
}

STDMETHODIMP Automation::SetAutomationMode(BSTR Mode, LONG* Result) {
    return Guarded([&] {
        Require(Result);
        const Call c = Begin("SetAutomationMode", {S(Mode)});
        const std::string mode = S(Mode);
        if (mode != "-1" && mode != "0") throw ComError(E_INVALIDARG, "automation mode must be \"-1\" or \"0\"");
        *Result = Number(c, "Result", 0);
        return S_OK;
    });
}

// --- synchronous transfers -----------------------------------------------------------------------

std::vector<bool> Automation::CopyTree(const Call& c, const std::wstring& from, const std::wstring& to) {
    std::vector<bool> done;
    for (const auto& rel : ListFilesRecursive(from)) {
        const bool fail = server_.scenario().FailsFile(c.method, rel);
        done.push_back(!fail && CopyOneFile(JoinPath(from, rel), JoinPath(to, rel)));
    }
    MakeDirectories(to);  // an empty folder still arrives
    return done;
}

STDMETHODIMP Automation::DownloadDirectory(BSTR ConnectionID, BSTR RemotePath, BSTR LocalDirectory,
                                           LONG* FileCount, LONG* Result) {
    return Guarded([&] {
        Require(FileCount);
        Require(Result);
        *FileCount = 0;
        const Call c = Begin("DownloadDirectory", {S(ConnectionID), S(RemotePath), S(LocalDirectory)});
        RequireSession(S(ConnectionID));
        const std::wstring from = Remote(S(RemotePath));
        if (!IsDirectory(from)) {
            *Result = Number(c, "Result", -1);
            return S_OK;
        }
        const auto done = CopyTree(c, from, win::Widen(S(LocalDirectory)));
        *FileCount = static_cast<LONG>(done.size());
        *Result = Number(c, "Result", std::count(done.begin(), done.end(), false) ? -1 : 0);
        return S_OK;
    });
}

STDMETHODIMP Automation::UploadDirectory(BSTR ConnectionID, BSTR LocalDirectory, BSTR RemoteDirectory,
                                         LONG* FileCount, LONG* Result) {
    return Guarded([&] {
        Require(FileCount);
        Require(Result);
        *FileCount = 0;
        const Call c = Begin("UploadDirectory", {S(ConnectionID), S(LocalDirectory), S(RemoteDirectory)});
        RequireSession(S(ConnectionID));
        const std::wstring from = win::Widen(S(LocalDirectory));
        if (!IsDirectory(from)) {
            *Result = Number(c, "Result", -1);
            return S_OK;
        }
        // The local folder arrives inside the remote directory, under its own name.
        const auto done = CopyTree(c, from, Remote(S(RemoteDirectory) + "/" + BaseName(S(LocalDirectory))));
        *FileCount = static_cast<LONG>(done.size());
        *Result = Number(c, "Result", std::count(done.begin(), done.end(), false) ? -1 : 0);
        return S_OK;
    });
}

STDMETHODIMP Automation::DownloadFile(BSTR ConnectionID, LONG Option1, LONG Option2, LONG Option3, LONG Option4,
                                      LONG Option5, BSTR LocalFile, BSTR RemotePath, LONG Size, LONG DateLow,
                                      LONG DateHigh, LONG* Result) {
    return Guarded([&] {
        Require(Result);
        const Call c = Begin("DownloadFile", {S(ConnectionID), N(Option1), N(Option2), N(Option3), N(Option4),
                                              N(Option5), S(LocalFile), S(RemotePath), N(Size), N(DateLow),
                                              N(DateHigh)});
        RequireSession(S(ConnectionID));
        const std::wstring from = Remote(S(RemotePath));
        const bool ok = IsFile(from) && !server_.scenario().FailsFile(c.method, S(RemotePath)) &&
                        CopyOneFile(from, win::Widen(S(LocalFile)));
        *Result = Number(c, "Result", ok ? 0 : -1);
        return S_OK;
    });
}

STDMETHODIMP Automation::UploadFile(BSTR ConnectionID, LONG Option1, LONG Option2, LONG Option3, LONG Option4,
                                    LONG Option5, BSTR LocalFile, BSTR RemotePath, LONG Option6, LONG Option7,
                                    LONG Option8, LONG* Result) {
    return Guarded([&] {
        Require(Result);
        const Call c = Begin("UploadFile", {S(ConnectionID), N(Option1), N(Option2), N(Option3), N(Option4),
                                            N(Option5), S(LocalFile), S(RemotePath), N(Option6), N(Option7),
                                            N(Option8)});
        RequireSession(S(ConnectionID));
        const std::wstring from = win::Widen(S(LocalFile));
        const bool ok = IsFile(from) && !server_.scenario().FailsFile(c.method, S(LocalFile)) &&
                        CopyOneFile(from, Remote(S(RemotePath)));
        *Result = Number(c, "Result", ok ? 0 : -1);
        return S_OK;
    });
}

// --- asynchronous transfers ----------------------------------------------------------------------

void Automation::StartTransfer(const Call& c, bool folder, bool get, const std::string& local,
                               const std::string& remote, LONG* task_id, LONG* file_count) {
    const std::wstring remote_path = Remote(remote);
    const std::wstring local_path = win::Widen(local);
    const std::wstring from = get ? remote_path : local_path;
    const std::wstring to = get ? local_path : remote_path;
    // Default ids are unique across the processes that share the call log.
    static int local_starts = 0;
    const int start_calls = server_.log().CountPrefix("Start");
    LONG id = Number(c, "TaskID", 1000 + (start_calls > 0 ? start_calls : ++local_starts));
    std::vector<int32_t> results;
    if (folder) {
        if (!IsDirectory(from)) {
            id = Number(c, "TaskID", 0);  // the file count cannot be known: refused
        } else {
            for (bool ok : CopyTree(c, from, to)) results.push_back(ok ? 9 : 8);
        }
    } else {
        const bool ok = IsFile(from) && !server_.scenario().FailsFile(c.method, get ? remote : local) &&
                        CopyOneFile(from, to);
        results.push_back(ok ? 9 : 8);
    }
    if (id == 0) results.clear();
    *task_id = id;
    if (file_count) *file_count = Number(c, "FileCount", static_cast<LONG>(results.size()));
    const std::string mode = Lower(server_.scenario().Text(c.method, "Completions").value_or("after"));
    if (mode == "none") return;
    server_.Complete(id, results, mode == "before", static_cast<UINT>(Number(c, "CompletionDelayMs", 0)));
}

#define LARK_TRANSFER_LOG                                                                                  \
    {S(RemoteURL), S(UserName), S(Password), S(ProxyServer), S(ProxyPort), S(LocalName), S(RemoteName)}

STDMETHODIMP Automation::StartGetFile(BSTR RemoteURL, BSTR UserName, BSTR Password, BSTR ProxyServer,
                                      BSTR ProxyPort, BSTR LocalName, BSTR RemoteName, LONG* TaskID) {
    return Guarded([&] {
        Require(TaskID);
        *TaskID = 0;
        const Call c = Begin("StartGetFile", LARK_TRANSFER_LOG);
        StartTransfer(c, false, true, S(LocalName), S(RemoteName), TaskID, nullptr);
        return S_OK;
    });
}

STDMETHODIMP Automation::StartPutFile(BSTR RemoteURL, BSTR UserName, BSTR Password, BSTR ProxyServer,
                                      BSTR ProxyPort, BSTR LocalName, BSTR RemoteName, LONG* TaskID) {
    return Guarded([&] {
        Require(TaskID);
        *TaskID = 0;
        const Call c = Begin("StartPutFile", LARK_TRANSFER_LOG);
        StartTransfer(c, false, false, S(LocalName), S(RemoteName), TaskID, nullptr);
        return S_OK;
    });
}

STDMETHODIMP Automation::StartGetFolder(BSTR RemoteURL, BSTR UserName, BSTR Password, BSTR ProxyServer,
                                        BSTR ProxyPort, BSTR LocalName, BSTR RemoteName, LONG* TaskID,
                                        LONG* FileCount) {
    return Guarded([&] {
        Require(TaskID);
        Require(FileCount);
        *TaskID = *FileCount = 0;
        const Call c = Begin("StartGetFolder", LARK_TRANSFER_LOG);
        StartTransfer(c, true, true, S(LocalName), S(RemoteName), TaskID, FileCount);
        return S_OK;
    });
}

STDMETHODIMP Automation::StartPutFolder(BSTR RemoteURL, BSTR UserName, BSTR Password, BSTR ProxyServer,
                                        BSTR ProxyPort, BSTR LocalName, BSTR RemoteName, LONG* TaskID,
                                        LONG* FileCount) {
    return Guarded([&] {
        Require(TaskID);
        Require(FileCount);
        *TaskID = *FileCount = 0;
        const Call c = Begin("StartPutFolder", LARK_TRANSFER_LOG);
        StartTransfer(c, true, false, S(LocalName), S(RemoteName), TaskID, FileCount);
        return S_OK;
    });
}

#undef LARK_TRANSFER_LOG

// --- slots nobody calls: logged, then refused -------------------------------------------------

#define LARK_RESERVED(n)                                                        \
    STDMETHODIMP Automation::Reserved##n() {                                    \
        return Guarded([&]() -> HRESULT {                                       \
            Begin("Reserved" #n, {});                                           \
            throw ComError(E_NOTIMPL, "Reserved" #n " is not available");       \
        });                                                                     \
    }
LARK_RESERVED(8)
LARK_RESERVED(19)
LARK_RESERVED(20)
LARK_RESERVED(21)
LARK_RESERVED(22)
LARK_RESERVED(23)
LARK_RESERVED(24)
LARK_RESERVED(31)
LARK_RESERVED(36)
LARK_RESERVED(38)
LARK_RESERVED(39)
#undef LARK_RESERVED

}  // namespace lark::mainclient_double
