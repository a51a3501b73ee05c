#pragma once
// The main client's automation interface in portable terms: UTF-8 texts, 32-bit integers,
// booleans. Windows code gets one over the COM object (mainclient/automation_client.h); tests use
// a fake. Every failed call throws AutomationError.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/errors.h"

namespace lark::mainclient {

// Registered window message the main client posts once per file of a Start* transfer to the
// top-level window titled kSchedulerWindowTitle: wParam = task id, lParam = kFileDone or
// kFileFailed.
inline constexpr char kTaskCompletedMessage[] = "LarkFTP_Task_Completed";
inline constexpr char kSchedulerWindowTitle[] = "Lark-FTP Scheduler";
inline constexpr int32_t kFileDone = 9;
inline constexpr int32_t kFileFailed = 8;

// The main client's ids, registry key and file names: the one home of each (the IDL repeats the
// ids for the type library; a test under Wine checks they agree).
#define LARK_MAIN_CLIENT_CLASS_ID "{FD88EAEC-7A3B-4933-AECE-976E8DC8C989}"
inline constexpr char kClassId[] = LARK_MAIN_CLIENT_CLASS_ID;
inline constexpr char kInterfaceId[] = "{68158F52-73BC-4E33-9F68-B00689611D36}";
// HKEY_CLASSES_ROOT subkey whose default value names the main client's program (its folder holds
// the files below).
inline constexpr char kLocalServerKey[] = "CLSID\\" LARK_MAIN_CLIENT_CLASS_ID "\\LocalServer32";
#undef LARK_MAIN_CLIENT_CLASS_ID
inline constexpr char kSiteDatabaseName[] = "larkftpsrvs.ini";

// An environment variable's value by its name, or nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view name)>;
// The main client's program folder, with its trailing delimiter, from the default value of its
// LocalServer32 key: a quoted program path without its quotes and what follows them; an
// unquoted one up to ".exe" where arguments follow ("C:\Lark\larkftp.exe /automation"), else
// the whole value. Variables written %NAME% are replaced by their values (case as written; one
// that is not set stays as it is, as Windows leaves it). Blanks around the value do not count.
// Empty when the value names no folder (never a file of the current directory).
std::string ProgramFolderOfLocalServer(std::string_view localServer32, const EnvironmentLookup& environment);
inline constexpr char kSettingsFileName[] = "larkftp.ini";

// A failed call: the HRESULT (as a signed 32-bit value) and the error text.
class AutomationError : public core::Error {
public:
    AutomationError(int32_t code, const std::string& message) : core::Error(message), code_(code) {}
    int32_t code() const { return code_; }

private:
    int32_t code_;
};

struct Session {
    std::string connection_id;  // "-1": not opened
    int32_t extra = 0;          // the second out value, not used by callers
};

struct FileCount {
    int32_t file_count = 0;
    int32_t result = 0;
};

struct CopyResult {
    int32_t size = 0;
    int32_t result = 0;  // not negative: done
};

struct ProfileChoice {
    std::string name;    // path in the main client's profile tree
    int32_t result = 0;  // 0: a profile was chosen
};

struct FolderTask {
    int32_t task_id = 0;  // 0: refused
    int32_t file_count = 0;
};

// The arguments of a Start* transfer, in call order.
struct TransferRequest {
    std::string remote_url;  // URL or profile
    std::string user_name;
    std::string password;
    std::string proxy_server;
    std::string proxy_port;
    std::string local_name;
    std::string remote_name;
};

// The arguments of AddProfile / ModifyProfile, in call order (the constant 0 of position 12 is
// `reserved`).
struct ProfileRecord {
    std::string folder_path;
    std::string profile_name;
    std::string host_name;
    std::string user_name;
    std::string password;
    std::string port;
    bool use_global_proxy = false;
    std::string proxy_name;
    std::string proxy_port;
    std::string host_dir_name;
    bool passive = false;
    int32_t reserved = 0;
    int32_t server_type = 0;
    int32_t proxy_type = 0;
    std::string proxy_user;
    std::string proxy_password;
    int32_t authentication = 0;
    std::string private_key;
    std::string key_password;
};

// The methods in vtable order of ILark_FTP_Automation (the unused slots have no counterpart).
class MainClient {
public:
    virtual ~MainClient();

    virtual Session OpenSession(const std::string& profile_name) = 0;
    virtual std::string ListDirectory(const std::string& connection_id, const std::string& path, bool refresh) = 0;
    virtual int32_t RenameRemoteObject(const std::string& connection_id, const std::string& remote_path,
                                       const std::string& new_name) = 0;
    virtual int32_t DeleteRemoteFile(const std::string& connection_id, const std::string& remote_path) = 0;
    virtual int32_t DeleteRemoteDirectory(const std::string& connection_id, const std::string& remote_path) = 0;
    virtual int32_t AddProfileFolder(const std::string& folder_name, const std::string& parent_path) = 0;
    virtual int32_t DeleteProfileFolder(const std::string& folder_path) = 0;
    virtual int32_t RenameProfileFolder(const std::string& folder_path, const std::string& new_name) = 0;
    virtual int32_t AddProfile(const ProfileRecord& profile) = 0;
    virtual int32_t RenameProfile(const std::string& profile_path, const std::string& new_name) = 0;
    virtual int32_t DeleteProfile(const std::string& profile_path) = 0;
    virtual FileCount DownloadDirectory(const std::string& connection_id, const std::string& remote_path,
                                        const std::string& local_directory) = 0;
    virtual FileCount UploadDirectory(const std::string& connection_id, const std::string& local_directory,
                                      const std::string& remote_directory) = 0;
    virtual CopyResult CopyRemoteFile(const std::string& source_connection_id,
                                      const std::string& target_connection_id, const std::string& source_path,
                                      const std::string& target_path) = 0;
    virtual void MakeRemoteDirectory(const std::string& connection_id, const std::string& remote_path) = 0;
    virtual ProfileChoice SelectProfile() = 0;
    virtual int32_t SetAutomationMode(const std::string& mode) = 0;
    virtual int32_t StartGetFile(const TransferRequest& request) = 0;
    virtual int32_t StartPutFile(const TransferRequest& request) = 0;
    virtual FolderTask StartGetFolder(const TransferRequest& request) = 0;
    virtual FolderTask StartPutFolder(const TransferRequest& request) = 0;
    virtual int32_t ModifyProfile(const ProfileRecord& profile) = 0;
    // `modified` is the date-time (days since 30 December 1899); it travels as its two 32-bit
    // halves. The five leading option values are always 0.
    virtual int32_t DownloadFile(const std::string& connection_id, const std::string& local_file,
                                 const std::string& remote_path, int32_t size, double modified) = 0;
    virtual int32_t UploadFile(const std::string& connection_id, const std::string& local_file,
                               const std::string& remote_path) = 0;
    virtual int32_t SetAttributes(const std::string& connection_id, const std::string& remote_path,
                                  const std::string& permissions) = 0;
    virtual void OpenRemoteFile(const std::string& connection_id, const std::string& remote_path) = 0;

    // Not a method of the interface: a call that changes nothing, to learn whether the object
    // still answers. Throws AutomationError like any call; IsDisconnection(code) then says
    // whether the main client's process is gone.
    virtual void Ping() = 0;
};

// The code of a call that the main client did not answer in time (RPC_E_TIMEOUT): it was given
// up, the main client may still be working on it.
inline constexpr int32_t kNoAnswer = static_cast<int32_t>(0x8001011Fu);
inline bool IsNoAnswer(int32_t code) { return code == kNoAnswer; }

// Whether a failed call's code says that the object's server is gone (the object is
// disconnected, or its process cannot be reached), as against a failure the object reported.
bool IsDisconnection(int32_t code);

// The two 32-bit halves (low, high) of a date-time as DownloadFile passes them, and back.
struct DateHalves {
    int32_t low = 0;
    int32_t high = 0;
};
DateHalves SplitDate(double modified);
double JoinDate(DateHalves halves);

}  // namespace lark::mainclient
