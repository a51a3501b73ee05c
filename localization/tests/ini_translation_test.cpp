#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "core/stream.h"
#include "core/text_encoding.h"
#include "lang_window.h"

namespace lark::localization {
namespace {

using testing::Line;
using testing::Window;
using K = TStringsType;

core::MemoryStream Ini(std::string_view utf8) {
    const std::string bytes = core::Utf8ToWin1252(utf8);
    return core::MemoryStream(bytes.data(), bytes.size());
}

// A stream whose reading fails.
class BrokenStream : public core::MemoryStream {
public:
    std::size_t Read(void*, std::size_t) override { throw core::StreamError("read failed"); }
    std::int64_t Size() const override { return 64; }
};

constexpr std::string_view kFile =
    "[OPTIONS]\r\nDELIMITER=~!@#\r\n"
    "[Language names - for internal use only!]\r\nLanguage_1=English\r\nLanguage_2=Deutsch\r\nLanguage_3=French\r\n"
    "[Captions]\r\nTTestForm.btnOK=Okay~!@#Jawohl~!@#Oui~!@#\r\n"
    "OptionsForm.actRun=Go~!@#Los~!@#Allez~!@#\r\n"
    "TOtherForm.btnOK=x~!@#y~!@#z~!@#\r\n"
    "[Collections]\r\nTTestForm.lvTasks.Columns-0+.Caption=Title~!@#Titel~!@#Titre~!@#\r\n"
    "[Strings]\r\nTTestForm.IDS_2=Two~!@#Zwei~!@#Deux~!@#\r\n"
    "[Extended]\r\nTTestForm.dlgOpen.Title=Pick~!@#Wählen~!@#Choisir~!@#\r\nTTestForm.dlgOpen.Title_TypeKind=tkLString\r\n";

class IniTranslation : public ::testing::Test {
protected:
    void SetUp() override {
        testing::RegisterTestClasses();
        w.form->SetName("OptionsForm");
    }
    Window w;
};

TEST_F(IniTranslation, LoadingAllKindsReplacesListsAndApplies) {
    auto file = Ini(kFile);
    w.lang->SetActiveLanguage(2);
    w.lang->LoadAllFromIniStream(file, true);
    EXPECT_FALSE(w.lang->BulkLoading());
    EXPECT_EQ(w.lang->LangNames().Lines(), (std::vector<std::string>{"English", "Deutsch", "French"}));
    // Keys of the window's class and of its name are taken, other windows' skipped.
    EXPECT_EQ(*w.lang->ListOfKind(K::stCaptions),
              (StringList{Line({"actRun", "Go", "Los", "Allez"}), Line({"btnOK", "Okay", "Jawohl", "Oui"})}));
    EXPECT_EQ((*w.lang->ListOfKind(K::stCollections))[0], Line({"lvTasks.Columns[0].Caption", "Title", "Titel", "Titre"}));
    EXPECT_EQ(w.btnOK->Caption, "Jawohl");
    EXPECT_EQ(w.lvTasks->Column(0)->Caption, "Titel");
    EXPECT_EQ(w.dlgOpen->Title, "Wählen");
    EXPECT_EQ(w.lang->TextByIdOrDefault("IDS_2"), "Zwei");
    EXPECT_EQ(w.lang->TextByIdOrDefault("IDS_1"), "");
}

TEST_F(IniTranslation, MergingKeepsOneLinePerIdentifierAndSkipsKindsWithoutList) {
    Window linkedWindow;
    auto* form = linkedWindow.form.get();
    // A linked component keeps no dialog captions and locales.
    delete linkedWindow.lang;
    auto* linked = form->Create<TlcLangLinked>();
    linked->SetNumOfLanguages(3);
    *linked->ListOfKind(K::stCaptions) = {Line({"btnOK", "OK", "OK", "OK"}), Line({"btnRun", "Run", "Lauf", "Cours"}),
                                         Line({"lblInfo", "Info", "Info", "Info"})};
    auto file = Ini(kFile);
    EXPECT_TRUE(linked->MergeAllAndApply(file));
    EXPECT_FALSE(linked->BulkLoading());
    const StringList& captions = *linked->ListOfKind(K::stCaptions);
    // The file's btnOK wins; btnRun (its action speaks) is pruned, lblInfo kept.
    EXPECT_EQ(captions, (StringList{Line({"btnOK", "Okay", "Jawohl", "Oui"}), Line({"lblInfo", "Info", "Info", "Info"})}));
    EXPECT_EQ(linked->TextByIdOrDefault("IDS_2"), "Two");
    linked->SetActiveLanguage(2);
    EXPECT_EQ(linkedWindow.btnOK->Caption, "Jawohl");
}

TEST_F(IniTranslation, AFailedReadIsAFailureAndLeavesTheListsAlone) {
    const TranslationLists before = w.lang->Tables().Lists();
    BrokenStream broken;
    EXPECT_EQ(w.lang->LoadKindFromIniStream(K::stCaptions, broken, false), -1);
    EXPECT_FALSE(w.lang->MergeKindFromIniStream(K::stCaptions, broken));
    EXPECT_FALSE(w.lang->MergeAllFromIniStream(broken));
    EXPECT_FALSE(w.lang->BulkLoading());
    EXPECT_EQ(w.lang->Tables().Lists(), before);
}

TEST_F(IniTranslation, DispatcherLoadsItsFileIntoLinkingComponents) {
    const std::string path = ::testing::TempDir() + "lang_ini_test.ini";
    {
        const std::string bytes = core::Utf8ToWin1252(kFile);
        core::WriteFileAtomically(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    TlcLangDispatcher dispatcher;
    dispatcher.SetLangNames({"English", "Deutsch", "French"});
    dispatcher.SetActiveLanguage(2);
    dispatcher.FileName = path;
    w.lang->SetLangDispatcher(&dispatcher);
    EXPECT_EQ(w.btnOK->Caption, "Jawohl");
    EXPECT_EQ(w.lang->ActiveLanguage(), 2);
    std::remove(path.c_str());
}

TEST_F(IniTranslation, AFileNamesAtMost255Languages) {
    std::string file = "[Language names - for internal use only!]\r\n";
    for (int n = 1; n <= 400; ++n) file += "Language_" + std::to_string(n) + "=L" + std::to_string(n) + "\r\n";
    file += "[Captions]\r\nTTestForm.btnOK=Okay~!@#\r\n";
    auto stream = Ini(file);
    EXPECT_EQ(w.lang->LoadKindFromIniStream(K::stCaptions, stream, true), 1);
    EXPECT_EQ(w.lang->NumOfLanguages(), 255);
    EXPECT_EQ(w.lang->LangNames().Count(), 255);
    EXPECT_EQ(w.lang->LangNames().Strings(254), "L255");
}

std::string Text(const core::MemoryStream& stream) {
    const auto& bytes = stream.Data();
    return core::Win1252ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

StringList Sorted(StringList lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST_F(IniTranslation, EveryKindRoundTripsThroughAFileIntoAFreshComponent) {
    w.lang->SetChangeLocales(true);  // fills the locale lines
    *w.lang->ListOfKind(K::stStrings) = {Line({"IDS_1", "Ready", "Bereit", "Prêt"}),
                                         Line({"strConfirm", "Line one\r\nLine two", "Zeile eins\r\nZwei", "Ligne un\r\nDeux"})};
    *w.lang->ListOfKind(K::stDlgsCaptions) = {Line({"Cancel", "Cancel", "&Abbrechen", "&Annuler"})};
    w.lang->Tables().ExtendedTranslations().Add("dlgOpen.Title").Values = "Open\r\nfile\x01Öffnen\x01Ouvrir\x01";
    w.lang->Tables().ExtendedTranslations()[0].PropertyType = TTypeKind::tkLString;
    w.lang->ApplyTranslation();  // prunes what addresses nothing
    core::MemoryStream file;
    w.lang->SaveAllToIniStream(file, "~!@#");
    const std::string text = Text(file);
    EXPECT_NE(text.find("[OPTIONS]\r\nDELIMITER=~!@#\r\n"), std::string::npos);
    EXPECT_NE(text.find("TTestForm.lvTasks.Columns-0+.Caption=Name~!@#Name~!@#Nom~!@#\r\n"), std::string::npos);
    EXPECT_NE(text.find("TTestForm.strConfirm=Line one\x19\x1ALine two~!@#"), std::string::npos);
    EXPECT_NE(text.find("TTestForm.dlgOpen.Title_TypeKind=tkLString"), std::string::npos);
    EXPECT_EQ(text.find("[ListView_TreeView_Items]"), std::string::npos);  // no list, no section

    Window fresh;
    for (int k = 0; k < kStringsTypeCount; ++k)
        if (StringList* list = fresh.lang->ListOfKind(static_cast<K>(k))) list->clear();
    fresh.lang->SetLangNames({"One"});
    fresh.lang->LoadAllFromIniStream(file, true);
    EXPECT_EQ(fresh.lang->LangNames().Lines(), (std::vector<std::string>{"English", "German", "French"}));
    for (int k = 0; k < kStringsTypeCount; ++k) {
        const auto kind = static_cast<K>(k);
        if (!w.lang->ListOfKind(kind)) continue;
        EXPECT_EQ(Sorted(*fresh.lang->ListOfKind(kind)), Sorted(*w.lang->ListOfKind(kind))) << k;
    }
    EXPECT_EQ(fresh.lang->ListOfKind(K::stCaptions)->front(), w.lang->ListOfKind(K::stCaptions)->front());
    ASSERT_EQ(fresh.lang->Tables().ExtendedTranslations().Count(), 1);
    EXPECT_EQ(fresh.lang->Tables().ExtendedTranslations()[0].Values, "Open\r\nfile\x01Öffnen\x01Ouvrir\x01");
    EXPECT_EQ(fresh.lang->Tables().ExtendedTranslations()[0].PropertyType, TTypeKind::tkLString);
    fresh.lang->SetActiveLanguage(2);
    EXPECT_EQ(fresh.lang->TextByIdOrDefault("strConfirm"), "Zeile eins\r\nZwei");
    EXPECT_EQ(fresh.dlgOpen->Title, "Öffnen");

    // Saving the loaded component again writes the same file.
    core::MemoryStream again;
    fresh.lang->SaveAllToIniStream(again, "~!@#");
    EXPECT_EQ(again.Data(), file.Data());
}

TEST_F(IniTranslation, AMergeKeepsWhatTheFileLacks) {
    auto file = Ini("[Captions]\r\nTTestForm.btnOK=Okay~!@#Jawohl~!@#Oui~!@#\r\n");
    const StringList hints = *w.lang->ListOfKind(K::stHints);
    EXPECT_TRUE(w.lang->MergeAllFromIniStream(file));
    const StringList& captions = *w.lang->ListOfKind(K::stCaptions);
    EXPECT_EQ(captions.front(), Line({"TTestForm", "Options", "Optionen", "Options"}));
    EXPECT_NE(std::find(captions.begin(), captions.end(), Line({"btnOK", "Okay", "Jawohl", "Oui"})), captions.end());
    EXPECT_NE(std::find(captions.begin(), captions.end(), Line({"actRun", "Run", "Ausführen", "Exécuter"})), captions.end());
    EXPECT_EQ(*w.lang->ListOfKind(K::stHints), hints);
    EXPECT_EQ(w.lang->TextByIdOrDefault("IDS_1"), "Ready");
}

// The decisions on reading and writing INI-text files, one row each.
TEST_F(IniTranslation, FaultCases) {
    struct Row {
        const char* what;
        std::function<void(Window&)> check;
    } rows[] = {
        {"a names section without a first name changes nothing",
         [](Window& w) {
             auto f = Ini("[Language names - for internal use only!]\r\nLanguage_2=German\r\n[Captions]\r\nTTestForm.btnOK=a~!@#b~!@#c~!@#\r\n");
             EXPECT_EQ(w.lang->LoadKindFromIniStream(K::stCaptions, f, true), 1);
             EXPECT_EQ(w.lang->NumOfLanguages(), 3);
             EXPECT_EQ(w.lang->LangNames().Lines(), (std::vector<std::string>{"English", "German", "French"}));
         }},
        {"an empty delimiter counts as absent",
         [](Window& w) {
             auto f = Ini("[OPTIONS]\r\nDELIMITER=\r\n[Captions]\r\nTTestForm.btnOK=a~!@#b~!@#c~!@#\r\n");
             w.lang->LoadKindFromIniStream(K::stCaptions, f, true);
             EXPECT_EQ(w.lang->ListOfKind(K::stCaptions)->front(), Line({"btnOK", "a", "b", "c"}));
         }},
        {"a value without a delimiter is the language-1 text",
         [](Window& w) {
             auto f = Ini("[Captions]\r\nTTestForm.btnOK=Hello\r\n");
             w.lang->LoadKindFromIniStream(K::stCaptions, f, true);
             EXPECT_EQ(w.lang->ListOfKind(K::stCaptions)->front(), Line({"btnOK", "Hello"}));
         }},
        {"the window's own line goes first under its class name, also when keyed by its name",
         [](Window& w) {
             auto f = Ini("[Captions]\r\nOptionsForm.OptionsForm=Opt~!@#Einst~!@#Opt~!@#\r\nTTestForm.btnOK=a~!@#b~!@#c~!@#\r\n");
             w.lang->SetActiveLanguage(2);
             w.lang->LoadKindFromIniStream(K::stCaptions, f, true);
             EXPECT_EQ(w.lang->ListOfKind(K::stCaptions)->front(), Line({"TTestForm", "Opt", "Einst", "Opt"}));
             EXPECT_EQ(w.form->Caption, "Einst");
         }},
        {"a merge moves the window's line to the top and applies the merged kind only",
         [](Window& w) {
             w.btnOK->Caption = "changed";
             w.lang->SetActiveLanguage(2);
             w.btnOK->Caption = "changed";
             auto f = Ini("[Hints]\r\nTTestForm.btnOK=Accept~!@#Annehmen~!@#Accepter~!@#\r\n");
             EXPECT_TRUE(w.lang->MergeKindFromIniStream(K::stHints, f));
             EXPECT_EQ(w.lang->ListOfKind(K::stHints)->front(), Line({"TTestForm", "Form hint", "Formularhinweis", "Astuce"}));
             EXPECT_EQ(w.btnOK->Hint, "Annehmen");
             EXPECT_EQ(w.form->Hint, "Formularhinweis");
             EXPECT_EQ(w.form->Caption, "Optionen");  // the caption stays translated
             EXPECT_EQ(w.btnOK->Caption, "changed");  // captions were not re-applied
         }},
        {"a save never deletes its own keys: window named as its class",
         [](Window& w) {
             w.form->SetName("TTestForm");
             core::MemoryStream f;
             EXPECT_EQ(w.lang->SaveKindToIniStream(K::stCaptions, f, "|"), 4);
             EXPECT_NE(Text(f).find("TTestForm.btnOK=OK|OK|D'accord|"), std::string::npos);
         }},
        {"a save never deletes its own keys: window without a name",
         [](Window& w) {
             w.form->SetName("");
             core::MemoryStream f;
             w.lang->SaveKindToIniStream(K::stCaptions, f, "|");
             EXPECT_NE(Text(f).find("TTestForm.btnOK=OK|OK|D'accord|"), std::string::npos);
         }},
        {"a save drops the keys written under the window's name and keeps other windows'",
         [](Window& w) {
             auto f = Ini("[Captions]\r\nOptionsForm.btnOld=x~!@#\r\nTOther.btnOK=y~!@#\r\n[Misc]\r\nk=v\r\n");
             w.lang->SaveKindToIniStream(K::stCaptions, f, "");
             const std::string text = Text(f);
             EXPECT_EQ(text.find("btnOld"), std::string::npos);
             EXPECT_NE(text.find("TOther.btnOK=y~!@#"), std::string::npos);
             EXPECT_NE(text.find("[Misc]\r\nk=v\r\n"), std::string::npos);
         }},
        {"a stream save cuts the stream after what it wrote",
         [](Window& w) {
             // A comment is not kept: the new content is shorter than the old.
             auto f = Ini(";" + std::string(5000, 'x') + "\r\n");
             w.lang->SaveKindToIniStream(K::stStrings, f, "~!@#");
             core::MemoryStream fresh;
             w.lang->SaveKindToIniStream(K::stStrings, fresh, "~!@#");
             EXPECT_EQ(f.Data(), fresh.Data());
         }},
        {"SetTranslationText pads missing fields and matches any case",
         [](Window& w) {
             StringList list = {Line({"ID", "a", "b", "c"}), std::string("short\x01" "a"), Line({"ID", "z"})};
             w.lang->SetTranslationText(list, "id", 2, "X");
             w.lang->SetTranslationText(list, "SHORT", 3, "Y");
             EXPECT_EQ(list[0], Line({"ID", "a", "X", "c"}));
             EXPECT_EQ(list[1], "short\x01" "a\x01\x01Y");
             EXPECT_EQ(list[2], Line({"ID", "z"}));  // only the first match
             StringList open = {std::string("ID\x01" "a\x01")};
             w.lang->SetTranslationText(open, "ID", 2, "X");
             EXPECT_EQ(open[0], "ID\x01" "a\x01X");
         }},
        {"SetTranslationText on Strings hides the old text until the tables are rebuilt",
         [](Window& w) {
             w.lang->SetTranslationText(*w.lang->ListOfKind(K::stStrings), "ids_1", 1, "Go");
             EXPECT_EQ(w.lang->TextByIdOrDefault("IDS_1"), "");
             w.lang->Tables().RebuildLookupTables();
             EXPECT_EQ(w.lang->TextByIdOrDefault("IDS_1"), "Go");
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testing::RegisterTestClasses();
        Window fresh;
        fresh.form->SetName("OptionsForm");
        row.check(fresh);
        EXPECT_FALSE(fresh.lang->BulkLoading());
    }
}

TEST_F(IniTranslation, OneLanguageOfAFileFillsItsColumnOrANewLanguage) {
    const std::string path = ::testing::TempDir() + "lang_one_language.ini";
    {
        const std::string bytes = core::Utf8ToWin1252(
            "[Language names - for internal use only!]\r\nLanguage_1=English\r\nLanguage_2=Español\r\nLanguage_3=German\r\n"
            "[Captions]\r\nTTestForm.btnOK=OK~!@#Aceptar~!@#Jawohl~!@#\r\nTTestForm.lblInfo=Info~!@#Información\r\n"
            "[Extended]\r\nTTestForm.dlgOpen.Title=Open~!@#Abrir~!@#Öffnen~!@#\r\n");
        core::WriteFileAtomically(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    EXPECT_FALSE(w.lang->LoadLanguageFromIniFile(path, "Klingon"));
    EXPECT_FALSE(w.lang->LoadLanguageFromIniFile(path + ".missing", "German"));
    EXPECT_FALSE(w.lang->LoadLanguageFromIniFile(path, "german"));  // the file's names match case-sensitively
    EXPECT_TRUE(w.lang->LoadLanguageFromIniFile(path, "German"));
    const StringList& captions = *w.lang->ListOfKind(K::stCaptions);
    EXPECT_NE(std::find(captions.begin(), captions.end(), Line({"btnOK", "OK", "Jawohl", "D'accord"})), captions.end());
    EXPECT_TRUE(w.lang->LoadLanguageFromIniFile(path, "Español"));
    EXPECT_EQ(w.lang->NumOfLanguages(), 4);
    EXPECT_EQ(w.lang->LangNames().Strings(3), "Español");
    w.lang->SetActiveLanguage(4);
    EXPECT_EQ(w.btnOK->Caption, "Aceptar");
    EXPECT_EQ(w.lblInfo->Caption, "Información");
    EXPECT_EQ(w.dlgOpen->Title, "Abrir");
    std::remove(path.c_str());
}

}  // namespace
}  // namespace lark::localization
