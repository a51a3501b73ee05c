#pragma once
// The stored-property layout: published properties of an object as text keys of INI-style
// sections, through reader, writer and section-eraser callbacks. The layout is a file format
// shared with the main client's site database, so key and section names must not change.
//
// An object O stored with prefix X in section S keeps each property P under the key X+P in S;
// a string list (core::StringsObject) in section S.XP ("Count", "Item0".."Item<n-1>"); a collection under the key
// XP.Count in S with item i stored as an object with prefix "Item<i>_" in section S.XP; a
// component as a reference text; any other object as its own properties with prefix X+P in S.
// Properties are visited sorted by name, case-insensitively.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/component.h"
#include "core/persistent.h"
#include "core/string_list.h"
#include "core/strings_object.h"

namespace lark::storage {

// The published properties of a class (every kind but methods), sorted by name without case.
class TPropInfoList {
public:
    explicit TPropInfoList(const core::ClassInfo& cls);
    int Count() const { return static_cast<int>(props_.size()); }
    const core::PropInfo* Items(int index) const { return props_.at(static_cast<std::size_t>(index)); }
    // Case-insensitive; null when the class publishes no such property.
    const core::PropInfo* Find(std::string_view name) const;

private:
    std::vector<const core::PropInfo*> props_;
};

using ReadStringFn = std::function<std::string(std::string_view section, std::string_view key,
                                               std::string_view defaultValue)>;
using WriteStringFn = std::function<void(std::string_view section, std::string_view key, std::string_view value)>;
using EraseSectionFn = std::function<void(std::string_view section)>;
// Calls `each` with every key name of a section. Lets a reader trust a stored item count only as
// far as the items really present, so that a damaged count cannot make it allocate millions of
// items.
using SectionKeysFn =
    std::function<void(std::string_view section, const std::function<void(std::string_view key)>& each)>;

// Told when a stored list or collection names more items than it holds: its section, the count
// it states and how many of those items have keys (the ones read).
using MissingItemsFn = std::function<void(std::string_view section, int stated, int found)>;

class TPropsStorage {
public:
    TPropsStorage() = default;
    virtual ~TPropsStorage() = default;
    TPropsStorage(const TPropsStorage&) = delete;
    TPropsStorage& operator=(const TPropsStorage&) = delete;

    core::Persistent* Object = nullptr;
    // Component references are resolved against it; set for one listed pass.
    core::Component* Owner = nullptr;
    std::string Prefix;
    std::string Section;

    ReadStringFn OnReadString;        // unset: every read gives ""
    WriteStringFn OnWriteString;      // unset: writes do nothing
    EraseSectionFn OnEraseSection;    // unset: nothing is erased
    SectionKeysFn OnReadSectionKeys;  // unset: counts are trusted up to kUncheckedItemLimit
    MissingItemsFn OnMissingItems;    // needs OnReadSectionKeys; unset: nothing is told

    static constexpr int kUncheckedItemLimit = 100000;

    // One published property of Object. Loading swallows every failure of the property (the
    // value keeps what it had); saving lets failures through.
    void LoadPropValue(const core::PropInfo& prop);
    void SavePropValue(const core::PropInfo& prop);
    // Every published property of Object, in the sorted order.
    void LoadProperties();
    void StoreProperties();

    // Lines of the form Component.Property, each carrying its component as the line's object.
    // Lines are tidied first: one without a component or not of that form is deleted, the others
    // are rewritten with the component's current Name.
    void LoadListedProps(core::Component* owner, core::StringList& lines);
    void SaveListedProps(core::Component* owner, core::StringList& lines);

protected:
    virtual std::string ReadPropText(std::string_view section, std::string_view key, std::string_view defaultValue);
    virtual void WritePropText(std::string_view section, std::string_view key, std::string_view value);
    virtual void EraseStorageSection(std::string_view section);
    virtual std::string PropKeyName(const core::PropInfo& prop) const;
    // A fresh storage of the same kind for nested objects; the callbacks and Owner are copied in.
    virtual std::unique_ptr<TPropsStorage> NewPropsStorage() const;

private:
    std::unique_ptr<TPropsStorage> Nested(core::Persistent* object, std::string prefix, std::string section) const;
    void LoadObject(const core::PropInfo& prop, core::Persistent* object);
    void SaveObject(const core::PropInfo& prop, core::Persistent* object);
    // The indices below `stated` of the "Item<i>"-keyed items that have keys in the section, in
    // order (every index up to kUncheckedItemLimit when keys cannot be listed).
    std::vector<int> ItemsPresent(std::string_view section, std::string_view suffix, int stated);
    void ListedPass(core::Component* owner, core::StringList& lines, bool load);
};

// The texts of the layout for the simple kinds ("" for methods, wide strings and objects).
std::string StoredPropText(const core::Persistent& object, const core::PropInfo& prop);
// Whether an empty text is still written and read (short and long strings, 16-bit characters).
bool IsStringProp(const core::PropInfo& prop);

// Splits "Component.Property" at the first "." into two trimmed parts; false unless both are
// non-empty.
bool SplitStoredPropLine(std::string_view line, std::string& component, std::string& property);

}  // namespace lark::storage
