#include <gtest/gtest.h>

#include <cstdio>

#include "core/component_stream.h"
#include "core/stream.h"
#include "core/text_encoding.h"
#include "lang_window.h"
#include "localization/lcb_file.h"

namespace lark::localization {
namespace {

using testing::Line;
using testing::Window;
using K = TStringsType;

std::string ReadText(const std::string& path) {
    const auto bytes = core::ReadFileBytes(path);
    return core::Win1252ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void WriteText(const std::string& path, std::string_view utf8) {
    const std::string bytes = core::Utf8ToWin1252(utf8);
    core::WriteFileAtomically(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

class TranslationFiles : public ::testing::Test {
protected:
    void SetUp() override {
        testing::RegisterTestClasses();
        dir = ::testing::TempDir();
        ini = dir + "translation_files_test.ini";
        std::remove(ini.c_str());
    }
    void TearDown() override { std::remove(ini.c_str()); }
    std::string dir, ini;
    Window w;
};

TEST_F(TranslationFiles, MissingFilesAreNoError) {
    const std::string missing = dir + "no_such_translation.ini";
    w.lang->ApplyTranslation();  // the lists as applying leaves them
    const TranslationLists before = w.lang->Tables().Lists();
    EXPECT_EQ(w.lang->LoadKindFromFile(K::stCaptions, missing, true), -1);
    EXPECT_EQ(w.lang->LoadStringsFromFile(missing, true), -1);
    w.lang->LoadAllFromFile(missing, true);
    w.lang->LoadAllKindsFromFile(missing, true);
    w.lang->LoadExtendedFromFile(missing, true);
    EXPECT_FALSE(w.lang->MergeKindFromFile(K::stCaptions, missing));
    EXPECT_FALSE(w.lang->MergeAllFromFile(missing));
    EXPECT_FALSE(w.lang->LoadAllAndApply(missing));
    EXPECT_FALSE(w.lang->BulkLoading());
    EXPECT_EQ(w.lang->Tables().Lists(), before);
}

TEST_F(TranslationFiles, SavesKeepOtherWindowsAndLoadBack) {
    WriteText(ini, "[Captions]\r\nTOther.btnOK=x~!@#\r\n");
    EXPECT_EQ(w.lang->SaveKindToFile(K::stCaptions, ini, "~!@#"), 4);
    EXPECT_EQ(w.lang->SaveStringsToFile(ini, "~!@#"), 1);
    EXPECT_EQ(w.lang->SaveKindToFile(K::stListView_TreeView_Items, ini, "~!@#"), -1);
    std::string text = ReadText(ini);
    EXPECT_NE(text.find("TOther.btnOK=x~!@#"), std::string::npos);
    EXPECT_NE(text.find("TTestForm.btnOK=OK~!@#OK~!@#D'accord~!@#"), std::string::npos);
    EXPECT_NE(text.find("TTestForm.IDS_1=Ready~!@#Bereit~!@#Prêt~!@#"), std::string::npos);

    w.lang->Tables().ExtendedTranslations().Add("dlgOpen.Title").Values = Line({"Open", "Öffnen", "Ouvrir"});
    w.lang->SaveAllToFile(ini, "|");
    text = ReadText(ini);
    EXPECT_NE(text.find("TOther.btnOK=x~!@#"), std::string::npos);
    EXPECT_NE(text.find("TTestForm.dlgOpen.Title=Open|Öffnen|Ouvrir|"), std::string::npos);

    Window fresh;
    fresh.lang->ListOfKind(K::stStrings)->clear();
    EXPECT_EQ(fresh.lang->LoadStringsFromFile(ini, true), 1);
    fresh.lang->SetActiveLanguage(3);
    EXPECT_EQ(fresh.lang->TextByIdOrDefault("IDS_1"), "Prêt");
    fresh.lang->Tables().ExtendedTranslations().Clear();
    fresh.lang->LoadExtendedFromFile(ini, true);
    EXPECT_EQ(fresh.lang->Tables().ExtendedTranslations().Count(), 1);
    // Loading all kinds prunes and rebuilds but applies nothing.
    fresh.dlgOpen->Title = "kept";
    fresh.lang->LoadAllKindsFromFile(ini, true);
    EXPECT_EQ(fresh.dlgOpen->Title, "kept");
    EXPECT_EQ(fresh.lang->TextByIdOrDefault("IDS_1"), "Prêt");
    EXPECT_FALSE(fresh.lang->BulkLoading());
}

TEST_F(TranslationFiles, MergesKeepWhatTheFileLacksAndAnswerTheirResult) {
    WriteText(ini, "[Captions]\r\nTTestForm.btnOK=Okay~!@#Jawohl~!@#Oui~!@#\r\nTTestForm.lblInfo=I~!@#J~!@#K~!@#\r\n");
    EXPECT_TRUE(w.lang->MergeKindFromFile(K::stCaptions, ini));
    const StringList& captions = *w.lang->ListOfKind(K::stCaptions);
    ASSERT_GE(captions.size(), 3u);
    EXPECT_EQ(captions[0], Line({"TTestForm", "Options", "Optionen", "Options"}));
    EXPECT_NE(std::find(captions.begin(), captions.end(), Line({"btnOK", "Okay", "Jawohl", "Oui"})), captions.end());
    EXPECT_EQ(captions.back(), Line({"actRun", "Run", "Ausführen", "Exécuter"}));  // kept, at the end
    EXPECT_FALSE(w.lang->MergeKindFromFile(K::stListView_TreeView_Items, ini));

    // A component without dialog captions and locales skips those kinds and merges the rest.
    Window linkedWindow;
    delete linkedWindow.lang;
    auto* linked = linkedWindow.form->Create<TlcLangLinked>();
    linked->SetNumOfLanguages(3);
    EXPECT_TRUE(linked->MergeAllFromFile(ini));
    linked->SetActiveLanguage(2);
    EXPECT_EQ(linkedWindow.btnOK->Caption, "Jawohl");

    w.lang->SetActiveLanguage(2);
    EXPECT_TRUE(w.lang->LoadAllAndApply(ini));
    EXPECT_EQ(w.btnOK->Caption, "Jawohl");
    EXPECT_EQ(w.lang->TextByIdOrDefault("IDS_1"), "Bereit");  // Strings kept and found
    EXPECT_FALSE(w.lang->BulkLoading());
}

TEST_F(TranslationFiles, AnLcbNameInAnyCaseMergesTheBinaryFile) {
    const std::string lcb = dir + "translation_files_test.lcb";
    // A damaged binary file: the merge fails at the first kind and leaves everything as it was.
    core::WriteFileAtomically(lcb, std::vector<std::uint8_t>{'L', 'C', 'B'});
    w.lang->ApplyTranslation();  // the lists as applying leaves them
    const TranslationLists before = w.lang->Tables().Lists();
    EXPECT_FALSE(w.lang->MergeAllFromFile(lcb));
    EXPECT_FALSE(w.lang->LoadAllAndApply(lcb));
    EXPECT_FALSE(w.lang->BulkLoading());
    EXPECT_EQ(w.lang->Tables().Lists(), before);
    // A good one with only a Captions list of its own merges that kind.
    TlcLang stored;
    stored.SetLangNames({"English", "German", "French"});
    *stored.ListOfKind(K::stCaptions) = {Line({"btnOK", "Fine", "Gut", "Bien"})};
    const auto component = core::WriteComponentToBytes(stored);
    std::vector<std::uint8_t> file(kLcbHeader.begin(), kLcbHeader.end());
    const std::string name = "TTestForm";
    for (std::uint8_t b : {0, 1, 0, 0, 0, static_cast<int>(name.size()), 0}) file.push_back(b);
    file.insert(file.end(), name.begin(), name.end());
    const std::uint32_t offset = static_cast<std::uint32_t>(file.size() + 4);
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<std::uint8_t>(offset >> (8 * i)));
    file.insert(file.end(), component.begin(), component.end());
    core::WriteFileAtomically(lcb, file);
    EXPECT_TRUE(w.lang->MergeKindFromFile(K::stCaptions, lcb));
    const StringList& captions = *w.lang->ListOfKind(K::stCaptions);
    EXPECT_EQ(captions[0], Line({"TTestForm", "Options", "Optionen", "Options"}));
    EXPECT_NE(std::find(captions.begin(), captions.end(), Line({"btnOK", "Fine", "Gut", "Bien"})), captions.end());
    std::remove(lcb.c_str());
}

}  // namespace
}  // namespace lark::localization
