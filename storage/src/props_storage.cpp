#include "storage/props_storage.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "core/collection.h"
#include "core/integer_text.h"
#include "core/property_path.h"
#include "core/text_encoding.h"

namespace lark::storage {

using core::Component;
using core::Persistent;
using core::PropInfo;
using core::TypeInfo;
using core::TypeKind;
using core::Value;

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Decimal with an optional sign, or "$" / "0x" hexadecimal spelling the 64-bit pattern.
constexpr core::IntegerSyntax kStoredInteger{.hexadecimal = true, .plusSign = true, .width = core::IntegerWidth::Bits64};

// "%G" with the exponent written as the stored format has it: no "+", no leading zeros.
std::string GeneralFloat(double v, int digits) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*G", digits, v);
    std::string s = buf;
    std::size_t e = s.find('E');
    if (e == std::string::npos) return s;
    std::string mantissa = s.substr(0, e);
    std::string_view exp = std::string_view(s).substr(e + 1);
    bool negative = !exp.empty() && exp[0] == '-';
    if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) exp.remove_prefix(1);
    while (exp.size() > 1 && exp[0] == '0') exp.remove_prefix(1);
    return mantissa + "E" + (negative ? "-" : "") + std::string(exp);
}

bool ParseFloat(std::string_view s, double& out) {
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out, std::chars_format::general);
    return ec == std::errc() && p == s.data() + s.size() && !s.empty();
}

std::string FloatText(double v, core::FloatType type) {
    switch (type) {
        case core::FloatType::Single: return GeneralFloat(v, 7);
        case core::FloatType::Double: return GeneralFloat(v, 15);
        default: break;
    }
    // Extended, comp and currency allow 18 or 19 digits; the value is a double, so the shortest
    // text that reads back exactly is all those digits can say.
    for (int digits = 1; digits < 17; ++digits) {
        std::string s = GeneralFloat(v, digits);
        double back = 0;
        if (ParseFloat(s, back) && back == v) return s;
    }
    return GeneralFloat(v, 17);
}

bool IsComponentType(const TypeInfo& type) {
    return type.classInfo && type.classInfo->InheritsFrom(Component::StaticClass());
}

std::string ItemPrefix(int index) { return "Item" + std::to_string(index) + "_"; }

// The index of a key "Item<digits><suffix>..." (suffix "_"), or of a key exactly
// "Item<digits>" (suffix empty); -1 for any other key.
int ItemIndexOfKey(std::string_view key, std::string_view suffix) {
    if (key.size() < 5 || (key[0] | 0x20) != 'i' || (key[1] | 0x20) != 't' || (key[2] | 0x20) != 'e' ||
        (key[3] | 0x20) != 'm')
        return -1;
    key.remove_prefix(4);
    std::size_t digits = 0;
    while (digits < key.size() && key[digits] >= '0' && key[digits] <= '9') ++digits;
    if (digits == 0 || digits > 9) return -1;
    std::string_view rest = key.substr(digits);
    if (suffix.empty() ? !rest.empty() : rest.substr(0, suffix.size()) != suffix) return -1;
    return core::ParseDecimal32(key.substr(0, digits)).value_or(-1);
}

// A component reference as the layout writes it.
std::string ReferenceText(const Component* c, const Component* storageOwner) {
    if (!c) return "(null)";
    std::string text = c->Name();
    const Component* owner = c->Owner();
    if (owner && owner != storageOwner) {
        std::string ownerName = owner->Name();
        if (ownerName.empty()) {
            ownerName = owner->Class().name;
            if (!ownerName.empty() && (ownerName[0] == 'T' || ownerName[0] == 't')) ownerName.erase(0, 1);
        }
        text = ownerName + "." + text;
    }
    return text;
}

}  // namespace

bool SplitStoredPropLine(std::string_view line, std::string& component, std::string& property) {
    std::size_t dot = line.find('.');
    if (dot == std::string_view::npos) return false;
    component = std::string(Trimmed(line.substr(0, dot)));
    property = std::string(Trimmed(line.substr(dot + 1)));
    return !component.empty() && !property.empty();
}

TPropInfoList::TPropInfoList(const core::ClassInfo& cls) {
    for (const PropInfo* p : cls.AllProps())
        if (p->type && p->type->kind != TypeKind::Method) props_.push_back(p);
    // Nearest class first when a derived class republishes a name.
    std::stable_sort(props_.begin(), props_.end(), [](const PropInfo* a, const PropInfo* b) {
        return core::CompareTextUtf8(a->name, b->name) < 0;
    });
}

const PropInfo* TPropInfoList::Find(std::string_view name) const {
    auto it = std::lower_bound(props_.begin(), props_.end(), name, [](const PropInfo* p, std::string_view n) {
        return core::CompareTextUtf8(p->name, n) < 0;
    });
    return it != props_.end() && core::SameTextUtf8((*it)->name, name) ? *it : nullptr;
}

bool IsStringProp(const PropInfo& prop) {
    const TypeInfo& t = *prop.type;
    return t.kind == TypeKind::String || (t.kind == TypeKind::Char && t.ordinal == core::OrdinalType::U16);
}

std::string StoredPropText(const Persistent& object, const PropInfo& prop) {
    const TypeInfo& t = *prop.type;
    switch (t.kind) {
        case TypeKind::Integer:
        case TypeKind::Int64:
            return std::to_string(core::AsOrdinal(prop.get(object)));
        case TypeKind::Char: {
            auto code = core::AsOrdinal(prop.get(object));
            if (t.ordinal == core::OrdinalType::U16) return core::Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(code)));
            return core::Win1252ToUtf8(std::string(1, static_cast<char>(code)));
        }
        case TypeKind::Enumeration:
            return t.NameOf(core::AsOrdinal(prop.get(object)));
        case TypeKind::Float:
            return FloatText(core::AsFloat(prop.get(object)), t.floatType);
        case TypeKind::String:
            return core::AsText(prop.get(object));
        case TypeKind::Set:
            return core::SetToText(t, core::AsSet(prop.get(object)));
        case TypeKind::Variant: {
            Value v = prop.get(object);
            if (auto* s = std::get_if<std::string>(&v)) return *s;
            if (auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
            if (auto* d = std::get_if<double>(&v)) return FloatText(*d, core::FloatType::Double);
            return {};
        }
        case TypeKind::WideString:
        case TypeKind::Method:
        case TypeKind::Class:
            return {};
    }
    return {};
}

std::string TPropsStorage::ReadPropText(std::string_view section, std::string_view key, std::string_view defaultValue) {
    return OnReadString ? OnReadString(section, key, defaultValue) : std::string();
}

void TPropsStorage::WritePropText(std::string_view section, std::string_view key, std::string_view value) {
    if (OnWriteString) OnWriteString(section, key, value);
}

void TPropsStorage::EraseStorageSection(std::string_view section) {
    if (OnEraseSection) OnEraseSection(section);
}

std::string TPropsStorage::PropKeyName(const PropInfo& prop) const { return Prefix + prop.name; }

std::unique_ptr<TPropsStorage> TPropsStorage::NewPropsStorage() const { return std::make_unique<TPropsStorage>(); }

std::unique_ptr<TPropsStorage> TPropsStorage::Nested(Persistent* object, std::string prefix, std::string section) const {
    auto s = NewPropsStorage();
    s->Object = object;
    s->Owner = Owner;
    s->Prefix = std::move(prefix);
    s->Section = std::move(section);
    s->OnReadString = OnReadString;
    s->OnWriteString = OnWriteString;
    s->OnEraseSection = OnEraseSection;
    s->OnReadSectionKeys = OnReadSectionKeys;
    return s;
}

namespace {
// Sorted property lists, built once per class: a large site database has thousands of records
// of one class.
const TPropInfoList& PropsOf(const core::ClassInfo& cls) {
    thread_local std::map<const core::ClassInfo*, std::unique_ptr<TPropInfoList>> cache;
    auto& slot = cache[&cls];
    if (!slot) slot = std::make_unique<TPropInfoList>(cls);
    return *slot;
}
}  // namespace

void TPropsStorage::LoadProperties() {
    if (!Object) return;
    const TPropInfoList& props = PropsOf(Object->Class());
    for (int i = 0; i < props.Count(); ++i) LoadPropValue(*props.Items(i));
}

void TPropsStorage::StoreProperties() {
    if (!Object) return;
    const TPropInfoList& props = PropsOf(Object->Class());
    for (int i = 0; i < props.Count(); ++i) SavePropValue(*props.Items(i));
}

int TPropsStorage::ItemsPresent(std::string_view section, std::string_view suffix, int stated) {
    if (stated <= 0) return 0;
    if (!OnReadSectionKeys) return std::min(stated, kUncheckedItemLimit);
    // Up to the highest item index that has a key, and never more items than indices with
    // keys, so that what is allocated stays within what the file holds.
    std::vector<int> indices;
    OnReadSectionKeys(section, [&](std::string_view key) {
        if (int i = ItemIndexOfKey(key, suffix); i >= 0) indices.push_back(i);
    });
    if (indices.empty()) return 0;
    std::sort(indices.begin(), indices.end());
    const int highest = indices.back();
    const auto distinct = std::unique(indices.begin(), indices.end()) - indices.begin();
    return std::min({stated, highest + 1, static_cast<int>(distinct)});
}

void TPropsStorage::LoadPropValue(const PropInfo& prop) {
    try {
        if (!Object || !prop.type) return;
        const TypeInfo& t = *prop.type;
        if (t.kind == TypeKind::Method || t.kind == TypeKind::WideString) return;
        if (t.kind == TypeKind::Class) {
            LoadObject(prop, IsComponentType(t) ? nullptr : core::AsObject(prop.get(*Object)));
            return;
        }
        const std::string def = StoredPropText(*Object, prop);
        // An empty variant is read too: it is never written empty, so an empty text means no value.
        if (def.empty() && !IsStringProp(prop) && t.kind != TypeKind::Variant) return;
        std::string text = ReadPropText(Section, PropKeyName(prop), def);
        if (const std::string_view t = Trimmed(text); t.size() != text.size()) text = std::string(t);
        switch (t.kind) {
            case TypeKind::Integer:
            case TypeKind::Int64: {
                if (auto v = core::ParseInteger(text, kStoredInteger)) Object->SetProp(prop, Value(*v));
                return;
            }
            case TypeKind::Char: {
                if (text.empty()) return;
                std::int64_t code;
                if (t.ordinal == core::OrdinalType::U16) code = core::Utf8ToUtf16(text)[0];
                else code = static_cast<unsigned char>(core::Utf8ToWin1252(text)[0]);
                Object->SetProp(prop, Value(code));
                return;
            }
            case TypeKind::Enumeration:
                if (auto ord = t.OrdinalOf(text)) Object->SetProp(prop, Value(*ord));
                return;
            case TypeKind::Float: {
                double d = 0;
                if (ParseFloat(text, d)) Object->SetProp(prop, Value(d));
                return;
            }
            case TypeKind::String:
                Object->SetProp(prop, Value(std::move(text)));
                return;
            case TypeKind::Set:
                Object->SetProp(prop, Value(core::SetFromText(t, text)));
                return;
            case TypeKind::Variant:
                if (!text.empty() || !def.empty()) Object->SetProp(prop, Value(text));
                return;
            default:
                return;
        }
    } catch (const std::exception&) {
        // One damaged key spoils only its own property.
    }
}

void TPropsStorage::SavePropValue(const PropInfo& prop) {
    if (!Object || !prop.type) return;
    const TypeInfo& t = *prop.type;
    if (t.kind == TypeKind::Method || t.kind == TypeKind::WideString) return;
    if (t.kind == TypeKind::Class) {
        SaveObject(prop, core::AsObject(prop.get(*Object)));
        return;
    }
    const std::string text(Trimmed(StoredPropText(*Object, prop)));
    if (text.empty() && !IsStringProp(prop)) return;
    WritePropText(Section, PropKeyName(prop), text);
}

void TPropsStorage::LoadObject(const PropInfo& prop, Persistent* object) {
    const std::string key = PropKeyName(prop);
    if (IsComponentType(*prop.type)) {
        const std::string text(Trimmed(ReadPropText(Section, key, "")));
        if (text.empty()) return;
        if (core::SameTextUtf8(text, "(null)")) {
            Object->SetProp(prop, Value(static_cast<Persistent*>(nullptr)));
            return;
        }
        std::string ownerName, name;
        if (std::size_t dot = text.find('.'); dot != std::string::npos) {
            ownerName = std::string(Trimmed(std::string_view(text).substr(0, dot)));
            name = std::string(Trimmed(std::string_view(text).substr(dot + 1)));
        } else {
            name = text;
        }
        Component* owner = ownerName.empty() ? Owner : core::RootComponents::Find(ownerName);
        if (!owner) return;
        Object->SetProp(prop, Value(static_cast<Persistent*>(owner->FindComponent(name))));
        return;
    }
    if (!object) return;
    const std::string section = Section + "." + key;
    if (auto* strings = dynamic_cast<core::StringsObject*>(object)) {
        const std::int64_t count =
            core::ParseInteger(Trimmed(ReadPropText(section, "Count", "0")), kStoredInteger).value_or(0);
        if (count > 0) {
            int n = ItemsPresent(section, "", static_cast<int>(std::min<std::int64_t>(count, INT32_MAX)));
            if (n > 0) {
                core::StringList lines;
                for (int i = 0; i < n; ++i) lines.Add(ReadPropText(section, "Item" + std::to_string(i), ""));
                strings->List().Assign(lines);
            }
        }
    } else if (auto* collection = dynamic_cast<core::Collection*>(object)) {
        const int current = collection->Count();
        const std::int64_t stated =
            core::ParseInteger(Trimmed(ReadPropText(Section, key + ".Count", std::to_string(current))), kStoredInteger)
                .value_or(current);
        // The same count (or none stored) updates in place; a new one is believed only as far as
        // items are really there.
        const int count = stated == current
                              ? current
                              : ItemsPresent(section, "_", static_cast<int>(std::clamp<std::int64_t>(stated, 0, INT32_MAX)));
        collection->BeginUpdate();
        struct EndUpdate {
            core::Collection* c;
            ~EndUpdate() { c->EndUpdate(); }
        } endUpdate{collection};
        if (count != current) {
            collection->Clear();
            for (int i = 0; i < count; ++i) collection->Add();
        }
        for (int i = 0; i < collection->Count(); ++i) Nested(collection->Items(i), ItemPrefix(i), section)->LoadProperties();
    }
    // Any other object keeps its properties under this key as a prefix; lists and collections
    // go the same way after their own part, which adds nothing unless they publish properties.
    Nested(object, key, Section)->LoadProperties();
}

void TPropsStorage::SaveObject(const PropInfo& prop, Persistent* object) {
    const std::string key = PropKeyName(prop);
    if (IsComponentType(*prop.type)) {
        WritePropText(Section, key, ReferenceText(dynamic_cast<Component*>(object), Owner));
        return;
    }
    if (!object) return;
    const std::string section = Section + "." + key;
    if (auto* strings = dynamic_cast<core::StringsObject*>(object)) {
        EraseStorageSection(section);
        const core::StringList& lines = strings->List();
        if (lines.Count() > 0) {
            WritePropText(section, "Count", std::to_string(lines.Count()));
            for (int i = 0; i < lines.Count(); ++i) WritePropText(section, "Item" + std::to_string(i), lines.Strings(i));
        }
    } else if (auto* collection = dynamic_cast<core::Collection*>(object)) {
        EraseStorageSection(section);
        WritePropText(Section, key + ".Count", std::to_string(collection->Count()));
        for (int i = 0; i < collection->Count(); ++i) Nested(collection->Items(i), ItemPrefix(i), section)->StoreProperties();
    }
    Nested(object, key, Section)->StoreProperties();
}

void TPropsStorage::ListedPass(Component* owner, core::StringList& lines, bool load) {
    std::string compName, propName;
    for (int i = lines.Count() - 1; i >= 0; --i) {
        auto* c = static_cast<Component*>(lines.Objects(i));
        if (c && SplitStoredPropLine(lines.Strings(i), compName, propName)) lines.SetStrings(i, c->Name() + "." + propName);
        else lines.Delete(i);
    }
    struct ClearOwner {
        TPropsStorage* s;
        ~ClearOwner() { s->Owner = nullptr; s->Object = nullptr; }
    } clearOwner{this};
    Owner = owner;
    for (int i = 0; i < lines.Count(); ++i) {
        auto* c = static_cast<Component*>(lines.Objects(i));
        Object = c;
        Prefix = c->Name() + "_";
        SplitStoredPropLine(lines.Strings(i), compName, propName);
        const PropInfo* prop = PropsOf(c->Class()).Find(propName);
        if (!prop) continue;
        if (load) LoadPropValue(*prop);
        else SavePropValue(*prop);
    }
}

void TPropsStorage::LoadListedProps(Component* owner, core::StringList& lines) { ListedPass(owner, lines, true); }

void TPropsStorage::SaveListedProps(Component* owner, core::StringList& lines) { ListedPass(owner, lines, false); }

}  // namespace lark::storage
