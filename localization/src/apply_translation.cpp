// Applying the active language to the owner window: every list line names a component (or the
// owner) and a published property, found through reflection and set only when it differs.
#include <filesystem>

#include "core/collection.h"
#include "core/datetime.h"
#include "core/property_path.h"
#include "localization/lang_component.h"
#include "localization/lang_dispatcher.h"
#include "text_1252.h"

namespace lark::localization {

using core::Persistent;
using core::PropInfo;
using core::TypeKind;
using K = TStringsType;

namespace {

bool SameAscii(std::string_view a, std::string_view b) { return detail::EqualAsciiNoCase(a, b); }

bool IsStringKind(TypeKind k) { return k == TypeKind::String || k == TypeKind::WideString; }

const PropInfo* StringProp(const Persistent& o, std::string_view name) {
    const PropInfo* p = o.Class().FindProp(name);
    return p && IsStringKind(p->type->kind) ? p : nullptr;
}

const PropInfo* FontProp(const Persistent& o, std::string_view name) {
    const PropInfo* p = o.Class().FindProp(name);
    return p && p->type->kind == TypeKind::Class && SameAscii(p->type->name, "TFont") ? p : nullptr;
}

Persistent* ObjectOf(const Persistent& o, const PropInfo& p) {
    return p.type->kind == TypeKind::Class ? core::AsObject(p.get(o)) : nullptr;
}

// A published Action holding an action: the action supplies caption and hint.
bool ActionAssigned(const Persistent& o) {
    const PropInfo* p = o.Class().FindProp("Action");
    return p && ObjectOf(o, *p) != nullptr;
}

bool ParentFontOn(const Persistent& o) {
    const PropInfo* p = o.Class().FindProp("ParentFont");
    return p && p->type->kind == TypeKind::Enumeration && core::AsOrdinal(p->get(o)) != 0;
}

// Writable, or an object edited in place.
bool Settable(const PropInfo& p) { return !p.IsReadOnly() || p.type->kind == TypeKind::Class; }

std::string Identifier(const std::string& line, char delim) { return DelimitedField(line, delim, 0); }

std::vector<std::string> SplitLines(std::string_view text) {
    core::StringsObject tmp;
    tmp.SetText(text);
    return tmp.Lines();
}

// Overwrites the items in place, appends the rest, drops the surplus; a sorted list is
// unsorted meanwhile so the items keep the given order.
void ReplaceItems(core::StringsObject& target, const std::vector<std::string>& items) {
    core::StringList& list = target.List();
    const bool sorted = list.Sorted();
    list.BeginUpdate();
    try {
        if (sorted) list.SetSorted(false);
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (static_cast<int>(i) < list.Count()) list.SetStrings(static_cast<int>(i), items[i]);
            else list.Add(items[i]);
        }
        while (list.Count() > static_cast<int>(items.size())) list.Delete(list.Count() - 1);
        if (sorted) list.SetSorted(true);
    } catch (...) {
        list.EndUpdate();
        throw;
    }
    list.EndUpdate();
}

// Sets an integer-valued property (ItemIndex, WordWrap) and ignores what cannot be set.
std::optional<std::int64_t> ReadOrdinal(const Persistent& o, std::string_view name) {
    const PropInfo* p = o.Class().FindProp(name);
    if (!p || p->IsReadOnly() || p->type->kind == TypeKind::Class || IsStringKind(p->type->kind)) return std::nullopt;
    try {
        return core::AsOrdinal(p->get(o));
    } catch (const core::Error&) {
        return std::nullopt;
    }
}
void WriteOrdinal(Persistent& o, std::string_view name, std::int64_t v) {
    try {
        o.SetProp(name, core::Value(v));
    } catch (const core::Error&) {
    }
}

bool LooksRelativePath(std::string_view text) {
    return text.find("..") != std::string_view::npos || text.find(".\\") != std::string_view::npos;
}

std::string ExpandFileName(std::string_view text) {
    std::error_code ec;
    auto full = std::filesystem::absolute(std::filesystem::path(std::string(text)), ec);
    return ec ? std::string(text) : full.lexically_normal().string();
}

// The text after "[" up to "]" as an index; -1 when none.
int IndexIn(std::string_view text) {
    std::size_t open = text.find('['), close = text.find(']');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open + 2) return -1;
    int v = 0;
    for (char c : text.substr(open + 1, close - open - 1)) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
        if (v > 100000000) return -1;
    }
    return v;
}

}  // namespace

bool TlcCustomLang::OwnerTranslatable() const {
    return Owner() && DoNotTranslate.IndexOf(Owner()->Class().name) < 0;
}

bool TlcCustomLang::OwnerHasNoFont() const { return !Owner() || !FontProp(*Owner(), "Font"); }

std::string TlcCustomLang::LineText(const std::string& line, TStringsType kind, bool testMode) const {
    const char d = LangDelim();
    const int active = ActiveLanguage();
    std::string text = DelimitedField(line, d, active);
    if (text.empty() && active > 1 && testMode && kind != K::stFonts && kind != K::stLocales &&
        kind != K::stCharSets) {
        std::string first = DelimitedField(line, d, 1);
        if (!first.empty()) text = dispatcher_->TestModeInfo().ApplyTestMode(first);
    }
    if (text.empty() && tables_.TranslateType == TTranslateType::ttGetDefault) text = DelimitedField(line, d, 1);
    return text;
}

void TlcCustomLang::ApplyOwnerText(TStringsType kind, const char* property, bool testMode) {
    core::Component* owner = Owner();
    const StringList& list = *ListOfKind(kind);
    const std::string& cls = owner->Class().name;
    if (list.empty() || !OwnerTranslatable() || SmartExcludeProps.IndexOf(cls + "." + property) >= 0) return;
    const PropInfo* p = StringProp(*owner, property);
    if (!p || p->IsReadOnly() || !SameAscii(Identifier(list.front(), LangDelim()), cls)) return;
    try {
        std::string text = LineText(list.front(), kind, testMode);
        if (!text.empty() && !ActionAssigned(*owner) && core::AsText(p->get(*owner)) != text)
            owner->SetProp(*p, core::Value(text));
    } catch (const core::Error&) {
    }
}

void TlcCustomLang::ApplyOwnerFont() {
    core::Component* owner = Owner();
    const StringList& fonts = *ListOfKind(K::stFonts);
    const std::string& cls = owner->Class().name;
    if (fonts.empty() || !OwnerTranslatable() || SmartExcludeProps.IndexOf(cls + ".Font") >= 0) return;
    const PropInfo* p = FontProp(*owner, "Font");
    Persistent* font = p ? ObjectOf(*owner, *p) : nullptr;
    if (!font || !SameAscii(Identifier(fonts.front(), LangDelim()), cls)) return;
    try {
        std::string name = LineText(fonts.front(), K::stFonts, false);
        if (!name.empty() && StringProp(*font, "Name")) font->SetProp("Name", core::Value(name));
        const std::string charset = FindField(K::stCharSets, cls, ActiveLanguage());
        for (const CharsetName& c : CharsetNames())
            if (c.name == charset) {
                if (font->Class().FindProp("Charset")) font->SetProp("Charset", core::Value(std::int64_t(c.value)));
                break;
            }
    } catch (const core::Error&) {
    }
}

void TlcCustomLang::ApplyTranslation() {
    if (ApplySuspended || !Owner()) return;
    SyncTestMode();
    const bool testMode = TestModeActive();
    const int ck = changedKind_;
    auto wanted = [ck](K kind) { return ck == -1 || ck == static_cast<int>(kind); };

    if (TranslateExtendedFirst && ck == -1) ApplyExtendedTranslations();
    ApplyOwnerText(K::stCaptions, "Caption", testMode);
    ApplyOwnerText(K::stHints, "Hint", testMode);
    for (K kind : {K::stCaptions, K::stHints, K::stDisplayLabels})
        if (wanted(kind)) ApplyList(*ListOfKind(kind), kind);
    if ((wanted(K::stFonts) || ck == static_cast<int>(K::stCharSets)) && !OwnerHasNoFont())
        ApplyList(*ListOfKind(K::stFonts), K::stFonts);
    ApplyOwnerFont();
    if (wanted(K::stMultiLines)) ApplyList(*ListOfKind(K::stMultiLines), K::stMultiLines);
    if (wanted(K::stOtherStrings)) ApplyList(*ListOfKind(K::stOtherStrings), K::stOtherStrings);
    if (StringList* locales = ListOfKind(K::stLocales); locales && changeLocales_ && wanted(K::stLocales))
        ApplyList(*locales, K::stLocales);
    if (wanted(K::stCollections)) ApplyList(*ListOfKind(K::stCollections), K::stCollections);
    if (!TranslateExtendedFirst && ck == -1) ApplyExtendedTranslations();
    if (OnChangeLanguage) OnChangeLanguage(*this);
}

void TlcCustomLang::PruneList(StringList& list, TStringsType kind) {
    if (kind == K::stDlgsCaptions || kind == K::stStrings || kind == K::stLocales) return;
    core::Component* owner = Owner();
    if (!owner) return;
    const char d = LangDelim();
    auto setAside = [&](std::size_t& i) {
        lostRows_.push_back(std::move(list[i]));
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
    };
    if (kind == K::stCollections) {
        for (std::size_t i = 0; i < list.size();) {
            const std::string id = Identifier(list[i], d);
            const std::size_t dot = id.find('.');
            core::Component* c = owner->FindComponent(std::string_view(id).substr(0, dot));
            if (!c) {
                setAside(i);
                continue;
            }
            std::string_view path = dot == std::string::npos ? std::string_view() : std::string_view(id).substr(dot + 1);
            Persistent* holder = c;
            if (path.starts_with("Properties.")) {
                path.remove_prefix(11);
                const PropInfo* pp = c->Class().FindProp("Properties");
                holder = pp ? ObjectOf(*c, *pp) : nullptr;
            }
            bool lost = false;
            if (holder) {
                const std::string_view name = path.substr(0, path.find('['));
                const PropInfo* p = holder->Class().FindProp(name);
                auto* col = p && p->name == name ? dynamic_cast<core::Collection*>(ObjectOf(*holder, *p)) : nullptr;
                lost = col && col->Count() <= IndexIn(path);
            }
            if (lost) setAside(i);
            else ++i;
        }
        return;
    }
    std::size_t start = 0;
    if ((kind == K::stCaptions && StringProp(*owner, "Caption")) || (kind == K::stHints && StringProp(*owner, "Hint")) ||
        ((kind == K::stFonts || kind == K::stCharSets) && FontProp(*owner, "Font")))
        start = 1;
    const bool dotted = kind == K::stMultiLines || kind == K::stOtherStrings || kind == K::stListView_TreeView_Items;
    for (std::size_t i = start; i < list.size();) {
        const std::string id = Identifier(list[i], d);
        const std::string name = dotted ? id.substr(0, id.find('.')) : id;
        core::Component* c = owner->FindComponent(name);
        if (!c && !(dotted && name == owner->Class().name)) {
            setAside(i);
            continue;
        }
        // A control's action supplies its caption and hint.
        if ((kind == K::stCaptions || kind == K::stHints) && c && ActionAssigned(*c)) {
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        ++i;
    }
}

void TlcCustomLang::ApplyList(StringList& list, TStringsType kind) {
    PruneList(list, kind);
    if (list.empty()) return;
    if (kind == K::stCollections) {
        ApplyCollections(list, TestModeActive());
        return;
    }
    core::Component* owner = Owner();
    const char d = LangDelim();
    const bool testMode = TestModeActive();
    std::size_t start = 0;
    if ((kind == K::stCaptions || kind == K::stHints || kind == K::stFonts) && OwnerTranslatable() &&
        SameAscii(Identifier(list.front(), d), owner->Class().name))
        start = 1;
    const bool dotted = kind == K::stMultiLines || kind == K::stOtherStrings;
    for (std::size_t i = start; i < list.size(); ++i) {
        const std::string line = list[i];
        const std::string id = Identifier(line, d);
        std::string name = id, property, sub;
        if (dotted) {
            const std::size_t dot = id.find('.');
            name = id.substr(0, dot);
            if (dot != std::string::npos) property = id.substr(dot + 1);
            if (const std::size_t dot2 = property.find('.'); dot2 != std::string::npos) {
                sub = property.substr(dot2 + 1);
                property.resize(dot2);
            }
        } else {
            property = kind == K::stCaptions ? "Caption" : kind == K::stHints ? "Hint"
                     : kind == K::stDisplayLabels ? "DisplayLabel" : "Font";
        }
        if (kind != K::stLocales && DoNotTranslate.IndexOf(name) >= 0) continue;
        const std::string text = LineText(line, kind, testMode);
        if (kind == K::stLocales) {
            if (!text.empty()) ApplyLocale(id, text);
            continue;
        }
        Persistent* target = owner->FindComponent(name);
        if (!target && (SameAscii(name, owner->Class().name) || SameAscii(name, owner->Name()))) target = owner;
        if (!target) continue;
        const PropInfo* p = target->Class().FindProp(property);
        if (!p || !Settable(*p)) continue;
        try {
            if (kind == K::stFonts) {
                Persistent* font = ObjectOf(*target, *p);
                if (!font || ParentFontOn(*target)) continue;
                const std::string charset = FindField(K::stCharSets, name, ActiveLanguage());
                for (const CharsetName& c : CharsetNames())
                    if (SameAscii(c.name, charset)) {
                        if (font->Class().FindProp("Charset")) font->SetProp("Charset", core::Value(std::int64_t(c.value)));
                        break;
                    }
                if (!text.empty() && StringProp(*font, "Name")) {
                    font->SetProp("Name", core::Value(text));
                    if (!p->IsReadOnly()) target->SetProp(*p, core::Value(font));
                }
            } else if (kind == K::stMultiLines) {
                if (text.empty()) continue;
                Persistent* holder = ObjectOf(*target, *p);
                if (holder && !sub.empty()) {
                    const PropInfo* sp = holder->Class().FindProp(sub);
                    holder = sp ? ObjectOf(*holder, *sp) : nullptr;
                }
                auto* items = dynamic_cast<core::StringsObject*>(holder);
                if (!items || items->CommaText() == text) continue;
                core::StringsObject parsed;
                parsed.SetCommaText(text);
                // A list control keeps its selection; a memo does not rewrap line by line.
                const auto selected = sub.empty() ? ReadOrdinal(*target, "ItemIndex") : std::nullopt;
                const auto wrap = sub.empty() ? ReadOrdinal(*target, "WordWrap") : std::nullopt;
                if (wrap && *wrap) WriteOrdinal(*target, "WordWrap", 0);
                ReplaceItems(*items, parsed.Lines());
                if (wrap && *wrap) WriteOrdinal(*target, "WordWrap", 1);
                if (selected) WriteOrdinal(*target, "ItemIndex", *selected);
            } else {
                if (text.empty()) continue;
                if (!sub.empty()) {
                    Persistent* object = ObjectOf(*target, *p);
                    const PropInfo* sp = object ? StringProp(*object, sub) : nullptr;
                    if (sp && !sp->IsReadOnly() && core::AsText(sp->get(*object)) != text)
                        object->SetProp(*sp, core::Value(text));
                    continue;
                }
                if (!IsStringKind(p->type->kind) || p->IsReadOnly()) continue;
                const std::string current = core::AsText(p->get(*target));
                if (current == text) continue;
                if (kind == K::stDisplayLabels || kind == K::stOtherStrings) {
                    if (LooksRelativePath(text) && ExpandFileName(text) == current) continue;
                } else if (ActionAssigned(*target)) {
                    continue;
                }
                target->SetProp(*p, core::Value(text));
            }
        } catch (const core::Error&) {
            // A value the target refuses ends this line only.
        }
    }
}

void TlcCustomLang::ApplyCollections(StringList& list, bool testMode) {
    core::Component* owner = Owner();
    const char d = LangDelim();
    for (std::size_t i = 0; i < list.size();) {
        const std::string line = list[i];
        const std::string id = Identifier(line, d);
        const std::size_t dot = id.find('.');
        const std::string name = id.substr(0, dot);
        if (DoNotTranslate.IndexOf(name) >= 0 || dot == std::string::npos) {
            ++i;
            continue;
        }
        const std::string_view rest = std::string_view(id).substr(dot + 1);
        const std::size_t open = rest.find('['), close = rest.find("].");
        const std::string text = LineText(line, K::stCollections, testMode);
        bool drop = open == std::string_view::npos || close == std::string_view::npos || close < open;
        Persistent* item = nullptr;
        const PropInfo* ip = nullptr;
        if (!drop) {
            core::Component* holder = owner->FindComponent(name);
            std::optional<core::PropertyRef> ref;
            if (holder) ref = core::ResolvePropertyPath(*holder, rest);
            if (ref) {
                item = ref->object;
                ip = ref->prop;
            }
            drop = !ip || !Settable(*ip) || (ip->type->kind == TypeKind::Class && !ObjectOf(*item, *ip));
        }
        if (drop) {
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        ++i;
        try {
            if (auto* strings = dynamic_cast<core::StringsObject*>(ObjectOf(*item, *ip))) {
                std::vector<std::string> lines = SplitLines(text);
                if (strings->Lines() != lines) ReplaceItems(*strings, lines);
            } else if (IsStringKind(ip->type->kind) && !ip->IsReadOnly() && !text.empty() &&
                       core::AsText(ip->get(*item)) != text) {
                item->SetProp(*ip, core::Value(text));
            }
        } catch (const core::Error&) {
        }
    }
}

void TlcCustomLang::ApplyLocale(std::string_view key, const std::string& text) {
    core::FormatSettings& fs = core::DefaultFormatSettings();
    NumberFormatSettings& ns = DefaultNumberFormatSettings();
    const std::string first = text.substr(0, 1);
    auto names = [&](auto& target) {
        core::StringsObject parsed;
        parsed.SetCommaText(text);
        for (std::size_t i = 0; i < target.size() && static_cast<int>(i) < parsed.Count(); ++i)
            target[i] = parsed.Strings(static_cast<int>(i));
    };
    const auto& keys = LocaleKeys();
    int k = 0;
    while (k < 15 && keys[static_cast<std::size_t>(k)] != key) ++k;
    switch (k) {
        case 0: ns.CurrencyString = text; break;
        case 1: ns.ThousandSeparator = first; break;
        case 2: fs.DecimalSeparator = first; break;
        case 3: fs.DateSeparator = first; break;
        case 4: fs.ShortDateFormat = text; break;
        case 5: fs.LongDateFormat = text; break;
        case 6: fs.TimeSeparator = first; break;
        case 7: fs.TimeAMString = text; break;
        case 8: fs.TimePMString = text; break;
        case 9: fs.ShortTimeFormat = text; break;
        case 10: fs.LongTimeFormat = text; break;
        case 11: names(fs.ShortMonthNames); break;
        case 12: names(fs.LongMonthNames); break;
        case 13: names(fs.ShortDayNames); break;
        case 14: names(fs.LongDayNames); break;
        default: break;
    }
}

void TlcCustomLang::ApplyExcludedProperties() {
    auto excluded = [this](std::string_view word) { return ExcludedProperties.IndexOf(word) >= 0; };
    auto clear = [this](K kind) {
        if (StringList* l = ListOfKind(kind)) l->clear();
    };
    if (excluded("Caption")) clear(K::stCaptions);
    if (excluded("Hint")) clear(K::stHints);
    if (excluded("DisplayLabel")) clear(K::stDisplayLabels);
    if (excluded("Font")) {
        clear(K::stFonts);
        clear(K::stCharSets);
    }
    if (excluded("Charset")) clear(K::stCharSets);
    auto propertyExcluded = [&](std::string_view component, std::string_view property) {
        return excluded(property) || property == "Name" ||
               SmartExcludeProps.IndexOf(std::string(component) + "." + std::string(property)) >= 0;
    };
    const char d = LangDelim();
    for (K kind : {K::stMultiLines, K::stOtherStrings, K::stCollections}) {
        StringList* list = ListOfKind(kind);
        if (!list) continue;
        for (std::size_t n = list->size(); n-- > 0;) {
            const std::string id = Identifier((*list)[n], d);
            std::vector<std::string_view> words;
            std::string_view rest = id;
            const std::string_view seps = kind == K::stCollections ? ".[" : ".";
            while (true) {
                const std::size_t at = rest.find_first_of(seps);
                words.push_back(rest.substr(0, at));
                if (at == std::string_view::npos) break;
                rest.remove_prefix(at + 1);
            }
            if (words.size() < 2) continue;
            bool drop = propertyExcluded(words[0], words[1]);
            // "comp.Columns[0].Caption": the item's property is the fourth word.
            if (!drop && kind == K::stCollections && words.size() >= 4) drop = propertyExcluded(words[0], words[3]);
            if (drop) list->erase(list->begin() + static_cast<std::ptrdiff_t>(n));
        }
    }
}

// ---- extended translations ----

Persistent* FindObjectByPath(core::Component& window, std::string_view path) {
    // A path names a property of something: the window itself only by its class name.
    if (path.find('.') == std::string_view::npos) return nullptr;
    std::optional<core::PropertyRef> ref = core::ResolvePropertyPath(window, path);
    return ref ? ref->object : nullptr;
}

void SetPropertyByPath(core::Component& window, std::string_view path, std::string_view text) {
    try {
        if (path.find('.') == std::string_view::npos) return;
        std::optional<core::PropertyRef> ref = core::ResolvePropertyPath(window, path);
        if (!ref) return;
        Persistent* object = ref->object;
        const PropInfo* p = ref->prop;
        if (p->type->kind == TypeKind::Class) {
            if (auto* strings = dynamic_cast<core::StringsObject*>(ObjectOf(*object, *p))) {
                core::StringsObject parsed;
                parsed.SetCommaText(text);
                ReplaceItems(*strings, parsed.Lines());
            }
            return;
        }
        if (p->type->kind == TypeKind::Method || p->type->kind == TypeKind::Variant) return;
        core::PropertyFromText(*object, *p, text);
    } catch (const core::Error&) {
        // A text that does not convert leaves the property as it was.
    }
}

void TlcCustomLang::ApplyExtendedTranslations() {
    if (!Owner()) return;
    TlcExtendedItems& items = tables_.ExtendedTranslations();
    const bool fallback = tables_.TranslateType == TTranslateType::ttGetDefault;
    TestModeTransform transform;
    if (TestModeActive()) transform = [this](std::string_view t) { return dispatcher_->TestModeInfo().ApplyTestMode(t); };
    for (int i = 0; i < items.Count(); ++i) {
        const std::string text = ExtendedItemText(items[i], ActiveLanguage(), LangDelim(), fallback,
                                                  transform ? &transform : nullptr);
        if (!text.empty()) SetPropertyByPath(*Owner(), items[i].Identifier, text);
    }
}

}  // namespace lark::localization
