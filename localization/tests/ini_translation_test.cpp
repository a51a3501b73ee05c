#include <gtest/gtest.h>

#include <cstdio>

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

}  // namespace
}  // namespace lark::localization
