#pragma once
// The translation component: one per translated window or data module. It owns the window's
// translation tables, applies the active language to the window's components through
// published-property reflection, answers text lookups and links itself to the program's one
// language dispatcher, which switches every window at once.
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/component.h"
#include "core/stream.h"
#include "core/strings_object.h"
#include "localization/translation_tables.h"

namespace lark::localization {

class TlcLangDispatcher;

enum class TlcLangOption { loUseExtUDStrings, loUseExtCommonStrings };

// The number conventions the locale lines set beside the framework's date and time formats.
struct NumberFormatSettings {
    std::string CurrencyString = "$";
    std::string ThousandSeparator = ",";
};
NumberFormatSettings& DefaultNumberFormatSettings();

// The screen cursor (0 = the default one); the window layer installs both functions. A
// component with a ChangingCursor shows it while it applies a language.
struct ScreenCursorHooks {
    std::function<int()> get;
    std::function<void(int)> set;
};
ScreenCursorHooks& ScreenCursor();

// The 15 locale keys, in order ("Currency String" ... "Long Day Names").
const std::array<std::string_view, 15>& LocaleKeys();

// Character-set names and values, in search order.
struct CharsetName {
    std::string_view name;
    int value;
};
const std::array<CharsetName, 19>& CharsetNames();

class TlcCustomLang : public core::Component {
    LARK_PERSISTENT_CLASS(TlcCustomLang)
public:
    static constexpr const char* kVersion = "5.3.1.1";

    // Raises core::Error when the owner already holds a translation component.
    explicit TlcCustomLang(core::Component* owner = nullptr, ListSet lists = ListSet::Full);
    ~TlcCustomLang() override;

    TranslationTables& Tables() { return tables_; }
    const TranslationTables& Tables() const { return tables_; }

    // ---- lists ----
    StringList* ListOfKind(TStringsType kind) { return tables_.ListOfKind(kind); }
    const StringList* ListOfKind(TStringsType kind) const { return tables_.ListOfKind(kind); }
    StringList* ListOfKindName(std::string_view name) { return tables_.Lists().ListOfKindName(name); }
    // Replacing a list through its property: copies it and applies that kind alone (the dialog
    // captions only copy). Replacing Strings rebuilds the lookup tables.
    void SetList(TStringsType kind, const StringList& lines);
    // Every oldDelim byte of every list and extended translation becomes newDelim.
    void ReplaceDelimiter(char oldDelim, char newDelim);
    // Lines set aside by pruning because their component no longer exists.
    const StringList& LostRows() const { return lostRows_; }

    // ---- languages ----
    int ActiveLanguage() const { return tables_.ActiveLanguage(); }
    // Outside 1..NumOfLanguages: ELanguageError (ignored while loading). A change re-applies
    // the window and raises OnChangeLanguage.
    void SetActiveLanguage(int language);
    int NumOfLanguages() const { return tables_.NumOfLanguages(); }
    // Below 1: ELanguageError. Lowering cuts the lines; an active language beyond the new count
    // becomes 1 first.
    void SetNumOfLanguages(int n);
    const std::string& Language() const { return language_; }
    // A name LangNames does not hold (any case): ELanguageError.
    void SetLanguage(const std::string& name);
    core::StringsObject& LangNames() { return langNames_; }
    void SetLangNames(const std::vector<std::string>& names);
    char LangDelim() const { return tables_.LangDelim(); }
    void SetLangDelim(char delim);
    bool ChangeLocales() const { return changeLocales_; }
    // Switching on with an empty Locales list fills it with the current settings.
    void SetChangeLocales(bool on);
    // The settings found at construction, in the order of LocaleKeys.
    const std::array<std::string, 15>& DefaultLocale() const { return defaultLocale_; }

    TlcLangDispatcher* LangDispatcher() const { return dispatcher_; }
    void SetLangDispatcher(TlcLangDispatcher* dispatcher);

    // ---- settings ----
    core::StringsObject DoNotTranslate;
    core::StringsObject ExcludedProperties;
    core::StringsObject SmartExcludeProps;
    core::StringsObject StringsTypes;
    core::SetValue Options;  // of TlcLangOption
    bool HasOption(TlcLangOption o) const { return Options.Contains(static_cast<int>(o)); }
    // Keeps the common dialogs' control captions in DlgsCaptions too (82 lines, not 15); a
    // change at run time resizes the list.
    bool NeedAllDlgs() const { return needAllDlgs_; }
    void SetNeedAllDlgs(bool on);
    int ChangingCursor = -1;
    bool IsInheritedOwner = false;
    bool UseInheritedData = false;
    bool TranslateExtendedFirst = false;
    // Set by a loader while it fills the component: applying and linking do nothing.
    bool ApplySuspended = false;
    std::function<void(TlcCustomLang& sender)> OnChangeLanguage;

    // ---- lookups (redirected to another linked component under Options) ----
    std::string TextByIdOrDefault(std::string_view identifier);
    std::string TextById(std::string_view identifier);
    std::string LookupText(TStringsType kind, std::string_view identifier, bool fallback);
    std::string LookupLine(TStringsType kind, int index, bool fallback);
    std::string FindField(TStringsType kind, std::string_view identifier, int language) const {
        return tables_.FindField(kind, identifier, language);
    }

    // ---- applying ----
    // The active language to the owner and its components (the kind of the list replaced last,
    // or all), then OnChangeLanguage.
    virtual void ApplyTranslation();
    void ApplyList(StringList& list, TStringsType kind);
    // Removes lines that address nothing any more (see LostRows).
    void PruneList(StringList& list, TStringsType kind);
    void ApplyExcludedProperties();
    void ApplyExtendedTranslations();
    bool OwnerTranslatable() const;
    // Whether the dispatcher's test mode shows untranslated texts transformed.
    bool TestModeActive() const;

    // ---- INI-text translation files (sections per kind, keys "Window.identifier") ----
    // Reads the kind's section into its list (emptied first when clear is set): the number of
    // keys, -1 when the kind has no list or the stream could not be read.
    int LoadKindFromIniStream(TStringsType kind, core::Stream& stream, bool clear);
    // Every kind with a list, the extended translations, then the window is re-applied.
    void LoadAllFromIniStream(core::Stream& stream, bool clear);
    // The file's lines replace those of equal identifiers, the others stay. A failed read
    // leaves the list as it was and gives false.
    bool MergeKindFromIniStream(TStringsType kind, core::Stream& stream);
    // Every kind that has a list; false at the first kind that fails.
    bool MergeAllFromIniStream(core::Stream& stream);
    bool MergeAllAndApply(core::Stream& stream);
    void LoadExtendedFromIniStream(core::Stream& stream, bool clear);
    // Set while several kinds are read in one go: the single-kind loaders then leave pruning,
    // rebuilding and applying to their caller.
    bool BulkLoading() const { return bulkLoading_; }

    void Loaded() override;
    void Notification(core::Component* component, core::Operation operation) override;
    void DefineProperties(core::Filer& filer) override;

protected:
    // The list of a kind that travels with the component (a linked one keeps DlgsCaptions and
    // Locales only as copies).
    StringList* StoredList(TStringsType kind) { return tables_.Lists().Stored(kind) ? ListOfKind(kind) : nullptr; }

private:
    friend class TlcLangDispatcher;
    std::string LineText(const std::string& line, TStringsType kind, bool testMode) const;
    void ApplyOwnerText(TStringsType kind, const char* property, bool testMode);
    void ApplyOwnerFont();
    void ApplyCollections(StringList& list, bool testMode);
    void ApplyLocale(std::string_view key, const std::string& text);
    // The list to answer from when Options redirect it to another linked component.
    TlcCustomLang* RedirectTarget(TStringsType kind);
    bool Redirected(TStringsType kind) const;
    void SyncTestMode();
    void CheckSingleOnOwner(core::Component* owner) const;
    bool OwnerHasNoFont() const;

    TranslationTables tables_;
    int changedKind_ = -1;
    std::string language_;
    core::StringsObject langNames_;
    bool changeLocales_ = false;
    StringList lostRows_;
    std::array<std::string, 15> defaultLocale_;
    TlcLangDispatcher* dispatcher_ = nullptr;
    bool testModeSet_ = false;
    bool bulkLoading_ = false;
    bool needAllDlgs_ = false;
};

// Publishes every list.
class TlcLang : public TlcCustomLang {
    LARK_PERSISTENT_CLASS(TlcLang)
public:
    explicit TlcLang(core::Component* owner = nullptr) : TlcCustomLang(owner, ListSet::Full) {}
};

// The translation component of a secondary window: its DlgsCaptions and Locales are never
// stored with it but copied, whole and with this component's delimiter, from its common
// container (usually the main window's component) when loading ends and whenever the container
// is set anew at run time. Either side may be freed first: the link is dropped by a removal
// notice, and the copied lines stay.
class TlcLangLinked : public TlcCustomLang {
    LARK_PERSISTENT_CLASS(TlcLangLinked)
public:
    explicit TlcLangLinked(core::Component* owner = nullptr) : TlcCustomLang(owner, ListSet::Linked) {}
    ~TlcLangLinked() override;

    TlcCustomLang* CommonContainer() const { return container_; }
    // Itself or the current container: nothing. Otherwise links it and, unless loading, copies
    // its lists again.
    void SetCommonContainer(TlcCustomLang* container);

    void Loaded() override;
    void Notification(core::Component* component, core::Operation operation) override;

private:
    void CopyCommonLists();
    TlcCustomLang* container_ = nullptr;
};

// Object a property path's last segment lives on, resolved from the window: its class name or
// a component's name first, then object properties, "[i]" picking a collection item. None when
// a segment does not resolve.
core::Persistent* FindObjectByPath(core::Component& window, std::string_view path);
// Sets the property at the path from a text; nothing when it does not resolve or convert.
void SetPropertyByPath(core::Component& window, std::string_view path, std::string_view text);

}  // namespace lark::localization
