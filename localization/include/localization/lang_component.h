#pragma once
// The translation component: one per translated window or data module. It owns the window's
// translation tables, applies the active language to the window's components through
// published-property reflection, answers text lookups and links itself to the program's one
// language dispatcher, which switches every window at once.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/component.h"
#include "core/stream.h"
#include "core/strings_object.h"
#include "localization/translation_tables.h"

namespace lark::localization {

class TlcLangDispatcher;
class TMemIniFile;

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
    // Outside 1..255: ELanguageError. Lowering cuts no text; an active language beyond the new
    // count becomes 1 and the window is re-applied.
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

    // Language in which the program's resource strings are written. Outside 1..NumOfLanguages:
    // ELanguageError (accepted while loading). At run time the resource-string table is sorted
    // and searched by that language at once.
    int ResourceLanguageIndex() const { return tables_.ResourceLanguageIndex; }
    void SetResourceLanguageIndex(int language);

    TlcLangDispatcher* LangDispatcher() const { return dispatcher_; }
    void SetLangDispatcher(TlcLangDispatcher* dispatcher);

    // ---- settings ----
    core::StringsObject DoNotTranslate;
    core::StringsObject ExcludedProperties;
    core::StringsObject SmartExcludeProps;
    core::StringsObject StringsTypes;
    core::SetValue Options;  // of TlcLangOption
    bool HasOption(TlcLangOption o) const { return Options.Contains(static_cast<int>(o)); }
    bool NeedAllDlgs = false;
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

    // ---- INI-text translation files (sections per kind, keys "WindowClass.identifier") ----
    // Reads the kind's section into its list (emptied first when clear is set): the number of
    // keys, -1 when the kind has no list or the stream could not be read. A value without the
    // delimiter text is the text of language 1.
    int LoadKindFromIniStream(TStringsType kind, core::Stream& stream, bool clear);
    // Writes the kind's lines, the delimiter text (empty: "~!@#") and the language names into
    // the stream, keeping its other sections, and cuts the stream after them: the number of
    // lines, -1 when the kind has no list.
    int SaveKindToIniStream(TStringsType kind, core::Stream& stream, std::string_view delimiter);
    // Every kind with a list, the extended translations, then the window is re-applied.
    void LoadAllFromIniStream(core::Stream& stream, bool clear);
    // Every kind and the extended translations as one file, written at the stream's position.
    void SaveAllToIniStream(core::Stream& stream, std::string_view delimiter);
    // The file's lines replace those of equal identifiers, the others stay; the window's own
    // line stays first and the kind is re-applied. A failed read leaves the list as it was and
    // gives false.
    bool MergeKindFromIniStream(TStringsType kind, core::Stream& stream);
    // Every kind that has a list; false at the first kind that fails.
    bool MergeAllFromIniStream(core::Stream& stream);
    bool MergeAllAndApply(core::Stream& stream);
    void LoadExtendedFromIniStream(core::Stream& stream, bool clear);
    void SaveExtendedToIniStream(core::Stream& stream, std::string_view delimiter);
    // One language of a file (found by its name there, case-sensitive) into the language of
    // that name here (any case; appended when there is none). False when the file is missing,
    // does not name the language or cannot be read; lines read before an error stay.
    bool LoadLanguageKindFromIniFile(TStringsType kind, const std::string& fileName, const std::string& language);
    bool LoadLanguageExtendedFromIniFile(const std::string& fileName, const std::string& language);
    bool LoadLanguageFromIniFile(const std::string& fileName, const std::string& language);
    // Names of the languages the last file read marks as fixed.
    const StringList& FixedLanguages() const { return fixedLanguages_; }
    // Set while several kinds are read in one go: the single-kind loaders then leave pruning,
    // rebuilding and applying to their caller.
    bool BulkLoading() const { return bulkLoading_; }

    // ---- translation files by name (INI text; merges also read ".LCB" files) ----
    // A missing file is no error: -1, false or nothing. Saves keep what the file holds for
    // other windows and replace it atomically.
    int LoadKindFromFile(TStringsType kind, const std::string& fileName, bool clear);
    int SaveKindToFile(TStringsType kind, const std::string& fileName, std::string_view delimiter);
    void LoadAllFromFile(const std::string& fileName, bool clear);
    void SaveAllToFile(const std::string& fileName, std::string_view delimiter);
    int LoadStringsFromFile(const std::string& fileName, bool clear);
    int SaveStringsToFile(const std::string& fileName, std::string_view delimiter);
    void LoadExtendedFromFile(const std::string& fileName, bool clear);
    void SaveExtendedToFile(const std::string& fileName, std::string_view delimiter);
    // Every kind and the extended translations, pruned and the tables rebuilt; nothing applied.
    void LoadAllKindsFromFile(const std::string& fileName, bool clear);
    // As MergeKindFromIniStream; false for a missing file, a kind without a list or a failed load.
    bool MergeKindFromFile(TStringsType kind, const std::string& fileName);
    // Every kind that has a list; false at the first failure (earlier kinds stay merged).
    bool MergeAllFromFile(const std::string& fileName);
    // The merge, then the window re-applied; answers the merge's result.
    bool LoadAllAndApply(const std::string& fileName);

    // ---- binary translation files ----
    // The stored component of the window's class replaces the lists, names and extended
    // translations, then the window is re-applied. Nothing without an owner.
    void LoadFormFromLcbFile(const std::string& fileName);
    // One kind of the window's stored component (Strings also rebuilds the lookup tables).
    void LoadKindFromLcbFile(TStringsType kind, const std::string& fileName);

    // ---- design-time capture and list maintenance ----
    // Whether the component is in the designer: the component state, or set by SetDesigning
    // (there lookups scan the lists and the lists follow the components).
    bool InDesigner() const;
    void SetDesigning(bool on);
    // The texts the owner and its components show become the active language's texts; lines
    // are created for new items (taking the texts of a set-aside line with the same text, so a
    // renamed component keeps its translations) and dropped for properties that are gone.
    void StoreTranslation();
    bool IsStringsType(std::string_view className) const;
    // A property listed in ExcludedProperties, "component.property" in SmartExcludeProps, or
    // "Name".
    bool IsPropertyExcluded(std::string_view component, std::string_view property) const;
    // In the designer, on removal: deletes every line of the component (the owner's lines by
    // its class name).
    void RemoveComponentRows(StringList& list, core::Component* component, TStringsType kind, core::Operation operation);
    // Deletes the line of one item (for Collections every line of the property).
    void RemoveLines(StringList& list, std::string_view name, TStringsType kind, std::string_view property);
    // A component's new name in every list, DoNotTranslate, SmartExcludeProps and the extended
    // translations' paths (the owner's lines by its class name "T" + name).
    void RenameComponentRows(const std::string& oldName, const std::string& newName);

    // ---- list maintenance ----
    // Replaces field n of the first line whose identifier matches (any case), padding empty
    // fields until field n exists. On Strings the old text leaves the lookup tables at once.
    void SetTranslationText(StringList& list, std::string_view identifier, int language, std::string_view text);
    void SetTranslationTextInList(StringList& list, std::string_view identifier, int language, std::string_view text) {
        SetTranslationText(list, identifier, language, text);
    }

    void Loaded() override;
    void Notification(core::Component* component, core::Operation operation) override;
    void DefineProperties(core::Filer& filer) override;

private:
    friend class TlcLangDispatcher;
    friend class TLCBFileManager;
    // Takes over the lists, names and extended translations of a stored component.
    void TakeStoredComponent(TlcCustomLang& stored);
    std::string LineText(const std::string& line, TStringsType kind, bool testMode) const;
    void ApplyOwnerText(TStringsType kind, const char* property, bool testMode);
    void ApplyOwnerFont();
    void ApplyCollections(StringList& list, bool testMode);
    void ApplyLocale(std::string_view key, const std::string& text);
    // The list to answer from when Options redirect it to another linked component.
    TlcCustomLang* RedirectTarget(TStringsType kind);
    bool Redirected(TStringsType kind) const;
    void SyncTestMode();
    // Applies one kind (ChangedKind) and restores the filter unless the handler freed us.
    void ApplyKind(TStringsType kind);
    // Owner's class name and name (the component's own without an owner).
    std::string WindowClassName() const;
    std::string WindowName() const;
    void TakeLanguageNames(const std::vector<std::string>& names);
    void WriteOptionsAndNames(TMemIniFile& ini, const std::string& delim, bool cleanMisspelled) const;
    // The window's own line first in the kinds that keep one there.
    void MoveOwnerLineToTop(StringList& list, TStringsType kind) const;
    // Unless bulk loading: prune, rebuild the tables for Strings, apply (the kind, or all).
    void FinishKindLoad(StringList& list, TStringsType kind, bool applyKindOnly);
    // Keeps a copy, loads, puts back the kept lines the load lacks; a failed load restores it.
    bool MergeKind(TStringsType kind, const std::function<bool()>& load);
    int LanguageNumberFor(const std::string& language);
    // The stream-level operations over a file parsed once.
    int LoadKindFromIni(TStringsType kind, const TMemIniFile& ini, bool clear);
    void LoadAllFromIni(const TMemIniFile& ini, bool clear);
    void LoadExtendedFromIni(const TMemIniFile& ini, bool clear);
    int SaveKindToIni(TStringsType kind, TMemIniFile& ini, std::string_view delimiter) const;
    void SaveExtendedToIni(TMemIniFile& ini, std::string_view delimiter) const;
    void SaveAllToIni(TMemIniFile& ini, std::string_view delimiter) const;
    void CaptureText(StringList& list, const std::string& identifier, const std::string& value);
    void CaptureOwnerLine(TStringsType kind, const char* property);
    void CaptureComponent(StringList& list, TStringsType kind, core::Component& component);
    void DropStaleLines();
    void StoreExtendedTranslations();
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
    StringList fixedLanguages_;
    // Expires when the component is destroyed: callers of a language-change handler (which may
    // free the window) check it before they touch the component again.
    std::shared_ptr<const char> alive_ = std::make_shared<const char>();
};

// Publishes every list.
class TlcLang : public TlcCustomLang {
    LARK_PERSISTENT_CLASS(TlcLang)
public:
    explicit TlcLang(core::Component* owner = nullptr) : TlcCustomLang(owner, ListSet::Full) {}
};

// Has no dialog captions and locales of its own (it takes them from a common container).
class TlcLangLinked : public TlcCustomLang {
    LARK_PERSISTENT_CLASS(TlcLangLinked)
public:
    explicit TlcLangLinked(core::Component* owner = nullptr) : TlcCustomLang(owner, ListSet::Linked) {}
};

// Object a property path's last segment lives on, resolved from the window: its class name or
// a component's name first, then object properties, "[i]" picking a collection item. None when
// a segment does not resolve.
core::Persistent* FindObjectByPath(core::Component& window, std::string_view path);
// The property at the path as text (a string list as comma text, a set without brackets);
// empty when it does not resolve.
std::string GetPropertyByPath(core::Component& window, std::string_view path);
// Sets the property at the path from a text; nothing when it does not resolve or convert.
void SetPropertyByPath(core::Component& window, std::string_view path, std::string_view text);

}  // namespace lark::localization
