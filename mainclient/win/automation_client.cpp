#include "mainclient/automation_client.h"

#include "win/bstr.h"
#include "win/com_error.h"

namespace lark::mainclient {
namespace {

using win::Bstr;

Bstr B(const std::string& s) { return Bstr(s); }
VARIANT_BOOL VB(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace

AutomationClient::AutomationClient(ILark_FTP_Automation* object) : object_(object) {
    if (!object_) throw AutomationError(E_POINTER, "no automation object");
    object_->AddRef();
}

AutomationClient::~AutomationClient() { object_->Release(); }

std::unique_ptr<AutomationClient> AutomationClient::Create() {
    ILark_FTP_Automation* object = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_CoLark_FTP_Automation, nullptr,
                                        CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_ILark_FTP_Automation,
                                        reinterpret_cast<void**>(&object));
    if (FAILED(hr))
        throw AutomationError(hr, "creating the main client's automation object: " + win::FailureText(hr));
    std::unique_ptr<AutomationClient> client(new AutomationClient(object));
    object->Release();
    return client;
}

void AutomationClient::Check(HRESULT hr, const char* method) const {
    if (SUCCEEDED(hr)) return;
    throw AutomationError(hr, std::string(method) + ": " + win::FailureText(hr, object_, IID_ILark_FTP_Automation));
}

Session AutomationClient::OpenSession(const std::string& profile_name) {
    Bstr id;
    LONG extra = 0;
    Check(object_->OpenSession(B(profile_name).get(), id.Put(), &extra), "OpenSession");
    return {id.Utf8(), extra};
}

std::string AutomationClient::ListDirectory(const std::string& connection_id, const std::string& path,
                                            bool refresh) {
    Bstr text;
    Check(object_->ListDirectory(B(connection_id).get(), B(path).get(), VB(refresh), text.Put()), "ListDirectory");
    return text.Utf8();
}

int32_t AutomationClient::RenameRemoteObject(const std::string& connection_id, const std::string& remote_path,
                                             const std::string& new_name) {
    LONG r = 0;
    Check(object_->RenameRemoteObject(B(connection_id).get(), B(remote_path).get(), B(new_name).get(), &r),
          "RenameRemoteObject");
    return r;
}

int32_t AutomationClient::DeleteRemoteFile(const std::string& connection_id, const std::string& remote_path) {
    LONG r = 0;
    Check(object_->DeleteRemoteFile(B(connection_id).get(), B(remote_path).get(), &r), "DeleteRemoteFile");
    return r;
}

int32_t AutomationClient::DeleteRemoteDirectory(const std::string& connection_id, const std::string& remote_path) {
    LONG r = 0;
    Check(object_->DeleteRemoteDirectory(B(connection_id).get(), B(remote_path).get(), &r), "DeleteRemoteDirectory");
    return r;
}

int32_t AutomationClient::AddProfileFolder(const std::string& folder_name, const std::string& parent_path) {
    LONG r = 0;
    Check(object_->AddProfileFolder(B(folder_name).get(), B(parent_path).get(), &r), "AddProfileFolder");
    return r;
}

int32_t AutomationClient::DeleteProfileFolder(const std::string& folder_path) {
    LONG r = 0;
    Check(object_->DeleteProfileFolder(B(folder_path).get(), &r), "DeleteProfileFolder");
    return r;
}

int32_t AutomationClient::RenameProfileFolder(const std::string& folder_path, const std::string& new_name) {
    LONG r = 0;
    Check(object_->RenameProfileFolder(B(folder_path).get(), B(new_name).get(), &r), "RenameProfileFolder");
    return r;
}

#define LARK_PROFILE_ARGS(p)                                                                                       \
    B(p.folder_path).get(), B(p.profile_name).get(), B(p.host_name).get(), B(p.user_name).get(),                   \
        B(p.password).get(), B(p.port).get(), VB(p.use_global_proxy), B(p.proxy_name).get(), B(p.proxy_port).get(), \
        B(p.host_dir_name).get(), VB(p.passive), p.reserved, p.server_type, p.proxy_type, B(p.proxy_user).get(),    \
        B(p.proxy_password).get(), p.authentication, B(p.private_key).get(), B(p.key_password).get()

int32_t AutomationClient::AddProfile(const ProfileRecord& p) {
    LONG r = 0;
    Check(object_->AddProfile(LARK_PROFILE_ARGS(p), &r), "AddProfile");
    return r;
}

int32_t AutomationClient::ModifyProfile(const ProfileRecord& p) {
    LONG r = 0;
    Check(object_->ModifyProfile(LARK_PROFILE_ARGS(p), &r), "ModifyProfile");
    return r;
}

#undef LARK_PROFILE_ARGS

int32_t AutomationClient::RenameProfile(const std::string& profile_path, const std::string& new_name) {
    LONG r = 0;
    Check(object_->RenameProfile(B(profile_path).get(), B(new_name).get(), &r), "RenameProfile");
    return r;
}

int32_t AutomationClient::DeleteProfile(const std::string& profile_path) {
    LONG r = 0;
    Check(object_->DeleteProfile(B(profile_path).get(), &r), "DeleteProfile");
    return r;
}

FileCount AutomationClient::DownloadDirectory(const std::string& connection_id, const std::string& remote_path,
                                              const std::string& local_directory) {
    LONG count = 0, r = 0;
    Check(object_->DownloadDirectory(B(connection_id).get(), B(remote_path).get(), B(local_directory).get(), &count,
                                     &r),
          "DownloadDirectory");
    return {count, r};
}

FileCount AutomationClient::UploadDirectory(const std::string& connection_id, const std::string& local_directory,
                                            const std::string& remote_directory) {
    LONG count = 0, r = 0;
    Check(object_->UploadDirectory(B(connection_id).get(), B(local_directory).get(), B(remote_directory).get(),
                                   &count, &r),
          "UploadDirectory");
    return {count, r};
}

CopyResult AutomationClient::CopyRemoteFile(const std::string& source_connection_id,
                                            const std::string& target_connection_id, const std::string& source_path,
                                            const std::string& target_path) {
    LONG size = 0, r = 0;
    Check(object_->CopyRemoteFile(B(source_connection_id).get(), B(target_connection_id).get(), B(source_path).get(),
                                  B(target_path).get(), 0, &size, &r),
          "CopyRemoteFile");
    return {size, r};
}

void AutomationClient::MakeRemoteDirectory(const std::string& connection_id, const std::string& remote_path) {
    Check(object_->MakeRemoteDirectory(B(connection_id).get(), B(remote_path).get()), "MakeRemoteDirectory");
}

ProfileChoice AutomationClient::SelectProfile() {
    Bstr name;
    LONG r = 0;
    Check(object_->SelectProfile(name.Put(), &r), "SelectProfile");
    return {name.Utf8(), r};
}

int32_t AutomationClient::SetAutomationMode(const std::string& mode) {
    LONG r = 0;
    Check(object_->SetAutomationMode(B(mode).get(), &r), "SetAutomationMode");
    return r;
}

#define LARK_TRANSFER_ARGS(t)                                                                                   \
    B(t.remote_url).get(), B(t.user_name).get(), B(t.password).get(), B(t.proxy_server).get(),                  \
        B(t.proxy_port).get(), B(t.local_name).get(), B(t.remote_name).get()

int32_t AutomationClient::StartGetFile(const TransferRequest& t) {
    LONG id = 0;
    Check(object_->StartGetFile(LARK_TRANSFER_ARGS(t), &id), "StartGetFile");
    return id;
}

int32_t AutomationClient::StartPutFile(const TransferRequest& t) {
    LONG id = 0;
    Check(object_->StartPutFile(LARK_TRANSFER_ARGS(t), &id), "StartPutFile");
    return id;
}

FolderTask AutomationClient::StartGetFolder(const TransferRequest& t) {
    LONG id = 0, count = 0;
    Check(object_->StartGetFolder(LARK_TRANSFER_ARGS(t), &id, &count), "StartGetFolder");
    return {id, count};
}

FolderTask AutomationClient::StartPutFolder(const TransferRequest& t) {
    LONG id = 0, count = 0;
    Check(object_->StartPutFolder(LARK_TRANSFER_ARGS(t), &id, &count), "StartPutFolder");
    return {id, count};
}

#undef LARK_TRANSFER_ARGS

int32_t AutomationClient::DownloadFile(const std::string& connection_id, const std::string& local_file,
                                       const std::string& remote_path, int32_t size, double modified) {
    const DateHalves date = SplitDate(modified);
    LONG r = 0;
    Check(object_->DownloadFile(B(connection_id).get(), 0, 0, 0, 0, 0, B(local_file).get(), B(remote_path).get(), size,
                                date.low, date.high, &r),
          "DownloadFile");
    return r;
}

int32_t AutomationClient::UploadFile(const std::string& connection_id, const std::string& local_file,
                                     const std::string& remote_path) {
    LONG r = 0;
    Check(object_->UploadFile(B(connection_id).get(), 0, 0, 0, 0, 0, B(local_file).get(), B(remote_path).get(), 0, 0,
                              0, &r),
          "UploadFile");
    return r;
}

int32_t AutomationClient::SetAttributes(const std::string& connection_id, const std::string& remote_path,
                                        const std::string& permissions) {
    LONG r = 0;
    Check(object_->SetAttributes(B(connection_id).get(), B(remote_path).get(), B(permissions).get(), &r),
          "SetAttributes");
    return r;
}

void AutomationClient::OpenRemoteFile(const std::string& connection_id, const std::string& remote_path) {
    Check(object_->OpenRemoteFile(B(connection_id).get(), B(remote_path).get()), "OpenRemoteFile");
}

void AutomationClient::Ping() {
    UINT count = 0;
    Check(object_->GetTypeInfoCount(&count), "GetTypeInfoCount");
}

}  // namespace lark::mainclient
