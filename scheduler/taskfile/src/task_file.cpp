#include "scheduler/task_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>

#include "core/component_stream.h"
#include "core/file_errors.h"
#include "core/published.h"
#include "core/text_encoding.h"
#include "storage/password_cipher.h"

namespace lark::scheduler {

namespace {

using core::ClassBuilder;
using core::Value;

// The cipher for tasks the reader creates while a task stream is read on this thread.
thread_local const storage::TextCipher* readCipher = nullptr;

// A task enumeration as the stream knows it, with the task model's value names.
template <class E>
std::unique_ptr<core::TypeInfo> TaskEnumType(std::string typeName) {
    const auto names = EnumNames<E>();
    return core::MakeEnumType(std::move(typeName), std::vector<std::string>(names.begin(), names.end()));
}

const core::TypeInfo& TaskTypeType() {
    static auto t = TaskEnumType<TTaskType>("TTaskType");
    return *t;
}
const core::TypeInfo& StatusType() {
    static auto t = TaskEnumType<TTaskStatus>("TTaskStatus");
    return *t;
}
const core::TypeInfo& ScheduleType() {
    static auto t = TaskEnumType<TScheduleTask>("TScheduleTask");
    return *t;
}
const core::TypeInfo& WeekDaysType() {
    static auto element = core::MakeSubrangeType("TWeekDay", 1, 7);
    static auto t = core::MakeSetType("TWeekDays", *element);
    return *t;
}
const core::TypeInfo& MonthsType() {
    static auto element = core::MakeSubrangeType("TMonthNo", 1, 12);
    static auto t = core::MakeSetType("TMonths", *element);
    return *t;
}

// A task as the stream sees it: the published properties of TLarkFTPTask over a task that is
// either one of the storage's (writing) or a scratch task of its own (reading).
class StreamTask : public core::CollectionItem {
    LARK_PERSISTENT_CLASS(StreamTask)
public:
    StreamTask() : owned_(std::make_unique<TLarkFTPTask>()), task_(owned_.get()), readCipher_(readCipher) {}
    // Writing: the storage's task, and the cipher of this save.
    void Bind(const TLarkFTPTask& task, storage::TextCipher& cipher) {
        owned_.reset();
        task_ = const_cast<TLarkFTPTask*>(&task);
        writeCipher_ = &cipher;
    }
    TLarkFTPTask& Task() const { return *task_; }
    // Reading: the task that the stream filled, for the storage's list.
    std::unique_ptr<TLarkFTPTask> Release() { return std::move(owned_); }
    bool passwordFailed = false;
    bool passwordChanged = false;

    void DefineProperties(core::Filer& filer) override {
        filer.DefineProperty(
            "UserPassword",
            [this](core::Reader& r) {
                std::string text = r.ReadText();
                try {
                    if (!readCipher_) throw core::Error("no task key");
                    task_->SetUserPassword(core::Win1252ToUtf8(readCipher_->Decrypt(core::Utf8ToWin1252(text))));
                } catch (const std::exception&) {
                    task_->SetUserPassword({});
                    passwordFailed = true;
                }
            },
            [this](core::Writer& w) {
                const std::string& password = task_->UserPassword();
                passwordChanged = !CanStorePassword(password);
                w.WriteString8(writeCipher_->Encrypt(core::Utf8ToWin1252(password)));
            },
            true);
    }

private:
    std::unique_ptr<TLarkFTPTask> owned_;
    TLarkFTPTask* task_;
    const storage::TextCipher* readCipher_ = nullptr;
    storage::TextCipher* writeCipher_ = nullptr;
};

template <class V>
using Getter = V (TLarkFTPTask::*)() const;

// Published properties that forward to the bound task.
template <class V, class S>
void Forward(ClassBuilder<StreamTask>& b, std::string name, const core::TypeInfo& type, Getter<V> get, S set,
             std::optional<Value> def = {}) {
    using Plain = std::remove_cvref_t<V>;
    b.Custom(
        std::move(name), type, [get](const StreamTask& s) { return core::ToValue<Plain>((s.Task().*get)()); },
        [set](StreamTask& s, const Value& v) { (s.Task().*set)(core::FromValue<Plain>(v)); }, std::move(def));
}

template <class E, class S>
void ForwardEnum(ClassBuilder<StreamTask>& b, std::string name, const core::TypeInfo& type, Getter<E> get, S set) {
    b.Custom(
        std::move(name), type, [get](const StreamTask& s) { return Value(static_cast<std::int64_t>((s.Task().*get)())); },
        [set](StreamTask& s, const Value& v) { (s.Task().*set)(static_cast<E>(core::AsOrdinal(v))); });
}

template <class SetT, class S>
void ForwardSet(ClassBuilder<StreamTask>& b, std::string name, const core::TypeInfo& type, Getter<SetT> get, S set,
                SetT def) {
    b.Custom(
        std::move(name), type, [get](const StreamTask& s) { return Value(core::SetValue{(s.Task().*get)().ToBits()}); },
        [set](StreamTask& s, const Value& v) { (s.Task().*set)(SetT::FromBits(core::AsSet(v).bits)); },
        Value(core::SetValue{def.ToBits()}));
}

}  // namespace

LARK_DEFINE_CLASS(StreamTask) {
    using T = TLarkFTPTask;
    ClassBuilder<StreamTask> b("TLarkFTPTask", &core::CollectionItem::StaticClass());
    // The main client's ids are opaque 32-bit values: the file holds the signed value of their
    // bits, and every signed value reads back to the same bits.
    b.Custom(
        "TaskID", core::IntegerType(),
        [](const StreamTask& s) { return Value(static_cast<std::int64_t>(static_cast<std::int32_t>(s.Task().TaskID()))); },
        [](StreamTask& s, const Value& v) { s.Task().SetTaskID(static_cast<std::uint32_t>(core::AsOrdinal(v))); },
        Value(std::int64_t(0)));
    Forward(b, "UseProfile", core::BooleanType(), &T::UseProfile, &T::SetUseProfile, Value(std::int64_t(0)));
    Forward(b, "LocalName", core::WideStringType(), &T::LocalName, &T::SetLocalName);
    Forward(b, "RemoteName", core::WideStringType(), &T::RemoteName, &T::SetRemoteName);
    ForwardEnum(b, "TaskType", TaskTypeType(), &T::TaskType, &T::SetTaskType);
    Forward(b, "RemoteURL", core::WideStringType(), &T::RemoteURL, &T::SetRemoteURL);
    Forward(b, "UserName", core::WideStringType(), &T::UserName, &T::SetUserName);
    ForwardEnum(b, "ScheduleTask", ScheduleType(), &T::ScheduleTask, &T::SetScheduleTask);
    Forward(b, "StartTime", core::DateTimeType(), &T::StartTime, &T::SetStartTime);
    Forward(b, "LastTime", core::DateTimeType(), &T::LastTime, &T::SetLastTime);
    Forward(b, "Comments", core::WideStringType(), &T::Comments, &T::SetComments);
    Forward(b, "DeleteCompleted", core::BooleanType(), &T::DeleteCompleted, &T::SetDeleteCompleted,
            Value(std::int64_t(1)));
    ForwardEnum(b, "Status", StatusType(), &T::Status, &T::SetStatus);
    Forward(b, "DayInterval", core::IntegerType(), &T::DayInterval, &T::SetDayInterval, Value(std::int64_t(1)));
    Forward(b, "EveryWeek", core::IntegerType(), &T::EveryWeek, &T::SetEveryWeek, Value(std::int64_t(1)));
    ForwardSet(b, "WeekDays", WeekDaysType(), &T::WeekDays, &T::SetWeekDays, T::kDefaultWeekDays);
    Forward(b, "EveryDayOfMonth", core::IntegerType(), &T::EveryDayOfMonth, &T::SetEveryDayOfMonth);
    ForwardSet(b, "Months", MonthsType(), &T::Months, &T::SetMonths, T::kDefaultMonths);
    Forward(b, "LastResult", core::WideStringType(), &T::LastResult, &T::SetLastResult);
    Forward(b, "IsFolder", core::BooleanType(), &T::IsFolder, &T::SetIsFolder);
    Forward(b, "ProxyServer", core::WideStringType(), &T::ProxyServer, &T::SetProxyServer);
    Forward(b, "ProxyPort", core::WideStringType(), &T::ProxyPort, &T::SetProxyPort);
    return b.Build();
}

namespace {

// The storage as the stream sees it.
class StreamStorage : public core::Component {
    LARK_PERSISTENT_CLASS(StreamStorage)
public:
    StreamStorage() : tasks_(StreamTask::StaticClass(), this) {}
    core::Collection* Tasks() { return &tasks_; }
    std::string fileName;

private:
    core::Collection tasks_;
};

}  // namespace

LARK_DEFINE_CLASS(StreamStorage) {
    return ClassBuilder<StreamStorage>("TLarkFTPTaskStorage", &core::Component::StaticClass())
        .Field("FileName", core::WideStringType(), &StreamStorage::fileName)
        .Object("TaskList", core::ClassTypeOf<core::Collection>(), &StreamStorage::Tasks)
        .Build();
}

std::vector<std::uint8_t> WriteTaskStream(const TLarkFTPTaskStorage& storage, std::vector<int>* changedPasswords) {
    StreamStorage stream;
    stream.fileName = storage.FileName();
    const TLarkFTPTaskList& list = storage.TaskList();
    storage::TextCipher cipher(list.Key().data(), list.Key().size());
    stream.Tasks()->BeginUpdate();
    for (int i = 0; i < list.Count(); ++i) static_cast<StreamTask*>(stream.Tasks()->Add())->Bind(list.Items(i), cipher);
    stream.Tasks()->EndUpdate();
    std::vector<std::uint8_t> bytes = core::WriteComponentToBytes(stream);
    if (changedPasswords) {
        changedPasswords->clear();
        for (int i = 0; i < stream.Tasks()->Count(); ++i)
            if (static_cast<StreamTask*>(stream.Tasks()->Items(i))->passwordChanged) changedPasswords->push_back(i);
    }
    return bytes;
}

namespace {
// The stream of a file being read, telling how far the reader has come at every step of about
// a hundredth of it (and at least 64 KiB).
class ProgressStream : public core::MemoryStream {
public:
    ProgressStream(std::vector<std::uint8_t> bytes, const LoadProgress& progress)
        : MemoryStream(std::move(bytes)), progress_(progress), step_(std::max<std::int64_t>(Size() / 100, 65536)) {
        next_ = step_;
    }
    std::size_t Read(void* buffer, std::size_t count) override {
        std::size_t n = MemoryStream::Read(buffer, count);
        if (progress_ && Position() >= next_) {
            next_ = Position() + step_;
            progress_(Position(), Size());
        }
        return n;
    }

private:
    const LoadProgress& progress_;
    std::int64_t step_;
    std::int64_t next_;
};
}  // namespace

LoadResult ReadTaskStream(TLarkFTPTaskStorage& storage, std::vector<std::uint8_t> bytes, const LoadProgress& progress) {
    TLarkFTPTaskList& list = storage.TaskList();
    StreamStorage scratch;
    {
        const storage::TextCipher cipher(list.Key().data(), list.Key().size());
        readCipher = &cipher;
        struct Reset {
            ~Reset() { readCipher = nullptr; }
        } reset;
        ProgressStream stream(std::move(bytes), progress);
        core::Reader(stream).ReadRootComponent(scratch);
        if (progress) progress(stream.Size(), stream.Size());
    }

    LoadResult result;
    result.loaded = true;
    list.Clear();
    for (int i = 0; i < scratch.Tasks()->Count(); ++i) {
        auto* from = static_cast<StreamTask*>(scratch.Tasks()->Items(i));
        list.Adopt(from->Release());
        if (from->passwordFailed) result.undecipheredPasswords.push_back(i);
    }
    return result;
}

SaveResult SaveToFile(const TLarkFTPTaskStorage& storage, const std::string& fileName, core::WriteSteps& steps) {
    SaveResult result;
    if (fileName.empty()) return result;
    if (storage.ReadOnly())
        throw core::Error("The task list is not saved to \"" + fileName +
                          "\": the task file could not be read at start-up and is kept unchanged");
    std::filesystem::path path(std::u8string(reinterpret_cast<const char8_t*>(fileName.data()), fileName.size()));
    if (path.has_parent_path()) {
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        if (ec) throw core::Error("Cannot create folder for \"" + fileName + "\". " + ec.message());
    }
    core::WriteFileAtomically(fileName, WriteTaskStream(storage, &result.changedPasswords), steps);
    return result;
}

LoadResult LoadFromFile(TLarkFTPTaskStorage& storage, const std::string& fileName, const LoadProgress& progress) {
    if (fileName.empty() || !core::FileExists(fileName)) return {};
    return ReadTaskStream(storage, core::ReadFileBytes(fileName), progress);
}

LockWait WaitUpTo(std::chrono::milliseconds total) {
    const auto deadline = std::chrono::steady_clock::now() + total;
    return [deadline] {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(std::chrono::milliseconds(250), deadline - now));
        return true;
    };
}

std::string FileStamp(core::DateTime now) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    core::DecodeDate(now, year, month, day);
    core::DecodeTime(now, hour, minute, second, ms);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", year, month, day, hour, minute, second);
    return text;
}

std::string SaveBeside(const TLarkFTPTaskStorage& storage, const std::string& fileName, const std::string& stamp,
                       core::WriteSteps& steps) {
    const std::vector<std::uint8_t> bytes = WriteTaskStream(storage);
    for (int n = 1; n <= 1000; ++n) {
        std::string name = fileName + ".unsaved-" + stamp;
        if (n > 1) name += '-' + std::to_string(n);
        try {
            // Made new, never over a file: a name that is taken is passed by.
            if (steps.WriteNewFile(name, bytes)) return name;
        } catch (...) {
            steps.RemoveFile(name);
            throw;
        }
    }
    throw core::Error("Every name beside \"" + fileName + "\" for the unsaved task list is taken");
}

TaskFileStartup OpenTaskFile(TLarkFTPTaskStorage& storage, const std::string& fileName, const LoadProgress& progress,
                             core::WriteSteps& steps, const LockWait& wait) {
    TaskFileStartup result;
    if (fileName.empty()) return result;
    result.removedTemporaries = core::RemoveStaleTemporaries(fileName, steps);
    const LockWait waitForLock = wait ? wait : WaitUpTo(std::chrono::seconds(10));
    for (;;) {
        try {
            result.load = LoadFromFile(storage, fileName, progress);
            return result;
        } catch (const core::FileLockedError& e) {
            // Not damage: the file is whole and only held; it is never set aside.
            if (waitForLock()) continue;
            result.error = e.what();
            result.state = TaskFileStartup::State::Locked;
            storage.SetReadOnly(true);
            return result;
        } catch (const std::exception& e) {
            result.error = e.what();
            break;
        }
    }
    try {
        for (int n = 1; n <= 1000; ++n) {
            std::string aside = fileName + (n == 1 ? std::string() : "." + std::to_string(n)) + ".damaged";
            if (steps.RenameNoReplace(fileName, aside)) {
                result.state = TaskFileStartup::State::SetAside;
                result.asideName = aside;
                return result;
            }
        }
        result.asideError = "every name for the copy is taken";
    } catch (const std::exception& e) {
        result.asideError = e.what();
    }
    result.state = TaskFileStartup::State::ReadOnly;
    storage.SetReadOnly(true);
    return result;
}

}  // namespace lark::scheduler
