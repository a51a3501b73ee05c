#pragma once
// MainClient over the COM object. A failed HRESULT throws AutomationError with the object's
// error text when it gives one, else the formatted HRESULT.
#include <memory>

#include "mainclient/automation.h"
#include "mainclient/main_client.h"

namespace lark::mainclient {

class AutomationClient : public MainClient {
public:
    // Takes a new reference on the object.
    explicit AutomationClient(ILark_FTP_Automation* object);
    ~AutomationClient() override;
    AutomationClient(const AutomationClient&) = delete;
    AutomationClient& operator=(const AutomationClient&) = delete;

    // Creates the main client's object (in-process or local server, whichever is registered).
    static std::unique_ptr<AutomationClient> Create();

    ILark_FTP_Automation* object() const { return object_; }

    Session OpenSession(const std::string& profile_name) override;
    std::string ListDirectory(const std::string& connection_id, const std::string& path, bool refresh) override;
    int32_t RenameRemoteObject(const std::string& connection_id, const std::string& remote_path,
                               const std::string& new_name) override;
    int32_t DeleteRemoteFile(const std::string& connection_id, const std::string& remote_path) override;
    int32_t DeleteRemoteDirectory(const std::string& connection_id, const std::string& remote_path) override;
    int32_t AddProfileFolder(const std::string& folder_name, const std::string& parent_path) override;
    int32_t DeleteProfileFolder(const std::string& folder_path) override;
    int32_t RenameProfileFolder(const std::string& folder_path, const std::string& new_name) override;
    int32_t AddProfile(const ProfileRecord& profile) override;
    int32_t RenameProfile(const std::string& profile_path, const std::string& new_name) override;
    int32_t DeleteProfile(const std::string& profile_path) override;
    FileCount DownloadDirectory(const std::string& connection_id, const std::string& remote_path,
                                const std::string& local_directory) override;
    FileCount UploadDirectory(const std::string& connection_id, const std::string& local_directory,
                              const std::string& remote_directory) override;
    CopyResult CopyRemoteFile(const std::string& source_connection_id, const std::string& target_connection_id,
                              const std::string& source_path, const std::string& target_path) override;
    void MakeRemoteDirectory(const std::string& connection_id, const std::string& remote_path) override;
    ProfileChoice SelectProfile() override;
    int32_t SetAutomationMode(const std::string& mode) override;
    int32_t StartGetFile(const TransferRequest& request) override;
    int32_t StartPutFile(const TransferRequest& request) override;
    FolderTask StartGetFolder(const TransferRequest& request) override;
    FolderTask StartPutFolder(const TransferRequest& request) override;
    int32_t ModifyProfile(const ProfileRecord& profile) override;
    int32_t DownloadFile(const std::string& connection_id, const std::string& local_file,
                         const std::string& remote_path, int32_t size, double modified) override;
    int32_t UploadFile(const std::string& connection_id, const std::string& local_file,
                       const std::string& remote_path) override;
    int32_t SetAttributes(const std::string& connection_id, const std::string& remote_path,
                          const std::string& permissions) override;
    void OpenRemoteFile(const std::string& connection_id, const std::string& remote_path) override;
    // IDispatch::GetTypeInfoCount: answered by the object's process, without effect.
    void Ping() override;

private:
    void Check(HRESULT hr, const char* method) const;
    ILark_FTP_Automation* object_;
};

}  // namespace lark::mainclient
