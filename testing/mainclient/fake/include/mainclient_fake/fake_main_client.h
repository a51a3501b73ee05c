#pragma once
// In-process fake of the main client for portable tests: scripted replies per method, a log of
// every call, and completion messages delivered through a hook.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "mainclient/main_client.h"

namespace lark::mainclient::fake {

// One scripted answer. Which fields a method uses:
//   text  - OpenSession's connection id, ListDirectory's listing, SelectProfile's name
//   value - every integer result; the task id of Start*
//   count - the file count of folder transfers, the size of CopyRemoteFile, the extra out of
//           OpenSession
//   completions - Start*: the lParams (kFileDone / kFileFailed) of the messages that follow
struct Reply {
    std::optional<int32_t> fail;  // an HRESULT: the call throws AutomationError(fail, fail_text)
    std::string fail_text = "scripted failure";
    std::string text;
    int32_t value = 0;
    int32_t count = 0;
    std::vector<int32_t> completions;
    bool complete_before_return = false;  // deliver the completions inside the call
    // Runs inside the call, after it is logged and before it answers: what the caller's message
    // loop may do while a real out-of-process call waits (a change notice refilling a view).
    std::function<void()> during;
};

// Shorthands for scripts: a text, an integer result, a failure with E_FAIL or the given HRESULT.
inline Reply TextReply(std::string text) {
    Reply r;
    r.text = std::move(text);
    return r;
}
inline Reply ValueReply(int32_t value) {
    Reply r;
    r.value = value;
    return r;
}
inline Reply FailureReply(int32_t hresult = static_cast<int32_t>(0x80004005)) {
    Reply r;
    r.fail = hresult;
    return r;
}

struct Call {
    std::string method;
    std::vector<std::string> args;  // in call order; booleans "-1"/"0", numbers in decimal
    std::string Line() const;       // "Method|arg|arg"
};

class FakeMainClient : public MainClient {
public:
    using CompletionHook = std::function<void(int32_t task_id, int32_t lparam)>;

    FakeMainClient();

    // Queues replies for the next calls of a method; once the queue is empty the method's
    // default reply answers (see SetDefault; built-in defaults: session "1", results 0, Start*
    // ids 1, 2, 3... with one kFileDone for files and no files for folders).
    void Script(const std::string& method, Reply reply);
    void SetDefault(const std::string& method, Reply reply);

    const std::vector<Call>& calls() const { return calls_; }
    std::vector<std::string> CallLines() const;
    void ClearCalls() { calls_.clear(); }

    // Completions are held until DeliverCompletions, as a real message queue holds them until
    // the caller's loop runs after the call has returned.
    void SetCompletionHook(CompletionHook hook) { hook_ = std::move(hook); }
    size_t pending_completions() const { return pending_.size(); }
    void DeliverCompletions();

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
    // Logged as "Ping"; script a failure to stand for a main client that has ended.
    void Ping() override;

private:
    // Logs the call, takes its reply and throws a scripted failure.
    Reply Take(const std::string& method, std::vector<std::string> args);
    int32_t Start(const std::string& method, const TransferRequest& request, bool folder, int32_t* count);

    std::vector<Call> calls_;
    std::map<std::string, std::deque<Reply>> scripted_;
    std::map<std::string, Reply> defaults_;
    std::deque<std::pair<int32_t, int32_t>> pending_;
    CompletionHook hook_;
    int32_t next_task_id_ = 1;
};

}  // namespace lark::mainclient::fake
