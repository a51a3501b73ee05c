#include "localization/lang_dispatcher.h"

#include <algorithm>

#include "core/stream.h"
#include "core/text_encoding.h"
#include "localization/errors.h"
#include "localization/lang_component.h"

namespace lark::localization {

using core::Value;

std::string LanguageRangeMessage(int language, int count) {
    return std::to_string(language) + " - is not a valid property value!\rValue must be within [1.." +
           std::to_string(count) + "]!";
}

namespace {

const core::TypeInfo& TestModeKindType() {
    static auto t = core::MakeEnumType("TTestModeKind", {"tmkExpandWidth", "tmkFlipCase", "tmkExpandChars"});
    return *t;
}
Value Int(std::int64_t v) { return Value(v); }

// An existing file that is not a binary translation file (".lcb", any case).
bool IsIniTranslationFile(const std::string& name) {
    if (name.empty() || !core::FileExists(name)) return false;
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || core::AnsiUpper(name.substr(dot)) != ".LCB";
}

std::size_t Utf8Length(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}  // namespace

// ---- test mode ----

LARK_DEFINE_CLASS(TTestModeInfo) {
    using T = TTestModeInfo;
    return core::ClassBuilder<T>("TTestModeInfo", nullptr)
        .Field("Active", core::BooleanType(), &T::Active, Int(0))
        .Field("Kind", TestModeKindType(), &T::Kind, Int(0))
        .Field("ExpandWidthPercent", core::IntegerType(), &T::ExpandWidthPercent, Int(100))
        .Field("ExpandCharsPercent", core::IntegerType(), &T::ExpandCharsPercent, Int(100))
        .Field("PaddingChar", core::CharType(), &T::PaddingChar, Int('*'))
        .Build();
}

std::function<int(std::string_view)>& TTestModeInfo::TextWidth() {
    static std::function<int(std::string_view)> measure;
    return measure;
}

std::string TTestModeInfo::ApplyTestMode(std::string_view text) const {
    switch (Kind) {
        case TTestModeKind::tmkFlipCase:
            return FlipCase(text);
        case TTestModeKind::tmkExpandChars:
            return ExpandChars(text, PaddingChar, ExpandCharsPercent);
        case TTestModeKind::tmkExpandWidth:
            break;
    }
    const auto& measure = TextWidth();
    return ExpandWidth(text, PaddingChar, ExpandWidthPercent,
                       measure ? measure : [](std::string_view t) { return static_cast<int>(Utf8Length(t)); });
}

// Case is flipped in the Windows-1252 letters; other characters stay.
std::string FlipCase(std::string_view text) {
    std::string bytes = core::Utf8ToWin1252(text);
    for (char& c : bytes) {
        const char upper = core::AnsiUpperChar(c);
        const char lower = core::AnsiLowerChar(c);
        c = (c == upper && c != lower) ? lower : upper;
    }
    return core::Win1252ToUtf8(bytes);
}

// Padding is spread over the characters, the later ones taking more: "abc" at 50 % is "ab*c*".
std::string ExpandChars(std::string_view text, char padding, int percent) {
    std::vector<std::string_view> chars;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = 1;
        while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
        chars.push_back(text.substr(i, n));
        i += n;
    }
    const long long length = static_cast<long long>(chars.size());
    long long pad = std::max(0LL, length * percent / 100);
    std::string out;
    for (long long i = 0; i < length; ++i) {
        const long long c = pad / (length - i);
        out += chars[static_cast<std::size_t>(i)];
        out.append(static_cast<std::size_t>(c), padding);
        pad -= c;
    }
    return out;
}

// Upper case, then padding inserted from the end backwards until the text is wider by the
// percentage. The number of insertions is bounded, so a padding of no width cannot hang it.
std::string ExpandWidth(std::string_view text, char padding, int percent,
                        const std::function<int(std::string_view)>& width) {
    if (text.empty()) return {};
    std::string result = core::Win1252ToUtf8(core::AnsiUpper(core::Utf8ToWin1252(text)));
    const int base = width(text);
    const long long target = base + static_cast<long long>(base) * percent / 100;
    std::size_t p = result.size();
    const std::size_t limit = 4 * result.size() + 64;
    for (std::size_t inserted = 0; width(result) < target && inserted < limit; ++inserted) {
        // Insert on a character boundary.
        while (p > 0 && p < result.size() && (static_cast<unsigned char>(result[p]) & 0xC0) == 0x80) --p;
        result.insert(p, 1, padding);
        p = p >= 2 ? p - 2 : 0;
        if (p <= 1) p = result.size() - 1;
    }
    return result;
}

// ---- dispatcher ----

LARK_DEFINE_CLASS(TlcLangDispatcher) {
    using D = TlcLangDispatcher;
    return core::ClassBuilder<D>("TlcLangDispatcher", &core::Component::StaticClass())
        .Prop("ActiveLanguage", core::IntegerType(), &D::ActiveLanguage, &D::SetActiveLanguage, Int(1))
        .Prop("NumOfLanguages", core::IntegerType(), &D::NumOfLanguages, &D::SetNumOfLanguages, Int(1))
        .Custom("LangNames", core::ClassTypeOf<core::StringsObject>(),
                [](const D& d) { return Value(static_cast<core::Persistent*>(&const_cast<D&>(d).LangNames())); },
                nullptr)
        .Custom("Language", core::StringType(), [](const D& d) { return Value(d.Language()); },
                [](D& d, const Value& v) { d.SetLanguage(core::AsText(v)); })
        .Field("FileName", core::StringType(), &D::FileName)
        .Custom("TestModeInfo", core::ClassTypeOf<TTestModeInfo>(),
                [](const D& d) { return Value(static_cast<core::Persistent*>(&const_cast<D&>(d).TestModeInfo())); },
                nullptr)
        .Field("TestMode", core::BooleanType(), &D::TestMode)
        .StoredWhen([](const D&) { return false; })
        .Field("TestPercentage", core::IntegerType(), &D::TestPercentage)
        .StoredWhen([](const D&) { return false; })
        .Build();
}

TlcLangDispatcher::TlcLangDispatcher(core::Component* owner) : core::Component(owner) {}

TlcLangDispatcher::~TlcLangDispatcher() {
    BeginDestroy();
    while (!linked_.empty()) {
        TlcCustomLang* lang = linked_.back();
        lang->SetLangDispatcher(nullptr);
        // SetLangDispatcher unlinks; make sure the loop ends even for a component linked
        // without naming this dispatcher.
        if (!linked_.empty() && linked_.back() == lang) linked_.pop_back();
    }
}

bool TlcLangDispatcher::IsLinked(const TlcCustomLang* lang) const {
    return std::find(linked_.begin(), linked_.end(), lang) != linked_.end();
}

// Handlers run by a switch may create or free windows: walk a snapshot and skip components
// unlinked meanwhile.
template <class F>
void TlcLangDispatcher::ForEachLinked(F&& f) {
    const std::vector<TlcCustomLang*> snapshot = linked_;
    for (TlcCustomLang* lang : snapshot)
        if (IsLinked(lang)) f(*lang);
}

void TlcLangDispatcher::SetActiveLanguage(int language) {
    if (!IsLoading() && (language < 1 || language > numOfLanguages_))
        throw ELanguageError(LanguageRangeMessage(language, numOfLanguages_));
    activeLanguage_ = language;
    if (IsLoading()) return;
    if (langNames_.Count() >= language) language_ = langNames_.Strings(language - 1);
    ForEachLinked([language](TlcCustomLang& lang) { lang.SetActiveLanguage(language); });
}

void TlcLangDispatcher::SetNumOfLanguages(int n) {
    if (n < 1) throw ELanguageError(std::to_string(n) + " - is not a valid property value !\rValue must be more than ZERO !");
    std::vector<std::string> names = langNames_.Lines();
    while (static_cast<int>(names.size()) < n) names.push_back("Language N" + std::to_string(names.size() + 1));
    names.resize(static_cast<std::size_t>(n));
    langNames_.SetLines(std::move(names));
    if (!IsLoading() && activeLanguage_ > n) SetActiveLanguage(1);
    numOfLanguages_ = n;
    ForEachLinked([n](TlcCustomLang& lang) { lang.SetNumOfLanguages(n); });
}

void TlcLangDispatcher::SetLangNames(const std::vector<std::string>& names) {
    SetNumOfLanguages(std::max(1, static_cast<int>(names.size())));
    langNames_.SetLines(names);
    if (!names.empty()) language_ = langNames_.Strings(activeLanguage_ - 1);
    ForEachLinked([this](TlcCustomLang& lang) {
        lang.langNames_.SetLines(langNames_.Lines());
        if (!language_.empty()) lang.SetLanguage(language_);
    });
}

void TlcLangDispatcher::SetLanguage(const std::string& name) {
    if (name == language_) return;
    const int index = langNames_.IndexOf(name);
    if (!langNames_.Empty() && index < 0)
        throw ELanguageError("Language name shall be included in LangNames property!");
    language_ = name;
    if (IsLoading() || langNames_.Empty()) return;
    SetActiveLanguage(index + 1);
}

void TlcLangDispatcher::LinkLangToDispatcher(TlcCustomLang* lang) {
    if (!lang) return;
    UnlinkLangFromDispatcher(lang);
    linked_.push_back(lang);
    lang->SetNumOfLanguages(numOfLanguages_);
    lang->langNames_.SetLines(langNames_.Lines());
    lang->language_ = language_;
    if (!IsDesigning() && IsIniTranslationFile(FileName)) {
        // The file's texts replace the definition's; loading applies them once.
        lang->tables_.SetActiveLanguage(activeLanguage_);
        core::FileStream file(FileName, core::FileStream::Mode::Read);
        lang->LoadAllFromIniStream(file, true);
    } else {
        lang->SetActiveLanguage(activeLanguage_);
    }
    if (IsDesigning()) return;
    if (OnLinkToDispatcher && IsLinked(lang)) OnLinkToDispatcher(*this, *lang);
}

void TlcLangDispatcher::UnlinkLangFromDispatcher(TlcCustomLang* lang) {
    auto it = std::find(linked_.begin(), linked_.end(), lang);
    if (it != linked_.end()) linked_.erase(it);
}

void TlcLangDispatcher::Loaded() {
    core::Component::Loaded();
    if (activeLanguage_ < 1 || activeLanguage_ > numOfLanguages_) activeLanguage_ = 1;
}

void TlcLangDispatcher::Notification(core::Component* component, core::Operation operation) {
    core::Component::Notification(component, operation);
    // Compared by address only: a component being freed is no longer a TlcCustomLang.
    if (operation == core::Operation::Remove)
        linked_.erase(std::remove_if(linked_.begin(), linked_.end(),
                                     [component](TlcCustomLang* l) { return static_cast<core::Component*>(l) == component; }),
                      linked_.end());
}

}  // namespace lark::localization
