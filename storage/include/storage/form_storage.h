#pragma once
// A window placement that also keeps chosen published properties of its owner's components
// ("StoredProps", lines Component.Property) and named free values ("StoredValues") in its
// section, in the stored-property layout.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/collection.h"
#include "core/strings_object.h"
#include "storage/form_placement.h"
#include "storage/props_storage.h"

namespace lark::storage {

class TFormStorage;

// A named value kept under the key Name of the storage's section; with a KeyString its text is
// kept XOR-hex encoded.
class TStoredValue : public core::CollectionItem {
    LARK_PERSISTENT_CLASS(TStoredValue)
public:
    const std::string& Name() const { return name_; }
    // Raises core::Error when another value of the collection has the name (without case).
    void SetName(std::string name);
    const core::Value& Value() const { return value_; }
    void SetValue(core::Value value) { value_ = std::move(value); }
    const std::string& KeyString() const { return keyString_; }
    void SetKeyString(std::string key) { keyString_ = std::move(key); }

    std::function<void(TStoredValue&, core::Value&)> OnSave;
    std::function<void(TStoredValue&, core::Value&)> OnRestore;

    // Copies Value, Name (through the name rule) and KeyString.
    void Assign(const TStoredValue& source);
    std::string DisplayName() const override;

    virtual void SaveStoredValue();
    virtual void RestoreStoredValue();

private:
    TFormStorage* Storage() const;
    std::string name_;
    core::Value value_;
    std::string keyString_;
};

class TStoredValues : public core::Collection {
    LARK_PERSISTENT_CLASS(TStoredValues)
public:
    explicit TStoredValues(TFormStorage* storage = nullptr);
    TFormStorage* Storage() const { return storage_; }
    TStoredValue* Add() { return static_cast<TStoredValue*>(core::Collection::Add()); }
    TStoredValue* Items(int index) const { return ItemAs<TStoredValue>(index); }
    // The value of that name (without case), or null.
    TStoredValue* FindValue(std::string_view name) const;

    virtual void SaveStoredValues();
    virtual void RestoreStoredValues();

private:
    TFormStorage* storage_;
};

class TFormStorage : public TFormPlacement {
    LARK_PERSISTENT_CLASS(TFormStorage)
public:
    explicit TFormStorage(core::Component* owner = nullptr);
    ~TFormStorage() override;

    // Lines carry their component as the line's object; a line without one is deleted by the
    // next pass, and a line whose component is freed is deleted at once. However a line gets
    // into the list (added here or through the list, assigned, inserted), the storage asks its
    // component for the removal notice.
    core::StringList& StoredProps() { return storedProps_.List(); }
    core::StringsObject* StoredPropsObject() { return &storedProps_; }
    void AddStoredProp(std::string line, core::Component* component);
    TStoredValues& StoredValues() { return storedValues_; }
    TStoredValues* StoredValuesObject() { return &storedValues_; }

    // Writes StoredProps into the section while the store is open; failures reach the caller.
    virtual void SaveStoredProps();
    // Reads StoredProps from the section; every failure is swallowed. Needs no placement step
    // and works on a storage that is not active.
    virtual void RestoreStoredProps();

    void SaveWindowPlacement() override;
    void RestoreWindowPlacement() override;

    void Notification(core::Component* component, core::Operation operation) override;
    // After the definition was read: each line gets the owner's component it names.
    void Loaded() override;

private:
    void Configure(TPropsStorage& storage);
    // Asks every component the lines carry for its removal notice, and lets go of the others.
    void FollowStoredComponents();

    core::StringsObject storedProps_;
    std::vector<core::Component*> followed_;
    TStoredValues storedValues_{this};
};

}  // namespace lark::storage
