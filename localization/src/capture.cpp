// Design-time capture: the texts the window's components show become the active language's
// texts, and the lists follow components that are removed, renamed or excluded.
#include <algorithm>

#include "core/collection.h"
#include "core/compiler.h"
#include "core/strings_object.h"
#include "core/text_encoding.h"
#include "localization/lang_component.h"
#include "scoped_flag.h"

namespace lark::localization {
namespace {

using core::Persistent;
using core::PropInfo;
using core::TypeKind;
using K = TStringsType;

bool IsStringKind(TypeKind k) { return k == TypeKind::String || k == TypeKind::WideString; }

Persistent* ObjectOf(const Persistent& o, const PropInfo& p) {
    return p.type->kind == TypeKind::Class ? core::AsObject(p.get(o)) : nullptr;
}

const PropInfo* FontOf(const Persistent& o) {
    const PropInfo* p = o.Class().FindProp("Font");
    return p && p->type->kind == TypeKind::Class && core::SameTextUtf8(p->type->name, "TFont") ? p : nullptr;
}

std::string CharsetNameOf(std::int64_t value) {
    for (const CharsetName& c : CharsetNames())
        if (c.value == value) return std::string(c.name);
    return {};
}

// Kinds whose identifiers carry a property after a point.
bool Dotted(K kind) { return kind == K::stMultiLines || kind == K::stOtherStrings || kind == K::stCollections; }

}  // namespace

bool TlcCustomLang::InDesigner() const { return IsDesigning() || tables_.Designing(); }

void TlcCustomLang::SetDesigning(bool on) {
    tables_.SetDesigning(on);
    if (!on) tables_.RebuildLookupTables();
}

bool TlcCustomLang::IsStringsType(std::string_view className) const { return StringsTypes.IndexOf(className) >= 0; }

bool TlcCustomLang::IsPropertyExcluded(std::string_view component, std::string_view property) const {
    return ExcludedProperties.IndexOf(property) >= 0 || property == "Name" ||
           SmartExcludeProps.IndexOf(std::string(component) + "." + std::string(property)) >= 0;
}

void TlcCustomLang::RemoveComponentRows(StringList& list, core::Component* component, TStringsType kind,
                                        core::Operation operation) {
    if (operation != core::Operation::Remove || !InDesigner() || list.empty() || !component) return;
    std::string prefix = component == Owner() ? Owner()->Class().name : component->Name();
    if (prefix.empty()) return;
    prefix += (kind == K::stMultiLines || kind == K::stOtherStrings || kind == K::stCollections) ? '.' : LangDelim();
    for (std::size_t i = list.size(); i-- > 0;)
        if (list[i].starts_with(prefix)) list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
}

void TlcCustomLang::RemoveLines(StringList& list, std::string_view name, TStringsType kind, std::string_view property) {
    std::string prefix(name);
    // GCC 12 reports an overlapping copy of 2^63 bytes in "literal" + std::string&& (GCC bug 105329).
    LARK_GCC_FALSE_POSITIVE("-Wrestrict")
    if (kind == K::stMultiLines || kind == K::stOtherStrings) prefix += "." + std::string(property) + LangDelim();
    else if (kind == K::stCollections) prefix += "." + std::string(property);
    else prefix += LangDelim();
    LARK_GCC_FALSE_POSITIVE_END
    for (std::size_t i = list.size(); i-- > 0;) {
        if (!list[i].starts_with(prefix)) continue;
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        if (kind != K::stCollections) return;
    }
}

void TlcCustomLang::RenameComponentRows(const std::string& oldName, const std::string& newName) {
    if (oldName.empty()) return;
    std::string from = oldName, to = newName;
    if (Owner() && oldName == Owner()->Name()) {
        // The window's own lines carry its class name.
        from = "T" + from;
        to = "T" + to;
    }
    const char d = LangDelim();
    auto rename = [&](std::string& line) {
        const std::size_t end = line.find_first_of(std::string(".") + d);
        if (line.substr(0, end) != from) return;
        line.replace(0, from.size(), to);
    };
    for (int k = 0; k < kStringsTypeCount; ++k)
        if (StringList* list = ListOfKind(static_cast<K>(k)))
            for (std::string& line : *list) rename(line);
    for (core::StringsObject* names : {&DoNotTranslate, &SmartExcludeProps}) {
        std::vector<std::string> lines = names->Lines();
        for (std::string& line : lines) rename(line);
        names->SetLines(lines);
    }
    TlcExtendedItems& items = tables_.ExtendedTranslations();
    for (int i = 0; i < items.Count(); ++i)
        if (items[i].Identifier.starts_with(from + "."))
            items[i].Identifier.replace(0, from.size(), to);
}

// The line of an item gets the current text as the active language's text: created when
// missing (from a set-aside line with that text when there is one, so a renamed component keeps
// its translations), else its field updated.
void TlcCustomLang::CaptureText(StringList& list, const std::string& identifier, const std::string& value) {
    const char d = LangDelim();
    const int active = ActiveLanguage();
    const auto it = std::find_if(list.begin(), list.end(), [&](const std::string& line) {
        return core::SameTextUtf8(DelimitedField(line, d, 0), identifier);
    });
    if (it != list.end()) {
        if (DelimitedField(*it, d, active) != value) SetTranslationText(list, identifier, active, value);
        return;
    }
    const auto lost = std::find_if(lostRows_.begin(), lostRows_.end(), [&](const std::string& line) {
        return !value.empty() && DelimitedField(line, d, active) == value;
    });
    if (lost != lostRows_.end()) {
        const std::size_t cut = lost->find(d, 1);
        list.push_back(identifier + (cut == std::string::npos ? std::string(1, d) : lost->substr(cut)));
        lostRows_.erase(lost);
        return;
    }
    list.push_back(identifier + d + PlaceTextAtLanguage(value, active, NumOfLanguages(), d));
}

void TlcCustomLang::CaptureOwnerLine(TStringsType kind, const char* property) {
    core::Component* owner = Owner();
    StringList& list = *ListOfKind(kind);
    const std::string& cls = owner->Class().name;
    const char d = LangDelim();
    const bool font = kind == K::stFonts;
    const PropInfo* p = font ? FontOf(*owner) : owner->Class().FindProp(property);
    Persistent* fontObject = font && p ? ObjectOf(*owner, *p) : nullptr;
    const bool has = font ? fontObject != nullptr : (p && IsStringKind(p->type->kind));
    if (!has || SmartExcludeProps.IndexOf(cls + "." + property) >= 0 || ExcludedProperties.IndexOf(property) >= 0 ||
        !OwnerTranslatable()) {
        RemoveLines(list, cls, kind, property);
        if (font) RemoveLines(*ListOfKind(K::stCharSets), cls, K::stCharSets, property);
        return;
    }
    const std::string value = font ? core::AsText(fontObject->GetProp("Name")) : core::AsText(p->get(*owner));
    auto ownerLine = [&](StringList& l, const std::string& text) {
        if (!l.empty() && DelimitedField(l.front(), d, 0) == owner->Name() && !owner->Name().empty())
            l.front().replace(0, owner->Name().size(), cls);
        if (l.empty() || !core::SameTextUtf8(DelimitedField(l.front(), d, 0), cls)) {
            std::string line = cls + d + text + d;
            for (int n = 1; n < NumOfLanguages(); ++n) line += d;
            l.insert(l.begin(), std::move(line));
        }
        if (DelimitedField(l.front(), d, ActiveLanguage()) != text) SetTranslationText(l, cls, ActiveLanguage(), text);
    };
    ownerLine(list, value);
    if (font) {
        const PropInfo* charset = fontObject->Class().FindProp("Charset");
        if (charset) ownerLine(*ListOfKind(K::stCharSets), CharsetNameOf(core::AsOrdinal(charset->get(*fontObject))));
    }
}

void TlcCustomLang::StoreTranslation() {
    if (ApplySuspended || !Owner()) return;
    detail::ScopedFlag quiet(tables_.DoRaiseExceptions, false);
    core::Component* owner = Owner();
    CaptureOwnerLine(K::stCaptions, "Caption");
    CaptureOwnerLine(K::stHints, "Hint");
    if (ListOfKind(K::stCharSets)) CaptureOwnerLine(K::stFonts, "Font");

    struct KindRule {
        K kind;
        const char* excludedBy;  // a property name that excludes the whole kind, or none
    };
    const KindRule kinds[] = {{K::stCaptions, "Caption"}, {K::stHints, "Hint"}, {K::stDisplayLabels, "DisplayLabel"},
                              {K::stFonts, "Font"},       {K::stMultiLines, nullptr}, {K::stOtherStrings, nullptr},
                              {K::stCollections, nullptr}};
    lostRows_.clear();
    for (const KindRule& rule : kinds) {
        StringList* list = ListOfKind(rule.kind);
        if (!list || (rule.excludedBy && ExcludedProperties.IndexOf(rule.excludedBy) >= 0)) continue;
        PruneList(*list, rule.kind);
        for (int c = 0; c < owner->ComponentCount(); ++c) {
            core::Component* component = owner->Components(c);
            const std::string& name = component->Name();
            if (name.empty() || dynamic_cast<TlcCustomLang*>(component) || DoNotTranslate.IndexOf(name) >= 0) continue;
            CaptureComponent(*list, rule.kind, *component);
        }
        lostRows_.clear();
    }
    DropStaleLines();
    StoreExtendedTranslations();
}

void TlcCustomLang::CaptureComponent(StringList& list, TStringsType kind, core::Component& component) {
    const std::string& name = component.Name();
    auto stringProp = [&](const char* property) {
        const PropInfo* p = component.Class().FindProp(property);
        if (p && IsStringKind(p->type->kind) && !IsPropertyExcluded(name, property))
            CaptureText(list, name, core::AsText(p->get(component)));
    };
    switch (kind) {
        case K::stCaptions: stringProp("Caption"); return;
        case K::stHints: stringProp("Hint"); return;
        case K::stDisplayLabels: stringProp("DisplayLabel"); return;
        case K::stFonts: {
            const PropInfo* p = FontOf(component);
            Persistent* font = p ? ObjectOf(component, *p) : nullptr;
            if (!font || IsPropertyExcluded(name, "Font")) return;
            CaptureText(list, name, core::AsText(font->GetProp("Name")));
            if (StringList* charsets = ListOfKind(K::stCharSets); charsets && font->Class().FindProp("Charset"))
                CaptureText(*charsets, name, CharsetNameOf(core::AsOrdinal(font->GetProp("Charset"))));
            return;
        }
        default: break;
    }
    for (const PropInfo* p : component.Class().AllProps()) {
        if (IsPropertyExcluded(name, p->name)) continue;
        if (kind == K::stMultiLines && p->type->kind == TypeKind::Class && IsStringsType(p->type->name)) {
            if (auto* strings = dynamic_cast<core::StringsObject*>(ObjectOf(component, *p)))
                CaptureText(list, name + "." + p->name, strings->CommaText());
        } else if (kind == K::stOtherStrings && IsStringKind(p->type->kind) && !p->IsReadOnly() && p->name != "Caption" &&
                   p->name != "Hint" && p->name != "DisplayLabel") {
            CaptureText(list, name + "." + p->name, core::AsText(p->get(component)));
        } else if (kind == K::stCollections && p->type->kind == TypeKind::Class) {
            auto* collection = dynamic_cast<core::Collection*>(ObjectOf(component, *p));
            if (!collection) continue;
            for (int i = 0; i < collection->Count(); ++i) {
                core::CollectionItem* item = collection->Items(i);
                for (const PropInfo* ip : item->Class().AllProps()) {
                    if (IsPropertyExcluded(name, ip->name)) continue;
                    const std::string id = name + "." + p->name + "[" + std::to_string(i) + "]." + ip->name;
                    if (IsStringKind(ip->type->kind) && !ip->IsReadOnly())
                        CaptureText(list, id, core::AsText(ip->get(*item)));
                    else if (auto* strings = dynamic_cast<core::StringsObject*>(ObjectOf(*item, *ip)))
                        CaptureText(list, id, strings->Text());
                }
            }
        }
    }
}

// Lines whose property no longer exists on its component, or no longer has a type of its kind.
void TlcCustomLang::DropStaleLines() {
    core::Component* owner = Owner();
    const char d = LangDelim();
    for (K kind : {K::stCaptions, K::stHints, K::stDisplayLabels, K::stFonts, K::stCharSets, K::stMultiLines,
                   K::stOtherStrings, K::stCollections}) {
        StringList* list = ListOfKind(kind);
        if (!list) continue;
        for (std::size_t i = list->size(); i-- > 0;) {
            const std::string id = DelimitedField((*list)[i], d, 0);
            const std::size_t dot = Dotted(kind) ? id.find('.') : std::string::npos;
            const std::string name = id.substr(0, dot);
            Persistent* target = owner->FindComponent(name);
            if (!target && core::SameTextUtf8(name, owner->Class().name)) target = owner;
            if (!target) continue;  // pruning deals with missing components
            std::string property;
            switch (kind) {
                case K::stCaptions: property = "Caption"; break;
                case K::stHints: property = "Hint"; break;
                case K::stDisplayLabels: property = "DisplayLabel"; break;
                case K::stFonts: case K::stCharSets: property = "Font"; break;
                default: property = dot == std::string::npos ? std::string() : id.substr(dot + 1); break;
            }
            if (kind == K::stCollections) property = property.substr(0, property.find('['));
            else if (const std::size_t sub = property.find('.'); sub != std::string::npos) property.resize(sub);
            const PropInfo* p = target->Class().FindProp(property);
            bool fits = p != nullptr;
            if (fits && (kind == K::stFonts || kind == K::stCharSets)) fits = FontOf(*target) == p;
            else if (fits && (kind == K::stMultiLines || kind == K::stCollections)) fits = p->type->kind == TypeKind::Class;
            else if (fits) fits = IsStringKind(p->type->kind) || p->type->kind == TypeKind::Class;
            if (!fits) list->erase(list->begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

void TlcCustomLang::StoreExtendedTranslations() {
    if (!Owner()) return;
    TlcExtendedItems& items = tables_.ExtendedTranslations();
    const DelimiterSet set = MakeDelimiterSet(LangDelim());
    for (int i = 0; i < items.Count(); ++i) {
        TlcExtendedItem& item = items[i];
        const std::string stored = ValueField(ActiveLanguage(), item.Values, set);
        const std::string current = GetPropertyByPath(*Owner(), item.Identifier);
        // An empty stored text is never replaced.
        if (!stored.empty() && stored != current)
            item.Values = SetValueAtLanguage(item.Values, ActiveLanguage(), NumOfLanguages(), LangDelim(), current);
    }
}

}  // namespace lark::localization
