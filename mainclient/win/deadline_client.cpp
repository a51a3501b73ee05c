#include "mainclient/deadline_client.h"

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "mainclient/automation_client.h"

namespace lark::mainclient {
namespace {

std::atomic<int> unanswered{0};

// One call handed to the worker. The waiter and the worker each hold it; whichever of them
// settles it first (answered, or given up) decides.
struct Job {
    enum State { kRunning, kAnswered, kGivenUp };
    std::function<void(std::unique_ptr<AutomationClient>&)> work;
    std::exception_ptr error;
    std::atomic<int> state{kRunning};
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);

    Job() = default;
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;
    ~Job() {
        if (done) CloseHandle(done);
    }
};

// Waits for the event while the thread answers sent messages and paints; false when `limit`
// passed first (INFINITE: no limit).
bool WaitAnswering(HANDLE event, DWORD limit) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_SENDMESSAGE | PM_QS_PAINT)) DispatchMessageW(&msg);
        DWORD remaining = INFINITE;
        if (limit != INFINITE) {
            const ULONGLONG spent = GetTickCount64() - start;
            remaining = spent >= limit ? 0 : static_cast<DWORD>(limit - spent);
        }
        const DWORD r = MsgWaitForMultipleObjectsEx(1, &event, remaining, QS_SENDMESSAGE | QS_PAINT, 0);
        if (r == WAIT_OBJECT_0) return true;
        if (r == WAIT_TIMEOUT) return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
        if (r != WAIT_OBJECT_0 + 1) return WaitForSingleObject(event, remaining) == WAIT_OBJECT_0;
    }
}

// A thread of the multithreaded apartment that runs the jobs of one object in order, and
// releases the object there when it is told to end.
class Worker {
public:
    static std::shared_ptr<Worker> Start() {
        auto worker = std::shared_ptr<Worker>(new Worker);
        // The thread holds the worker until it ends: a worker given up on outlives its client.
        std::thread([worker] { worker->Loop(); }).detach();
        return worker;
    }

    void Post(std::shared_ptr<Job> job) {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(std::move(job));
        wake_.notify_one();
    }

    void End() {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
        wake_.notify_one();
    }

    HANDLE Ended() const { return ended_; }

    ~Worker() {
        if (ended_) CloseHandle(ended_);
    }

private:
    Worker() = default;

    void Loop() {
        const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        for (;;) {
            std::shared_ptr<Job> job;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [this] { return ending_ || !jobs_.empty(); });
                if (jobs_.empty()) break;
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            try {
                job->work(client_);
            } catch (...) {
                job->error = std::current_exception();
            }
            int running = Job::kRunning;
            if (!job->state.compare_exchange_strong(running, Job::kAnswered)) --unanswered;  // given up: now back
            SetEvent(job->done);
        }
        client_.reset();
        if (SUCCEEDED(init)) CoUninitialize();
        SetEvent(ended_);
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Job>> jobs_;
    bool ending_ = false;
    std::unique_ptr<AutomationClient> client_;  // made, used and released on the worker only
    HANDLE ended_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

class DeadlineClient : public MainClient {
public:
    DeadlineClient(std::shared_ptr<Worker> worker, DWORD limit) : worker_(std::move(worker)), limit_(limit) {}

    ~DeadlineClient() override {
        // The release may reach the main client too: waited for as long as a call, unless a call
        // is hung (the worker then lets go once it returns).
        worker_->End();
        if (unanswered.load() == 0) WaitAnswering(worker_->Ended(), limit_);
    }

    // Runs work(client) on the worker and answers its result; raises its failure, or
    // AutomationError(kNoAnswer) when it does not answer within the limit.
    template <class Result>
    static Result Call(Worker& worker, DWORD limit, const char* method,
                       std::function<Result(std::unique_ptr<AutomationClient>&)> work) {
        if (unanswered.load() > 0)
            throw AutomationError(kNoAnswer, std::string(method) + ": the main client has not answered an earlier call");
        auto job = std::make_shared<Job>();
        if (!job->done) throw AutomationError(static_cast<int32_t>(HRESULT_FROM_WIN32(GetLastError())), method);
        auto result = std::make_shared<std::optional<Result>>();
        job->work = [work = std::move(work), result](std::unique_ptr<AutomationClient>& client) {
            result->emplace(work(client));
        };
        worker.Post(job);
        if (!WaitAnswering(job->done, limit)) {
            int running = Job::kRunning;
            if (job->state.compare_exchange_strong(running, Job::kGivenUp)) {
                ++unanswered;
                throw AutomationError(kNoAnswer, std::string(method) + ": the main client did not answer within " +
                                                     std::to_string(limit) + " ms");
            }
            WaitForSingleObject(job->done, INFINITE);  // answered just now
        }
        if (job->error) std::rethrow_exception(job->error);
        return std::move(**result);
    }

    template <class Result, class Method>
    Result Do(const char* name, Method method, DWORD limit = 0) {
        // A copy: the worker outlives this object when a nested message drops it meanwhile.
        const std::shared_ptr<Worker> worker = worker_;
        return Call<Result>(*worker, limit ? limit : limit_, name,
                            [method](std::unique_ptr<AutomationClient>& client) -> Result {
                                if (!client) throw AutomationError(E_POINTER, "no automation object");
                                return method(*client);
                            });
    }

    Session OpenSession(const std::string& profile_name) override {
        return Do<Session>("OpenSession", [=](AutomationClient& c) { return c.OpenSession(profile_name); });
    }
    std::string ListDirectory(const std::string& connection_id, const std::string& path, bool refresh) override {
        return Do<std::string>("ListDirectory",
                               [=](AutomationClient& c) { return c.ListDirectory(connection_id, path, refresh); });
    }
    int32_t RenameRemoteObject(const std::string& connection_id, const std::string& remote_path,
                               const std::string& new_name) override {
        return Do<int32_t>("RenameRemoteObject", [=](AutomationClient& c) {
            return c.RenameRemoteObject(connection_id, remote_path, new_name);
        });
    }
    int32_t DeleteRemoteFile(const std::string& connection_id, const std::string& remote_path) override {
        return Do<int32_t>("DeleteRemoteFile",
                           [=](AutomationClient& c) { return c.DeleteRemoteFile(connection_id, remote_path); });
    }
    int32_t DeleteRemoteDirectory(const std::string& connection_id, const std::string& remote_path) override {
        return Do<int32_t>("DeleteRemoteDirectory",
                           [=](AutomationClient& c) { return c.DeleteRemoteDirectory(connection_id, remote_path); });
    }
    int32_t AddProfileFolder(const std::string& folder_name, const std::string& parent_path) override {
        return Do<int32_t>("AddProfileFolder",
                           [=](AutomationClient& c) { return c.AddProfileFolder(folder_name, parent_path); });
    }
    int32_t DeleteProfileFolder(const std::string& folder_path) override {
        return Do<int32_t>("DeleteProfileFolder", [=](AutomationClient& c) { return c.DeleteProfileFolder(folder_path); });
    }
    int32_t RenameProfileFolder(const std::string& folder_path, const std::string& new_name) override {
        return Do<int32_t>("RenameProfileFolder",
                           [=](AutomationClient& c) { return c.RenameProfileFolder(folder_path, new_name); });
    }
    int32_t AddProfile(const ProfileRecord& profile) override {
        return Do<int32_t>("AddProfile", [=](AutomationClient& c) { return c.AddProfile(profile); });
    }
    int32_t RenameProfile(const std::string& profile_path, const std::string& new_name) override {
        return Do<int32_t>("RenameProfile", [=](AutomationClient& c) { return c.RenameProfile(profile_path, new_name); });
    }
    int32_t DeleteProfile(const std::string& profile_path) override {
        return Do<int32_t>("DeleteProfile", [=](AutomationClient& c) { return c.DeleteProfile(profile_path); });
    }
    FileCount DownloadDirectory(const std::string& connection_id, const std::string& remote_path,
                                const std::string& local_directory) override {
        return Do<FileCount>("DownloadDirectory", [=](AutomationClient& c) {
            return c.DownloadDirectory(connection_id, remote_path, local_directory);
        });
    }
    FileCount UploadDirectory(const std::string& connection_id, const std::string& local_directory,
                              const std::string& remote_directory) override {
        return Do<FileCount>("UploadDirectory", [=](AutomationClient& c) {
            return c.UploadDirectory(connection_id, local_directory, remote_directory);
        });
    }
    CopyResult CopyRemoteFile(const std::string& source_connection_id, const std::string& target_connection_id,
                              const std::string& source_path, const std::string& target_path) override {
        return Do<CopyResult>("CopyRemoteFile", [=](AutomationClient& c) {
            return c.CopyRemoteFile(source_connection_id, target_connection_id, source_path, target_path);
        });
    }
    void MakeRemoteDirectory(const std::string& connection_id, const std::string& remote_path) override {
        Do<bool>("MakeRemoteDirectory", [=](AutomationClient& c) {
            c.MakeRemoteDirectory(connection_id, remote_path);
            return true;
        });
    }
    ProfileChoice SelectProfile() override {
        return Do<ProfileChoice>("SelectProfile", [](AutomationClient& c) { return c.SelectProfile(); }, INFINITE);
    }
    int32_t SetAutomationMode(const std::string& mode) override {
        return Do<int32_t>("SetAutomationMode", [=](AutomationClient& c) { return c.SetAutomationMode(mode); });
    }
    int32_t StartGetFile(const TransferRequest& request) override {
        return Do<int32_t>("StartGetFile", [=](AutomationClient& c) { return c.StartGetFile(request); });
    }
    int32_t StartPutFile(const TransferRequest& request) override {
        return Do<int32_t>("StartPutFile", [=](AutomationClient& c) { return c.StartPutFile(request); });
    }
    FolderTask StartGetFolder(const TransferRequest& request) override {
        return Do<FolderTask>("StartGetFolder", [=](AutomationClient& c) { return c.StartGetFolder(request); });
    }
    FolderTask StartPutFolder(const TransferRequest& request) override {
        return Do<FolderTask>("StartPutFolder", [=](AutomationClient& c) { return c.StartPutFolder(request); });
    }
    int32_t ModifyProfile(const ProfileRecord& profile) override {
        return Do<int32_t>("ModifyProfile", [=](AutomationClient& c) { return c.ModifyProfile(profile); });
    }
    int32_t DownloadFile(const std::string& connection_id, const std::string& local_file,
                         const std::string& remote_path, int32_t size, double modified) override {
        return Do<int32_t>("DownloadFile", [=](AutomationClient& c) {
            return c.DownloadFile(connection_id, local_file, remote_path, size, modified);
        });
    }
    int32_t UploadFile(const std::string& connection_id, const std::string& local_file,
                       const std::string& remote_path) override {
        return Do<int32_t>("UploadFile",
                           [=](AutomationClient& c) { return c.UploadFile(connection_id, local_file, remote_path); });
    }
    int32_t SetAttributes(const std::string& connection_id, const std::string& remote_path,
                          const std::string& permissions) override {
        return Do<int32_t>("SetAttributes", [=](AutomationClient& c) {
            return c.SetAttributes(connection_id, remote_path, permissions);
        });
    }
    void OpenRemoteFile(const std::string& connection_id, const std::string& remote_path) override {
        Do<bool>("OpenRemoteFile", [=](AutomationClient& c) {
            c.OpenRemoteFile(connection_id, remote_path);
            return true;
        });
    }
    void Ping() override {
        Do<bool>("GetTypeInfoCount", [](AutomationClient& c) {
            c.Ping();
            return true;
        });
    }

private:
    std::shared_ptr<Worker> worker_;
    DWORD limit_;
};

}  // namespace

int UnansweredCalls() { return unanswered.load(); }

std::shared_ptr<MainClient> CreateDeadlineClient(std::chrono::milliseconds limit) {
    const DWORD ms = static_cast<DWORD>(limit.count());
    std::shared_ptr<Worker> worker = Worker::Start();
    try {
        DeadlineClient::Call<bool>(*worker, ms, "creating the main client's automation object",
                                   [](std::unique_ptr<AutomationClient>& client) {
                                       client = AutomationClient::Create();
                                       return true;
                                   });
    } catch (...) {
        // Ends once the creation returns (a late object is released there).
        worker->End();
        throw;
    }
    return std::make_shared<DeadlineClient>(std::move(worker), ms);
}

}  // namespace lark::mainclient
