#include "storage/form_storage.h"

#include "core/errors.h"

namespace lark::storage {

LARK_DEFINE_CLASS(TFormStorage) {
    static auto stringsType = core::MakeClassType(core::StringsObject::StaticClass());
    return core::ClassBuilder<TFormStorage>("TFormStorage", &core::Component::StaticClass())
        .Prop("Active", core::BooleanType(), &TFormStorage::Active, &TFormStorage::SetActive,
              core::Value(std::int64_t(1)))
        .Prop("IniFileName", core::StringType(), &TFormStorage::IniFileName, &TFormStorage::SetIniFileName)
        .Prop("IniSection", core::StringType(), &TFormStorage::IniSection, &TFormStorage::SetIniSection)
        .Object("StoredProps", *stringsType, &TFormStorage::StoredPropsObject)
        .Build();
}

// Keeps the store open for one call when nobody opened it around the call.
class TFormStorage::Session {
public:
    Session(TFormStorage& owner, bool forWriting) : owner_(owner) { owner_.OpenStore(forWriting); }
    ~Session() {
        try {
            owner_.CloseStore();
        } catch (...) {
            // A failed write-back on an error path; the first failure is the one reported.
        }
    }
private:
    TFormStorage& owner_;
};

TFormStorage::TFormStorage(core::Component* owner) : core::Component(owner) {}

TFormStorage::~TFormStorage() {
    BeginDestroy();
    for (int i = 0; i < StoredProps().Count(); ++i)
        if (auto* c = static_cast<core::Component*>(StoredProps().Objects(i))) RemoveFreeNotification(c);
}

void TFormStorage::AddStoredProp(std::string line, core::Component* component) {
    StoredProps().Add(std::move(line), component);
    if (component && component != this) FreeNotification(component);
}

std::string TFormStorage::EffectiveFileName() const {
    return iniFileName_.empty() ? DefaultIniName() : iniFileName_;
}

void TFormStorage::OpenStore(bool forWriting) {
    if (openCount_++ == 0) {
        try {
            auto store = std::make_unique<core::IniStore>();
            const std::string file = EffectiveFileName();
            if (!file.empty()) store->LoadFromFile(file);
            store_ = std::move(store);
            writing_ = false;
        } catch (...) {
            openCount_ = 0;
            throw;
        }
    }
    if (forWriting) writing_ = true;
}

void TFormStorage::CloseStore() {
    if (openCount_ == 0 || --openCount_ > 0) return;
    std::unique_ptr<core::IniStore> store = std::move(store_);
    const bool write = writing_ && store->Modified();
    writing_ = false;
    if (!write) return;
    const std::string file = EffectiveFileName();
    if (file.empty()) throw core::Error("No file to store the settings of " + NamePath() + " in");
    store->SaveToFile(file);
}

std::string TFormStorage::ReadStoredString(std::string_view section, std::string_view key, std::string_view defaultValue) {
    Session s(*this, false);
    return store_->ReadString(section, key, defaultValue);
}

void TFormStorage::WriteStoredString(std::string_view section, std::string_view key, std::string_view value) {
    OpenStore(true);
    try {
        const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                            value.back() == value.front();
        if (quoted) store_->WriteString(section, key, "\"" + std::string(value) + "\"");
        else store_->WriteString(section, key, value);
    } catch (...) {
        --openCount_;  // leave the file as it was
        if (openCount_ == 0) store_.reset(), writing_ = false;
        throw;
    }
    CloseStore();
}

void TFormStorage::EraseStoredSection(std::string_view section) {
    OpenStore(true);
    store_->EraseSection(section);
    CloseStore();
}

std::vector<std::string> TFormStorage::StoredSectionKeys(std::string_view section) {
    Session s(*this, false);
    return store_->ReadSection(section);
}

void TFormStorage::Configure(TPropsStorage& storage) {
    storage.Section = iniSection_;
    storage.OnReadString = [this](std::string_view s, std::string_view k, std::string_view d) {
        return ReadStoredString(s, k, d);
    };
    storage.OnWriteString = [this](std::string_view s, std::string_view k, std::string_view v) {
        WriteStoredString(s, k, v);
    };
    storage.OnEraseSection = [this](std::string_view s) { EraseStoredSection(s); };
    storage.OnReadSectionKeys = [this](std::string_view s) { return StoredSectionKeys(s); };
}

void TFormStorage::SaveStoredProps() {
    OpenStore(true);
    try {
        TPropsStorage storage;
        Configure(storage);
        storage.SaveListedProps(Owner(), StoredProps());
    } catch (...) {
        // Nothing of a failed pass reaches the file.
        if (--openCount_ == 0) store_.reset(), writing_ = false;
        throw;
    }
    CloseStore();
}

void TFormStorage::RestoreStoredProps() {
    try {
        Session s(*this, false);
        TPropsStorage storage;
        Configure(storage);
        storage.LoadListedProps(Owner(), StoredProps());
    } catch (...) {
        // A store that cannot be read leaves every value as it was.
    }
}

void TFormStorage::Notification(core::Component* component, core::Operation operation) {
    core::Component::Notification(component, operation);
    if (operation != core::Operation::Remove || IsDestroying()) return;
    for (int i = StoredProps().Count() - 1; i >= 0; --i)
        if (StoredProps().Objects(i) == component) StoredProps().Delete(i);
}

void TFormStorage::Loaded() {
    core::Component::Loaded();
    core::StringList& lines = StoredProps();
    std::string comp, prop;
    for (int i = lines.Count() - 1; i >= 0; --i) {
        core::Component* c = nullptr;
        if (SplitStoredPropLine(lines.Strings(i), comp, prop) && Owner()) c = Owner()->FindComponent(comp);
        if (!c) {
            lines.Delete(i);
            continue;
        }
        lines.SetObjects(i, c);
        if (c != this) FreeNotification(c);
    }
}

}  // namespace lark::storage
