#pragma once
// The program's one language switch: every translation component names it and links itself
// when it finishes loading; setting the active language here re-translates every open window.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/component.h"
#include "core/strings_object.h"

namespace lark::localization {

class TlcCustomLang;
class TLCBFileManager;

enum class TTestModeKind { tmkExpandWidth, tmkFlipCase, tmkExpandChars };

// Test mode: an untranslated text in a language above 1 is shown as a visibly transformed form
// of its language-1 text, so untranslated places stand out.
class TTestModeInfo : public core::Persistent {
    LARK_PERSISTENT_CLASS(TTestModeInfo)
public:
    bool Active = false;
    TTestModeKind Kind = TTestModeKind::tmkExpandWidth;
    int ExpandWidthPercent = 100;
    int ExpandCharsPercent = 100;
    char PaddingChar = '*';

    std::string ApplyTestMode(std::string_view text) const;

    // Width of a text as drawn in the test-mode font; the window layer installs a measurer.
    // Without one every character counts one unit.
    static std::function<int(std::string_view)>& TextWidth();
};

std::string FlipCase(std::string_view text);
std::string ExpandChars(std::string_view text, char padding, int percent);
std::string ExpandWidth(std::string_view text, char padding, int percent,
                        const std::function<int(std::string_view)>& width);

class TlcLangDispatcher : public core::Component {
    LARK_PERSISTENT_CLASS(TlcLangDispatcher)
public:
    explicit TlcLangDispatcher(core::Component* owner = nullptr);
    ~TlcLangDispatcher() override;

    int ActiveLanguage() const { return activeLanguage_; }
    // Outside 1..NumOfLanguages: ELanguageError, nothing changes (while loading it is only
    // stored and checked when loading ends). Switches every linked component.
    void SetActiveLanguage(int language);
    int NumOfLanguages() const { return numOfLanguages_; }
    // Outside 1..255: ELanguageError. LangNames follows; an active language beyond n becomes 1.
    void SetNumOfLanguages(int n);
    core::StringsObject& LangNames() { return langNames_; }
    void SetLangNames(const std::vector<std::string>& names);
    const std::string& Language() const { return language_; }
    // A name LangNames does not hold (any case; only checked when it is not empty):
    // ELanguageError. Otherwise selects that language.
    void SetLanguage(const std::string& name);

    // A translation file loaded into every component that links afterwards: a binary one when
    // its extension is ".LCB" (any case), else an INI-text file. A missing file is no error.
    std::string FileName;
    // The reader of binary translation files, made on first use.
    TLCBFileManager* LcbReader() const { return lcbReader_.get(); }
    std::function<void(TlcLangDispatcher& sender, TlcCustomLang& lang)> OnLinkToDispatcher;
    TTestModeInfo& TestModeInfo() { return testModeInfo_; }
    const TTestModeInfo& TestModeInfo() const { return testModeInfo_; }
    // Accepted from definitions, never written, no effect.
    bool TestMode = false;
    int TestPercentage = 0;

    // Moves the component to the end of the linked list and hands it the languages and the
    // active language (re-translating its window when that differs).
    void LinkLangToDispatcher(TlcCustomLang* lang);
    void UnlinkLangFromDispatcher(TlcCustomLang* lang);
    const std::vector<TlcCustomLang*>& LinkedLangs() const { return linked_; }
    bool IsLinked(const TlcCustomLang* lang) const;

    void Loaded() override;
    void Notification(core::Component* component, core::Operation operation) override;

private:
    template <class F>
    void ForEachLinked(F&& f);

    std::vector<TlcCustomLang*> linked_;
    std::unique_ptr<TLCBFileManager> lcbReader_;
    int activeLanguage_ = 1;
    int numOfLanguages_ = 1;
    std::string language_;
    core::StringsObject langNames_{"Language N1"};
    TTestModeInfo testModeInfo_;
};

// "%d - is not a valid property value!\rValue must be within [1..%d]!"
std::string LanguageRangeMessage(int language, int count);

}  // namespace lark::localization
