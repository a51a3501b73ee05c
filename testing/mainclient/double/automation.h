#pragma once
#include "mainclient/automation.h"
#include "server.h"
#include "win/dispatch.h"

namespace lark::mainclient_double {

// ILark_FTP_Automation over a local folder, scripted by the scenario.
class Automation : public win::DualObject<ILark_FTP_Automation, ISupportErrorInfo> {
public:
    Automation(Server& server, win::ComPtr<ITypeInfo> type_info);

    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;

    STDMETHODIMP OpenSession(BSTR ProfileName, BSTR* ConnectionID, LONG* Reserved) override;
    STDMETHODIMP Reserved8() override;
    STDMETHODIMP ListDirectory(BSTR ConnectionID, BSTR Path, VARIANT_BOOL Refresh, BSTR* Listing) override;
    STDMETHODIMP RenameRemoteObject(BSTR ConnectionID, BSTR RemotePath, BSTR NewName, LONG* Result) override;
    STDMETHODIMP DeleteRemoteFile(BSTR ConnectionID, BSTR RemotePath, LONG* Result) override;
    STDMETHODIMP DeleteRemoteDirectory(BSTR ConnectionID, BSTR RemotePath, LONG* Result) override;
    STDMETHODIMP AddProfileFolder(BSTR FolderName, BSTR ParentPath, LONG* Result) override;
    STDMETHODIMP DeleteProfileFolder(BSTR FolderPath, LONG* Result) override;
    STDMETHODIMP RenameProfileFolder(BSTR FolderPath, BSTR NewName, LONG* Result) override;
    STDMETHODIMP AddProfile(BSTR FolderPath, BSTR ProfileName, BSTR HostName, BSTR UserName, BSTR PassWord,
                            BSTR Port, VARIANT_BOOL UseGlobalProxy, BSTR ProxyName, BSTR ProxyPort,
                            BSTR HostDirName, VARIANT_BOOL Passive, LONG Reserved, LONG ServerType, LONG ProxyType,
                            BSTR ProxyUser, BSTR ProxyPassword, LONG Authentication, BSTR PrivateKey,
                            BSTR KeyPassword, LONG* Result) override;
    STDMETHODIMP RenameProfile(BSTR ProfilePath, BSTR NewName, LONG* Result) override;
    STDMETHODIMP DeleteProfile(BSTR ProfilePath, LONG* Result) override;
    STDMETHODIMP Reserved19() override;
    STDMETHODIMP Reserved20() override;
    STDMETHODIMP Reserved21() override;
    STDMETHODIMP Reserved22() override;
    STDMETHODIMP Reserved23() override;
    STDMETHODIMP Reserved24() override;
    STDMETHODIMP DownloadDirectory(BSTR ConnectionID, BSTR RemotePath, BSTR LocalDirectory, LONG* FileCount,
                                   LONG* Result) override;
    STDMETHODIMP UploadDirectory(BSTR ConnectionID, BSTR LocalDirectory, BSTR RemoteDirectory, LONG* FileCount,
                                 LONG* Result) override;
    STDMETHODIMP CopyRemoteFile(BSTR SourceConnectionID, BSTR TargetConnectionID, BSTR SourcePath,
                                BSTR TargetPath, LONG Flags, LONG* Size, LONG* Result) override;
    STDMETHODIMP MakeRemoteDirectory(BSTR ConnectionID, BSTR RemotePath) override;
    STDMETHODIMP SelectProfile(BSTR* ProfileName, LONG* Result) override;
    STDMETHODIMP SetAutomationMode(BSTR Mode, LONG* Result) override;
    STDMETHODIMP Reserved31() override;
    STDMETHODIMP StartGetFile(BSTR RemoteURL, BSTR UserName, BSTR Password, BSTR ProxyServer, BSTR ProxyPort,
                              BSTR LocalName, BSTR RemoteName, LONG* TaskID) override;
    STDMETHODIMP StartPutFile(BSTR RemoteURL, BSTR UserName, BSTR Password, BSTR ProxyServer, BSTR ProxyPort,
                              BSTR LocalName, BSTR RemoteName, LONG* TaskID) override;
    STDMETHODIMP StartGetFolder(BSTR RemoteURL, BSTR UserName, BSTR Password, BSTR ProxyServer, BSTR ProxyPort,
                                BSTR LocalName, BSTR RemoteName, LONG* TaskID, LONG* FileCount) override;
    STDMETHODIMP StartPutFolder(BSTR RemoteURL, BSTR UserName, BSTR Password, BSTR ProxyServer, BSTR ProxyPort,
                                BSTR LocalName, BSTR RemoteName, LONG* TaskID, LONG* FileCount) override;
    STDMETHODIMP Reserved36() override;
    STDMETHODIMP ModifyProfile(BSTR FolderPath, BSTR ProfileName, BSTR HostName, BSTR UserName, BSTR PassWord,
                               BSTR Port, VARIANT_BOOL UseGlobalProxy, BSTR ProxyName, BSTR ProxyPort,
                               BSTR HostDirName, VARIANT_BOOL Passive, LONG Reserved, LONG ServerType, LONG ProxyType,
                               BSTR ProxyUser, BSTR ProxyPassword, LONG Authentication, BSTR PrivateKey,
                               BSTR KeyPassword, LONG* Result) override;
    STDMETHODIMP Reserved38() override;
    STDMETHODIMP Reserved39() override;
    STDMETHODIMP DownloadFile(BSTR ConnectionID, LONG Option1, LONG Option2, LONG Option3, LONG Option4,
                              LONG Option5, BSTR LocalFile, BSTR RemotePath, LONG Size, LONG DateLow, LONG DateHigh,
                              LONG* Result) override;
    STDMETHODIMP UploadFile(BSTR ConnectionID, LONG Option1, LONG Option2, LONG Option3, LONG Option4, LONG Option5,
                            BSTR LocalFile, BSTR RemotePath, LONG Option6, LONG Option7, LONG Option8,
                            LONG* Result) override;
    STDMETHODIMP SetAttributes(BSTR ConnectionID, BSTR RemotePath, BSTR Permissions, LONG* Result) override;
    STDMETHODIMP OpenRemoteFile(BSTR ConnectionID, BSTR RemotePath) override;

private:
    struct Call {
        std::string method;
        int index;
    };
    // Logs the call, waits DelayMs and throws the scripted failure of this call, if any.
    Call Begin(const char* method, const std::vector<std::string>& args);
    LONG Number(const Call& c, const char* key, LONG fallback) const;
    std::wstring Remote(const std::string& remote_path) const;
    void RequireSession(const std::string& connection_id) const;

    // A Start* transfer: copies the files, answers the task id and the count, and schedules one
    // completion per file. Folder: whether the names are folders; get: remote to local.
    void StartTransfer(const Call& c, bool folder, bool get, const std::string& local, const std::string& remote,
                       LONG* task_id, LONG* file_count);
    // Copies a tree between two folders; answers per-file success, in file order.
    std::vector<bool> CopyTree(const Call& c, const std::wstring& from, const std::wstring& to);

    Server& server_;
    win::ScopedModuleLock lock_;
};

}  // namespace lark::mainclient_double
