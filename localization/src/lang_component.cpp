#include "localization/lang_component.h"

#include "localization/dialog_captions.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "core/compiler.h"
#include "core/component_stream.h"
#include "core/datetime.h"
#include "localization/errors.h"
#include "localization/lang_dispatcher.h"
#include "localization/resource_strings.h"
#include "core/text_encoding.h"

namespace lark::localization {

using core::Value;
using K = TStringsType;

NumberFormatSettings& DefaultNumberFormatSettings() {
    static NumberFormatSettings settings;
    return settings;
}

ScreenCursorHooks& ScreenCursor() {
    static ScreenCursorHooks hooks;
    return hooks;
}

const std::array<std::string_view, 15>& LocaleKeys() {
    static const std::array<std::string_view, 15> keys{
        "Currency String",   "Thousand Separator", "Decimal Separator", "Date Separator",
        "Short Date Format", "Long Date Format",   "Time Separator",    "Time AM String",
        "Time PM String",    "Short Time Format",  "Long Time Format",  "Short Month Names",
        "Long Month Names",  "Short Day Names",    "Long Day Names"};
    return keys;
}

const std::array<CharsetName, 19>& CharsetNames() {
    static const std::array<CharsetName, 19> names{{
        {"ANSI_CHARSET", 0},        {"DEFAULT_CHARSET", 1},    {"SYMBOL_CHARSET", 2},
        {"MAC_CHARSET", 77},        {"SHIFTJIS_CHARSET", 128}, {"HANGEUL_CHARSET", 129},
        {"JOHAB_CHARSET", 130},     {"GB2312_CHARSET", 134},   {"CHINESEBIG5_CHARSET", 136},
        {"GREEK_CHARSET", 161},     {"TURKISH_CHARSET", 162},  {"VIETNAMESE_CHARSET", 163},
        {"HEBREW_CHARSET", 177},    {"ARABIC_CHARSET", 178},   {"BALTIC_CHARSET", 186},
        {"RUSSIAN_CHARSET", 204},   {"THAI_CHARSET", 222},     {"EASTEUROPE_CHARSET", 238},
        {"OEM_CHARSET", 255},
    }};
    return names;
}

namespace {

template <std::size_t N>
std::string JoinNames(const std::array<std::string, N>& names) {
    std::string out;
    for (std::size_t i = 0; i < N; ++i) {
        if (i) out += ',';
        out += names[i];
    }
    return out;
}

const core::TypeInfo& TranslateTypeType() {
    static auto t = core::MakeEnumType("TTranslateType", {"ttNoChange", "ttGetDefault"});
    return *t;
}
const core::TypeInfo& LangOptionType() {
    static auto t = core::MakeEnumType("TlcLangOption", {"loUseExtUDStrings", "loUseExtCommonStrings"});
    return *t;
}
const core::TypeInfo& LangOptionsType() {
    static auto t = core::MakeSetType("TlcLangOptions", LangOptionType());
    return *t;
}
const core::TypeInfo& CursorType() {
    static const core::TypeInfo t = [] {
        core::TypeInfo c = core::SmallIntType();
        c.name = "TCursor";
        return c;
    }();
    return t;
}

const core::TypeInfo& WordType() {
    static const core::TypeInfo t = [] {
        core::TypeInfo w = core::SmallIntType();
        w.name = "Word";
        w.ordinal = core::OrdinalType::U16;
        return w;
    }();
    return t;
}

Value Int(std::int64_t v) { return Value(v); }

// A read-only sub-object property (edited in place, streamed by its own properties).
template <class T>
std::function<Value(const TlcCustomLang&)> SubObject(T TlcCustomLang::*member) {
    return [member](const TlcCustomLang& l) {
        return Value(static_cast<core::Persistent*>(&(const_cast<TlcCustomLang&>(l).*member)));
    };
}

// Shows a cursor while it lives when the screen shows the default one, then restores that.
class CursorScope {
public:
    CursorScope(int cursor, bool designing) {
        const ScreenCursorHooks& hooks = ScreenCursor();
        if (cursor == -1 || designing || !hooks.get || !hooks.set || hooks.get() != 0) return;
        hooks.set(cursor);
        active_ = true;
    }
    ~CursorScope() {
        if (active_ && ScreenCursor().set) ScreenCursor().set(0);
    }
    CursorScope(const CursorScope&) = delete;
    CursorScope& operator=(const CursorScope&) = delete;

private:
    bool active_ = false;
};

}  // namespace

// GCC 12 sees the moved-from std::variant default values of this builder as maybe destroyed
// uninitialised (GCC bug 80635, the std::optional false positive).
LARK_GCC_FALSE_POSITIVE("-Wmaybe-uninitialized")
LARK_DEFINE_CLASS(TlcCustomLang) {
    using L = TlcCustomLang;
    return core::ClassBuilder<L>("TlcCustomLang", &core::Component::StaticClass())
        .Custom("Version", core::StringType(), [](const L&) { return Value(std::string(L::kVersion)); },
                [](L&, const Value&) {})
        .Field("IsInheritedOwner", core::BooleanType(), &L::IsInheritedOwner, Int(0))
        .Custom("StringsTypes", core::ClassTypeOf<core::StringsObject>(), SubObject(&L::StringsTypes), nullptr)
        .Custom("SmartExcludeProps", core::ClassTypeOf<core::StringsObject>(), SubObject(&L::SmartExcludeProps), nullptr)
        .Custom("HandleResourceStrings", core::BooleanType(),
                [](const L& l) { return Int(l.Tables().HandleResourceStrings); },
                [](L& l, const Value& v) { l.Tables().HandleResourceStrings = core::AsOrdinal(v) != 0; }, Int(0))
        .Custom("ResourceLanguageIndex", WordType(),
                [](const L& l) { return Int(l.Tables().ResourceLanguageIndex); },
                [](L& l, const Value& v) { l.SetResourceLanguageIndex(static_cast<int>(core::AsOrdinal(v))); },
                Int(1))
        .Field("UseInheritedData", core::BooleanType(), &L::UseInheritedData, Int(0))
        .Field("TranslateExtendedFirst", core::BooleanType(), &L::TranslateExtendedFirst, Int(0))
        .Prop("NumOfLanguages", core::IntegerType(), &L::NumOfLanguages, &L::SetNumOfLanguages, Int(1))
        .Prop("ActiveLanguage", core::IntegerType(), &L::ActiveLanguage, &L::SetActiveLanguage, Int(1))
        .Prop("ChangeLocales", core::BooleanType(), &L::ChangeLocales, &L::SetChangeLocales, Int(0))
        .Custom("LangDispatcher", core::ClassTypeOf<TlcLangDispatcher>(),
                [](const L& l) { return Value(static_cast<core::Persistent*>(l.LangDispatcher())); },
                [](L& l, const Value& v) { l.SetLangDispatcher(dynamic_cast<TlcLangDispatcher*>(core::AsObject(v))); })
        .Custom("LangDelim", core::ByteType(),
                [](const L& l) { return Int(static_cast<unsigned char>(l.LangDelim())); },
                [](L& l, const Value& v) { l.SetLangDelim(static_cast<char>(core::AsOrdinal(v))); }, Int(9))
        .Custom("DoNotTranslate", core::ClassTypeOf<core::StringsObject>(), SubObject(&L::DoNotTranslate), nullptr)
        .Custom("LangNames", core::ClassTypeOf<core::StringsObject>(), [](const L& l) { return Value(static_cast<core::Persistent*>(&const_cast<L&>(l).LangNames())); }, nullptr)
        .Custom("Language", core::StringType(), [](const L& l) { return Value(l.Language()); },
                [](L& l, const Value& v) { l.SetLanguage(core::AsText(v)); })
        .Custom("TranslateType", TranslateTypeType(),
                [](const L& l) { return Int(static_cast<int>(l.Tables().TranslateType)); },
                [](L& l, const Value& v) { l.Tables().TranslateType = static_cast<TTranslateType>(core::AsOrdinal(v)); },
                Int(0))
        .Custom("Options", LangOptionsType(), [](const L& l) { return Value(l.Options); },
                [](L& l, const Value& v) { l.Options = core::AsSet(v); }, Value(core::SetValue{}))
        .Prop("NeedAllDlgs", core::BooleanType(), &L::NeedAllDlgs, &L::SetNeedAllDlgs, Int(0))
        .Field("ChangingCursor", CursorType(), &L::ChangingCursor, Int(-1))
        .Custom("ExcludedProperties", core::ClassTypeOf<core::StringsObject>(), SubObject(&L::ExcludedProperties), nullptr)
        .Custom("DoRaiseExceptions", core::BooleanType(),
                [](const L& l) { return Int(l.Tables().DoRaiseExceptions); },
                [](L& l, const Value& v) { l.Tables().DoRaiseExceptions = core::AsOrdinal(v) != 0; }, Int(0))
        .Custom("ExtendedTranslations", core::ClassTypeOf<TlcExtendedItems>(),
                [](const L& l) {
                    return Value(static_cast<core::Persistent*>(&const_cast<L&>(l).Tables().ExtendedTranslations()));
                },
                nullptr)
        .StoredWhen([](const L& l) { return l.Tables().ExtendedTranslations().Count() > 0; })
        .NotCreatable()
        .Build();
}
LARK_GCC_FALSE_POSITIVE_END

LARK_DEFINE_CLASS(TlcLang) {
    return core::ClassBuilder<TlcLang>("TlcLang", &TlcCustomLang::StaticClass()).Build();
}

TlcCustomLang::TlcCustomLang(core::Component* owner, ListSet lists)
    : core::Component(owner), tables_(lists), langNames_{"Language N1"} {
    CheckSingleOnOwner(owner);
    language_ = langNames_.Strings(0);
    StringsTypes.SetLines({"TIB_STRINGLIST", "TSTRINGLIST"});
    *ListOfKind(TStringsType::stDlgsCaptions) = DefaultDialogCaptionLines(LangDelim());
    const core::FormatSettings& fs = core::DefaultFormatSettings();
    const NumberFormatSettings& ns = DefaultNumberFormatSettings();
    defaultLocale_ = {ns.CurrencyString,      ns.ThousandSeparator,       fs.DecimalSeparator,
                      fs.DateSeparator,       fs.ShortDateFormat,         fs.LongDateFormat,
                      fs.TimeSeparator,       fs.TimeAMString,            fs.TimePMString,
                      fs.ShortTimeFormat,     fs.LongTimeFormat,          JoinNames(fs.ShortMonthNames),
                      JoinNames(fs.LongMonthNames), JoinNames(fs.ShortDayNames), JoinNames(fs.LongDayNames)};
}

TlcCustomLang::~TlcCustomLang() {
    alive_.reset();
    if (ResourceStringTranslator() == this) detail::SetResourceStringTranslator(nullptr);
    BeginDestroy();
    if (dispatcher_) {
        dispatcher_->UnlinkLangFromDispatcher(this);
        RemoveFreeNotification(dispatcher_);
        dispatcher_ = nullptr;
    }
}

void TlcCustomLang::CheckSingleOnOwner(core::Component* owner) const {
    if (!owner) return;
    for (int i = 0; i < owner->ComponentCount(); ++i) {
        core::Component* c = owner->Components(i);
        if (c != this && dynamic_cast<TlcCustomLang*>(c))
            throw core::Error("Only one TlcCustomLang component per Form/DataModule allowed!");
    }
}

void TlcCustomLang::SetList(TStringsType kind, const StringList& lines) {
    StringList* list = ListOfKind(kind);
    if (!list || list == &lines) return;
    *list = lines;
    if (kind == TStringsType::stStrings) tables_.RebuildLookupTables();
    if (kind == TStringsType::stDlgsCaptions) return;
    ApplyKind(kind);
}

void TlcCustomLang::ApplyKind(TStringsType kind) {
    // A language-change handler may free the window and this component with it.
    const std::weak_ptr<const char> life = alive_;
    const int saved = changedKind_;
    changedKind_ = static_cast<int>(kind);
    try {
        ApplyTranslation();
    } catch (const std::exception&) {
        if (!life.expired()) changedKind_ = saved;
        throw;
    }
    if (!life.expired()) changedKind_ = saved;
}

void TlcCustomLang::ReplaceDelimiter(char oldDelim, char newDelim) {
    for (int k = 0; k < kStringsTypeCount; ++k)
        if (StringList* list = ListOfKind(static_cast<TStringsType>(k)))
            ReplaceDelimiterInList(*list, oldDelim, newDelim);
    tables_.ExtendedTranslations().ReplaceDelimiterInExtended(oldDelim, newDelim);
    tables_.RebuildLookupTables();
}

void TlcCustomLang::SetActiveLanguage(int language) {
    if (language == ActiveLanguage()) return;
    if (language < 1 || language > NumOfLanguages()) {
        if (IsLoading()) return;
        throw ELanguageError(LanguageRangeMessage(language, NumOfLanguages()));
    }
    changedKind_ = -1;
    CursorScope cursor(ChangingCursor, InDesigner());
    // In the designer the texts now shown are the old language's texts.
    if (InDesigner() && (dispatcher_ || !IsLoading())) StoreTranslation();
    tables_.SetActiveLanguage(language);
    if (IsLoading()) return;
    if (langNames_.Count() >= language) language_ = langNames_.Strings(language - 1);
    ApplyTranslation();
}

void TlcCustomLang::SetNumOfLanguages(int n) {
    if (n == NumOfLanguages()) return;
    if (n < 1 || n > kMaxLanguages) tables_.SetNumOfLanguages(n);  // raises
    // The active language must stay within the count: it returns to the first. The window is
    // re-applied last, since a language-change handler may free it.
    const bool reapply = ActiveLanguage() > n;
    std::optional<CursorScope> cursor;
    if (reapply) {
        if (!IsLoading()) cursor.emplace(ChangingCursor, IsDesigning());
        changedKind_ = -1;
        tables_.SetActiveLanguage(1);
    }
    tables_.SetNumOfLanguages(n);
    std::vector<std::string> names = langNames_.Lines();
    while (static_cast<int>(names.size()) < n) names.push_back("Language N" + std::to_string(names.size() + 1));
    names.resize(static_cast<std::size_t>(n));
    langNames_.SetLines(std::move(names));
    if (!reapply || IsLoading()) return;
    language_ = langNames_.Strings(0);
    ApplyTranslation();
}

void TlcCustomLang::SetLanguage(const std::string& name) {
    if (name == language_) return;
    int index = langNames_.IndexOf(name);
    if (index < 0) throw ELanguageError("Language name shall be included in LangNames property!");
    language_ = name;
    if (!IsLoading()) SetActiveLanguage(index + 1);
}

void TlcCustomLang::SetLangNames(const std::vector<std::string>& names) {
    const std::weak_ptr<const char> life = alive_;
    langNames_.SetLines(names);
    SetNumOfLanguages(std::max(1, static_cast<int>(names.size())));
    if (life.expired()) return;
    if (langNames_.Count() >= ActiveLanguage()) language_ = langNames_.Strings(ActiveLanguage() - 1);
}

void TlcCustomLang::SetResourceLanguageIndex(int language) {
    if (language == tables_.ResourceLanguageIndex) return;
    if (!IsLoading() && (language < 1 || language > NumOfLanguages()))
        throw ELanguageError(LanguageRangeMessage(language, NumOfLanguages()));
    tables_.ResourceLanguageIndex = language;
    if (!IsLoading() && !IsDesigning()) tables_.ResortResourceStrings();
}

void TlcCustomLang::SetLangDelim(char delim) { tables_.SetLangDelim(delim); }

void TlcCustomLang::SetNeedAllDlgs(bool on) {
    needAllDlgs_ = on;
    if (IsLoading()) return;
    if (StringList* list = ListOfKind(TStringsType::stDlgsCaptions)) SyncDialogCaptions(*list, on, LangDelim());
}

void TlcCustomLang::SetChangeLocales(bool on) {
    changeLocales_ = on;
    StringList* locales = ListOfKind(TStringsType::stLocales);
    if (!on || !locales || !locales->empty()) return;
    const char d = LangDelim();
    for (std::size_t i = 0; i < LocaleKeys().size(); ++i)
        locales->push_back(std::string(LocaleKeys()[i]) + d + defaultLocale_[i] + d);
}

void TlcCustomLang::SetLangDispatcher(TlcLangDispatcher* dispatcher) {
    if (dispatcher_ && dispatcher_ != dispatcher) {
        dispatcher_->UnlinkLangFromDispatcher(this);
        RemoveFreeNotification(dispatcher_);
    }
    dispatcher_ = dispatcher;
    if (!dispatcher) return;
    FreeNotification(dispatcher);
    if (!IsLoading() && Owner() && !ApplySuspended) dispatcher->LinkLangToDispatcher(this);
}

bool TlcCustomLang::TestModeActive() const { return dispatcher_ && dispatcher_->TestModeInfo().Active; }

void TlcCustomLang::SyncTestMode() {
    const bool want = TestModeActive();
    if (want == testModeSet_) return;
    testModeSet_ = want;
    if (want)
        tables_.SetTestMode([this](std::string_view text) {
            return dispatcher_ ? dispatcher_->TestModeInfo().ApplyTestMode(text) : std::string();
        });
    else
        tables_.SetTestMode(nullptr);
}

bool TlcCustomLang::Redirected(TStringsType kind) const {
    if (HasOption(TlcLangOption::loUseExtCommonStrings) &&
        (kind == TStringsType::stDlgsCaptions || kind == TStringsType::stLocales))
        return true;
    return HasOption(TlcLangOption::loUseExtUDStrings) && kind == TStringsType::stStrings;
}

// The first other linked component with lines of that kind; this very component never answers
// for itself, so redirection cannot loop. A linked component's copies of another's lists do not
// count: the component they came from answers.
TlcCustomLang* TlcCustomLang::RedirectTarget(TStringsType kind) {
    for (TlcCustomLang* other : dispatcher_->LinkedLangs()) {
        if (other == this) continue;
        const StringList* list = other->StoredList(kind);
        if (list && !list->empty()) return other;
    }
    return nullptr;
}

std::string TlcCustomLang::TextByIdOrDefault(std::string_view identifier) {
    return LookupText(TStringsType::stStrings, identifier, true);
}

std::string TlcCustomLang::TextById(std::string_view identifier) {
    return LookupText(TStringsType::stStrings, identifier,
                      tables_.TranslateType == TTranslateType::ttGetDefault);
}

std::string TlcCustomLang::LookupText(TStringsType kind, std::string_view identifier, bool fallback) {
    SyncTestMode();
    if (Redirected(kind)) {
        if (!dispatcher_) return {};
        if (TlcCustomLang* other = RedirectTarget(kind)) {
            other->SyncTestMode();
            return other->tables_.LookupText(kind, identifier, fallback);
        }
    }
    return tables_.LookupText(kind, identifier, fallback);
}

std::string TlcCustomLang::LookupLine(TStringsType kind, int index, bool fallback) {
    if (kind != TStringsType::stStrings && Redirected(kind)) {
        if (!dispatcher_) return {};
        if (TlcCustomLang* other = RedirectTarget(kind)) return other->tables_.LookupLine(kind, index, fallback);
    }
    return tables_.LookupLine(kind, index, fallback);
}

void TlcCustomLang::Loaded() {
    core::Component::Loaded();
    if (ApplySuspended || !Owner()) return;
    // A component read from a definition gets its owner after construction.
    CheckSingleOnOwner(Owner());
    if (StringList* l = ListOfKind(TStringsType::stDlgsCaptions)) SyncDialogCaptions(*l, needAllDlgs_, LangDelim());
    if (HasOption(TlcLangOption::loUseExtCommonStrings)) {
        if (StringList* l = ListOfKind(TStringsType::stDlgsCaptions)) l->clear();
        if (StringList* l = ListOfKind(TStringsType::stLocales)) l->clear();
    }
    if (LangDelim() == '\t') SetLangDelim(kDefaultLangDelim);
    auto firstLine = [this](TStringsType kind) -> const std::string* {
        const StringList* l = ListOfKind(kind);
        return l && !l->empty() ? &l->front() : nullptr;
    };
    auto hasTab = [&](TStringsType kind) {
        const std::string* line = firstLine(kind);
        return line && line->find('\t') != std::string::npos;
    };
    auto fullOfTabs = [&](TStringsType kind) {
        const std::string* line = firstLine(kind);
        return line && std::count(line->begin(), line->end(), '\t') == NumOfLanguages() + 1;
    };
    if (hasTab(TStringsType::stDlgsCaptions) || hasTab(TStringsType::stLocales) ||
        fullOfTabs(TStringsType::stCaptions) || fullOfTabs(TStringsType::stLocales) ||
        fullOfTabs(TStringsType::stHints)) {
        const char d = LangDelim();
        ReplaceDelimiter(d, '\t');
        ReplaceDelimiter('\t', d);
    }
    if (StringList* locales = ListOfKind(TStringsType::stLocales); locales && locales->size() == 11) {
        const char d = LangDelim();
        for (std::size_t i = 11; i < 15; ++i)
            locales->push_back(std::string(LocaleKeys()[i]) + d + defaultLocale_[i] + d);
    }
    // Texts first, then linking: a language-change handler run by the link finds them.
    ApplyExcludedProperties();
    tables_.RebuildLookupTables();
    const std::weak_ptr<const char> life = alive_;
    if (dispatcher_) dispatcher_->LinkLangToDispatcher(this);
    if (life.expired()) return;
    if (IsInheritedOwner) ApplyTranslation();
    if (life.expired()) return;
    if (!IsDesigning() && tables_.HandleResourceStrings && !ResourceStringTranslator()) {
        detail::SetResourceStringTranslator(this);
        tables_.RebuildLookupTables();
    }
}

void TlcCustomLang::Notification(core::Component* component, core::Operation operation) {
    core::Component::Notification(component, operation);
    if (operation != core::Operation::Remove || !component) return;
    if (component == dispatcher_) {
        dispatcher_ = nullptr;
        return;
    }
    const std::string& name = component->Name();
    if (name.empty()) return;
    if (int i = DoNotTranslate.IndexOf(name); i >= 0) DoNotTranslate.Delete(i);
    for (K kind : {K::stCaptions, K::stHints, K::stDisplayLabels, K::stFonts, K::stMultiLines, K::stOtherStrings,
                   K::stCharSets, K::stCollections})
        if (StringList* list = ListOfKind(kind))
            RemoveComponentRows(*list, component, kind == K::stCharSets ? K::stFonts : kind, operation);
    if (InDesigner()) {
        StringList smart = SmartExcludeProps.Lines();
        RemoveComponentRows(smart, component, K::stOtherStrings, operation);
        SmartExcludeProps.SetLines(smart);
    }
    TlcExtendedItems& items = tables_.ExtendedTranslations();
    const std::string prefix = name + ".";
    for (int i = items.Count() - 1; i >= 0; --i) {
        const std::string& id = items[i].Identifier;
        if (id.size() > prefix.size() && core::SameTextUtf8(std::string_view(id).substr(0, prefix.size()), prefix)) items.Delete(i);
    }
}

void TlcCustomLang::DefineProperties(core::Filer& filer) {
    filer.DefineBinaryProperty(
        "TranslationData", [this](const std::vector<std::uint8_t>& bytes) { tables_.ReadTranslationData(bytes); },
        [this](std::vector<std::uint8_t>& bytes) { bytes = tables_.WriteTranslationData(); },
        ShouldStoreTranslationData(tables_.Lists(), nullptr, UseInheritedData));
}

}  // namespace lark::localization
