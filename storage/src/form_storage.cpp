#include "storage/form_storage.h"

#include <algorithm>
#include <cstdio>

#include "core/errors.h"
#include "core/text_encoding.h"
#include "storage/text_helpers.h"

namespace lark::storage {
namespace {

std::string ValueText(const core::Value& v) {
    if (auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
    if (auto* d = std::get_if<double>(&v)) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.15g", *d);
        return buf;
    }
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    return {};
}

}  // namespace

// --- TStoredValue

LARK_DEFINE_CLASS(TStoredValue) {
    return core::ClassBuilder<TStoredValue>("TStoredValue", &core::CollectionItem::StaticClass())
        .Prop("Name", core::StringType(), &TStoredValue::Name, &TStoredValue::SetName)
        .Custom("Value", core::VariantType(), [](const TStoredValue& o) { return o.Value(); },
                [](TStoredValue& o, const core::Value& v) { o.SetValue(v); })
        .StoredWhen([](const TStoredValue& o) { return !std::holds_alternative<std::monostate>(o.Value()); })
        .Prop("KeyString", core::StringType(), &TStoredValue::KeyString, &TStoredValue::SetKeyString)
        .Build();
}

void TStoredValue::SetName(std::string name) {
    if (!name.empty() && !core::SameTextUtf8(name, name_))
        if (auto* values = dynamic_cast<TStoredValues*>(GetCollection()); values && values->FindValue(name))
            throw core::Error("In der Stringliste sind Duplikate nicht erlaubt");
    name_ = std::move(name);
}

void TStoredValue::Assign(const TStoredValue& source) { core::AssignPublished(source, *this); }

std::string TStoredValue::DisplayName() const { return name_.empty() ? core::CollectionItem::DisplayName() : name_; }

TFormStorage* TStoredValue::Storage() const {
    auto* values = dynamic_cast<TStoredValues*>(GetCollection());
    return values ? values->Storage() : nullptr;
}

void TStoredValue::SaveStoredValue() {
    TFormStorage* storage = Storage();
    if (!storage) return;
    core::Value value = value_;
    if (OnSave) OnSave(*this, value);
    std::string text = ValueText(value);
    if (!keyString_.empty()) text = XorHexEncode(keyString_, text);
    storage->WriteStoredString(storage->StorageSection(), name_, text);
}

void TStoredValue::RestoreStoredValue() {
    TFormStorage* storage = Storage();
    if (!storage) return;
    std::string fallback = ValueText(value_);
    if (!keyString_.empty()) fallback = XorHexEncode(keyString_, fallback);
    std::string text = storage->ReadStoredString(storage->StorageSection(), name_, fallback);
    if (!keyString_.empty()) text = XorHexDecode(keyString_, text);
    core::Value value(std::move(text));
    if (OnRestore) OnRestore(*this, value);
    value_ = std::move(value);
}

// --- TStoredValues

LARK_DEFINE_CLASS(TStoredValues) {
    return core::ClassBuilder<TStoredValues>("TStoredValues", &core::Collection::StaticClass()).NotCreatable().Build();
}

TStoredValues::TStoredValues(TFormStorage* storage)
    : core::Collection(TStoredValue::StaticClass(), storage), storage_(storage) {}

TStoredValue* TStoredValues::FindValue(std::string_view name) const {
    for (int i = 0; i < Count(); ++i)
        if (core::SameTextUtf8(Items(i)->Name(), name)) return Items(i);
    return nullptr;
}

void TStoredValues::SaveStoredValues() {
    for (int i = 0; i < Count(); ++i) Items(i)->SaveStoredValue();
}

void TStoredValues::RestoreStoredValues() {
    for (int i = 0; i < Count(); ++i) Items(i)->RestoreStoredValue();
}

// --- TFormStorage

LARK_DEFINE_CLASS(TFormStorage) {
    return core::ClassBuilder<TFormStorage>("TFormStorage", &TFormPlacement::StaticClass())
        .Object("StoredProps", core::ClassTypeOf<core::StringsObject>(), &TFormStorage::StoredPropsObject)
        .Object("StoredValues", core::ClassTypeOf<TStoredValues>(), &TFormStorage::StoredValuesObject)
        .Build();
}

TFormStorage::TFormStorage(core::Component* owner) : TFormPlacement(owner) {
    StoredProps().OnChange = [this] { FollowStoredComponents(); };
}

TFormStorage::~TFormStorage() {
    BeginDestroy();
    StoredProps().OnChange = nullptr;
    for (core::Component* c : followed_) RemoveFreeNotification(c);
}

void TFormStorage::AddStoredProp(std::string line, core::Component* component) {
    StoredProps().Add(std::move(line), component);
}

void TFormStorage::FollowStoredComponents() {
    const core::StringList& lines = StoredProps();
    std::vector<core::Component*> carried;
    for (int i = 0; i < lines.Count(); ++i) {
        auto* c = static_cast<core::Component*>(lines.Objects(i));
        if (c && c != this && std::find(carried.begin(), carried.end(), c) == carried.end()) carried.push_back(c);
    }
    for (core::Component* c : followed_)
        if (std::find(carried.begin(), carried.end(), c) == carried.end()) RemoveFreeNotification(c);
    for (core::Component* c : carried)
        if (std::find(followed_.begin(), followed_.end(), c) == followed_.end()) FreeNotification(c);
    followed_ = std::move(carried);
}

void TFormStorage::Configure(TPropsStorage& storage) {
    storage.Section = StorageSection();
    storage.OnReadString = [this](std::string_view s, std::string_view k, std::string_view d) {
        return ReadStoredString(s, k, d);
    };
    storage.OnWriteString = [this](std::string_view s, std::string_view k, std::string_view v) {
        WriteStoredString(s, k, v);
    };
    storage.OnEraseSection = [this](std::string_view s) { EraseStoredSection(s); };
    storage.OnReadSectionKeys = [this](std::string_view s, const std::function<void(std::string_view)>& each) {
        for (const std::string& key : StoredSectionKeys(s)) each(key);
    };
}

void TFormStorage::SaveStoredProps() {
    // One open store for the pass; nothing of a failed pass reaches the file.
    WithStore(true, [&] {
        TPropsStorage storage;
        Configure(storage);
        storage.SaveListedProps(Owner(), StoredProps());
    });
}

void TFormStorage::RestoreStoredProps() {
    try {
        WithStore(false, [&] {
            TPropsStorage storage;
            Configure(storage);
            storage.LoadListedProps(Owner(), StoredProps());
        });
    } catch (...) {
        // A store that cannot be read leaves every value as it was.
    }
}

void TFormStorage::SaveWindowPlacement() {
    TFormPlacement::SaveWindowPlacement();
    SaveStoredProps();
    storedValues_.SaveStoredValues();
}

void TFormStorage::RestoreWindowPlacement() {
    TFormPlacement::RestoreWindowPlacement();
    RestoreStoredProps();
    storedValues_.RestoreStoredValues();
}

void TFormStorage::Notification(core::Component* component, core::Operation operation) {
    TFormPlacement::Notification(component, operation);
    if (operation != core::Operation::Remove || IsDestroying()) return;
    for (int i = StoredProps().Count() - 1; i >= 0; --i)
        if (StoredProps().Objects(i) == component) StoredProps().Delete(i);
}

void TFormStorage::Loaded() {
    TFormPlacement::Loaded();
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
    }
}

}  // namespace lark::storage
