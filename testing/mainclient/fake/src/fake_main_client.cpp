#include "mainclient_fake/fake_main_client.h"

namespace lark::mainclient::fake {
namespace {

std::string B(bool b) { return b ? "-1" : "0"; }
std::string N(int32_t n) { return std::to_string(n); }

std::vector<std::string> ProfileArgs(const ProfileRecord& p) {
    return {p.folder_path, p.profile_name,     p.host_name,       p.user_name,       p.password,
            p.port,        B(p.use_global_proxy), p.proxy_name,   p.proxy_port,      p.host_dir_name,
            B(p.passive),  N(p.reserved),      N(p.server_type),  N(p.proxy_type),   p.proxy_user,
            p.proxy_password, N(p.authentication), p.private_key, p.key_password};
}

std::vector<std::string> TransferArgs(const TransferRequest& t) {
    return {t.remote_url, t.user_name, t.password, t.proxy_server, t.proxy_port, t.local_name, t.remote_name};
}

}  // namespace

std::string Call::Line() const {
    std::string line = method;
    for (const auto& a : args) line += "|" + a;
    return line;
}

FakeMainClient::FakeMainClient() {
    Reply session;
    session.text = "1";
    defaults_["OpenSession"] = session;
}

void FakeMainClient::Script(const std::string& method, Reply reply) { scripted_[method].push_back(std::move(reply)); }

void FakeMainClient::SetDefault(const std::string& method, Reply reply) { defaults_[method] = std::move(reply); }

std::vector<std::string> FakeMainClient::CallLines() const {
    std::vector<std::string> lines;
    for (const auto& c : calls_) lines.push_back(c.Line());
    return lines;
}

void FakeMainClient::DeliverCompletions() {
    while (!pending_.empty()) {
        const auto [id, lparam] = pending_.front();
        pending_.pop_front();
        if (hook_) hook_(id, lparam);
    }
}

Reply FakeMainClient::Take(const std::string& method, std::vector<std::string> args) {
    calls_.push_back({method, std::move(args)});
    Reply reply;
    auto& queue = scripted_[method];
    if (!queue.empty()) {
        reply = std::move(queue.front());
        queue.pop_front();
    } else if (auto d = defaults_.find(method); d != defaults_.end()) {
        reply = d->second;
    }
    if (reply.during) reply.during();
    if (reply.fail) throw AutomationError(*reply.fail, method + ": " + reply.fail_text);
    return reply;
}

int32_t FakeMainClient::Start(const std::string& method, const TransferRequest& request, bool folder,
                              int32_t* count) {
    const bool scripted = !scripted_[method].empty() || defaults_.count(method);
    Reply r = Take(method, TransferArgs(request));
    if (!scripted) {
        r.value = next_task_id_;
        if (!folder) r.completions = {kFileDone};
    }
    ++next_task_id_;
    if (count) *count = scripted ? r.count : static_cast<int32_t>(r.completions.size());
    if (r.value != 0) {
        for (int32_t c : r.completions) pending_.emplace_back(r.value, c);
        if (r.complete_before_return) DeliverCompletions();
    }
    return r.value;
}

Session FakeMainClient::OpenSession(const std::string& profile_name) {
    const Reply r = Take("OpenSession", {profile_name});
    return {r.text, r.count};
}

std::string FakeMainClient::ListDirectory(const std::string& connection_id, const std::string& path, bool refresh) {
    return Take("ListDirectory", {connection_id, path, B(refresh)}).text;
}

int32_t FakeMainClient::RenameRemoteObject(const std::string& connection_id, const std::string& remote_path,
                                           const std::string& new_name) {
    return Take("RenameRemoteObject", {connection_id, remote_path, new_name}).value;
}

int32_t FakeMainClient::DeleteRemoteFile(const std::string& connection_id, const std::string& remote_path) {
    return Take("DeleteRemoteFile", {connection_id, remote_path}).value;
}

int32_t FakeMainClient::DeleteRemoteDirectory(const std::string& connection_id, const std::string& remote_path) {
    return Take("DeleteRemoteDirectory", {connection_id, remote_path}).value;
}

int32_t FakeMainClient::AddProfileFolder(const std::string& folder_name, const std::string& parent_path) {
    return Take("AddProfileFolder", {folder_name, parent_path}).value;
}

int32_t FakeMainClient::DeleteProfileFolder(const std::string& folder_path) {
    return Take("DeleteProfileFolder", {folder_path}).value;
}

int32_t FakeMainClient::RenameProfileFolder(const std::string& folder_path, const std::string& new_name) {
    return Take("RenameProfileFolder", {folder_path, new_name}).value;
}

int32_t FakeMainClient::AddProfile(const ProfileRecord& profile) {
    return Take("AddProfile", ProfileArgs(profile)).value;
}

int32_t FakeMainClient::RenameProfile(const std::string& profile_path, const std::string& new_name) {
    return Take("RenameProfile", {profile_path, new_name}).value;
}

int32_t FakeMainClient::DeleteProfile(const std::string& profile_path) {
    return Take("DeleteProfile", {profile_path}).value;
}

FileCount FakeMainClient::DownloadDirectory(const std::string& connection_id, const std::string& remote_path,
                                            const std::string& local_directory) {
    const Reply r = Take("DownloadDirectory", {connection_id, remote_path, local_directory});
    return {r.count, r.value};
}

FileCount FakeMainClient::UploadDirectory(const std::string& connection_id, const std::string& local_directory,
                                          const std::string& remote_directory) {
    const Reply r = Take("UploadDirectory", {connection_id, local_directory, remote_directory});
    return {r.count, r.value};
}

CopyResult FakeMainClient::CopyRemoteFile(const std::string& source_connection_id,
                                          const std::string& target_connection_id, const std::string& source_path,
                                          const std::string& target_path) {
    const Reply r =
        Take("CopyRemoteFile", {source_connection_id, target_connection_id, source_path, target_path, "0"});
    return {r.count, r.value};
}

void FakeMainClient::MakeRemoteDirectory(const std::string& connection_id, const std::string& remote_path) {
    Take("MakeRemoteDirectory", {connection_id, remote_path});
}

ProfileChoice FakeMainClient::SelectProfile() {
    const Reply r = Take("SelectProfile", {});
    return {r.text, r.value};
}

int32_t FakeMainClient::SetAutomationMode(const std::string& mode) {
    return Take("SetAutomationMode", {mode}).value;
}

int32_t FakeMainClient::StartGetFile(const TransferRequest& request) {
    return Start("StartGetFile", request, false, nullptr);
}

int32_t FakeMainClient::StartPutFile(const TransferRequest& request) {
    return Start("StartPutFile", request, false, nullptr);
}

FolderTask FakeMainClient::StartGetFolder(const TransferRequest& request) {
    FolderTask t;
    t.task_id = Start("StartGetFolder", request, true, &t.file_count);
    return t;
}

FolderTask FakeMainClient::StartPutFolder(const TransferRequest& request) {
    FolderTask t;
    t.task_id = Start("StartPutFolder", request, true, &t.file_count);
    return t;
}

int32_t FakeMainClient::ModifyProfile(const ProfileRecord& profile) {
    return Take("ModifyProfile", ProfileArgs(profile)).value;
}

int32_t FakeMainClient::DownloadFile(const std::string& connection_id, const std::string& local_file,
                                     const std::string& remote_path, int32_t size, double modified) {
    const DateHalves d = SplitDate(modified);
    return Take("DownloadFile", {connection_id, "0", "0", "0", "0", "0", local_file, remote_path, N(size), N(d.low),
                                 N(d.high)})
        .value;
}

int32_t FakeMainClient::UploadFile(const std::string& connection_id, const std::string& local_file,
                                   const std::string& remote_path) {
    return Take("UploadFile",
                {connection_id, "0", "0", "0", "0", "0", local_file, remote_path, "0", "0", "0"})
        .value;
}

int32_t FakeMainClient::SetAttributes(const std::string& connection_id, const std::string& remote_path,
                                      const std::string& permissions) {
    return Take("SetAttributes", {connection_id, remote_path, permissions}).value;
}

void FakeMainClient::OpenRemoteFile(const std::string& connection_id, const std::string& remote_path) {
    Take("OpenRemoteFile", {connection_id, remote_path});
}

void FakeMainClient::Ping() { Take("Ping", {}); }

}  // namespace lark::mainclient::fake
