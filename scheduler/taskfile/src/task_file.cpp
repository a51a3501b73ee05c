#include "scheduler/task_file.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "core/component_stream.h"
#include "core/published.h"
#include "core/text_encoding.h"
#include "storage/password_cipher.h"

namespace lark::scheduler {

namespace {

using core::ClassBuilder;
using core::Value;

// The key for tasks the reader creates while a task stream is read on this thread.
thread_local const TaskKey* readKey = nullptr;

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
    StreamTask() : owned_(std::make_unique<TLarkFTPTask>()), task_(owned_.get()), key_(readKey) {}
    void Bind(const TLarkFTPTask& task, const TaskKey& key) {
        owned_.reset();
        task_ = const_cast<TLarkFTPTask*>(&task);
        key_ = &key;
    }
    TLarkFTPTask& Task() const { return *task_; }
    bool passwordFailed = false;

    void DefineProperties(core::Filer& filer) override {
        filer.DefineProperty(
            "UserPassword",
            [this](core::Reader& r) {
                std::string text = r.ReadText();
                try {
                    if (!key_) throw core::Error("no task key");
                    std::string plain = storage::AesTextCipher(core::Utf8ToWin1252(text), key_->data(), key_->size(), false);
                    task_->SetUserPassword(core::Win1252ToUtf8(plain));
                } catch (const std::exception&) {
                    task_->SetUserPassword({});
                    passwordFailed = true;
                }
            },
            [this](core::Writer& w) {
                w.WriteString8(storage::AesTextCipher(core::Utf8ToWin1252(task_->UserPassword()), key_->data(),
                                                      key_->size(), true));
            },
            true);
    }

private:
    std::unique_ptr<TLarkFTPTask> owned_;
    TLarkFTPTask* task_;
    const TaskKey* key_;
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
    b.Custom(
        "TaskID", core::CardinalType(),
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
    static auto listType = core::MakeClassType(core::Collection::StaticClass());
    return ClassBuilder<StreamStorage>("TLarkFTPTaskStorage", &core::Component::StaticClass())
        .Field("FileName", core::WideStringType(), &StreamStorage::fileName)
        .Object("TaskList", *listType, &StreamStorage::Tasks)
        .Build();
}

std::vector<std::uint8_t> WriteTaskStream(const TLarkFTPTaskStorage& storage) {
    StreamStorage stream;
    stream.fileName = storage.FileName();
    const TLarkFTPTaskList& list = storage.TaskList();
    for (int i = 0; i < list.Count(); ++i)
        static_cast<StreamTask*>(stream.Tasks()->Add())->Bind(list.Items(i), list.Key());
    return core::WriteComponentToBytes(stream);
}

namespace {
// Copies every published property and the password from one task to another.
void CopyStored(StreamTask& from, StreamTask& to) {
    for (const core::PropInfo* p : StreamTask::StaticClass().AllProps())
        if (p->set) p->set(to, p->get(from));
    to.Task().SetUserPassword(from.Task().UserPassword());
}
}  // namespace

LoadResult ReadTaskStream(TLarkFTPTaskStorage& storage, const std::vector<std::uint8_t>& bytes) {
    TLarkFTPTaskList& list = storage.TaskList();
    StreamStorage scratch;
    {
        readKey = &list.Key();
        struct Reset {
            ~Reset() { readKey = nullptr; }
        } reset;
        core::ReadComponentFromBytes(scratch, bytes);
    }

    LoadResult result;
    result.loaded = true;
    list.Clear();
    for (int i = 0; i < scratch.Tasks()->Count(); ++i) {
        auto* from = static_cast<StreamTask*>(scratch.Tasks()->Items(i));
        StreamTask to;
        to.Bind(list.Add(), list.Key());
        CopyStored(*from, to);
        if (from->passwordFailed) result.undecipheredPasswords.push_back(i);
    }
    return result;
}

void SaveToFile(const TLarkFTPTaskStorage& storage, const std::string& fileName) {
    if (fileName.empty()) return;
    std::filesystem::path path(std::u8string(reinterpret_cast<const char8_t*>(fileName.data()), fileName.size()));
    if (path.has_parent_path()) {
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        if (ec) throw core::Error("Cannot create folder for \"" + fileName + "\". " + ec.message());
    }
    core::WriteFileAtomically(fileName, WriteTaskStream(storage));
}

LoadResult LoadFromFile(TLarkFTPTaskStorage& storage, const std::string& fileName) {
    if (fileName.empty() || !core::FileExists(fileName)) return {};
    return ReadTaskStream(storage, core::ReadFileBytes(fileName));
}

}  // namespace lark::scheduler
