// The system's file dialog in German under Wine: the labels and buttons read back from the
// dialog's own controls, for a secondary window whose linked component takes the main window's
// dialog captions; the references between the dialogs and their components, both ways.
#include <gtest/gtest.h>

#include "../lines.h"
#include "gui_testing/form_driver.h"
#include "localization/dialog_captions.h"
#include "localization/translated_dialogs_win.h"
#include "ui/register.h"
#include "win/text.h"

#include <dlgs.h>

namespace lark::localization {
namespace {

using testing::Line;

void SetLine(TlcCustomLang& lang, const std::string& line) {
    StringList& list = *lang.ListOfKind(TStringsType::stDlgsCaptions);
    const std::string id = DelimitedField(line, '\x01', 0);
    for (std::string& l : list)
        if (DelimitedField(l, '\x01', 0) == id) l = line;
}

struct TranslatedDialogs : ::testing::Test {
    ui::Form main;
    TlcLang* lcLang1 = nullptr;
    std::unique_ptr<ui::Form> options = std::make_unique<ui::Form>();
    TlcLangLinked* linked = nullptr;

    void SetUp() override {
        ui::RegisterControls();
        main.SetName("MainWin");
        lcLang1 = main.Create<TlcLang>();
        lcLang1->SetLangNames({"English", "Deutsch", "Français"});
        lcLang1->SetNeedAllDlgs(true);
        SetLine(*lcLang1, Line({"Look in:", "Look &in:", "Suchen &in:", "Regarder &dans :"}));
        SetLine(*lcLang1, Line({"File name:", "File &name:", "Datei&name:", "&Nom de fichier :"}));
        SetLine(*lcLang1, Line({"Files of type:", "Files of &type:", "Datei&typ:", "&Type de fichier :"}));
        SetLine(*lcLang1, Line({"Open", "&Open", "Ö&ffnen", "&Ouvrir"}));
        SetLine(*lcLang1, Line({"Cancel", "Cancel", "Abbrechen", "Annuler"}));
        linked = options->Create<TlcLangLinked>();
        linked->SetLangNames({"English", "Deutsch", "Français"});
    }
};

std::string ItemText(HWND dialog, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, id, text, 256);
    return win::Narrow(text);
}

TEST_F(TranslatedDialogs, TheFileDialogOfASecondaryWindowShowsItsLabelsInGerman) {
    linked->SetCommonContainer(lcLang1);
    linked->SetActiveLanguage(2);
    auto* dialog = options->Create<TlcOpenDialog>();
    dialog->SetLcLang(linked);
    dialog->filter = "Task files|*.tsk|All files|*.*";
    std::vector<std::string> texts;
    dialog->OnDialogShow.Bind([&](core::Component&, HWND window) {
        for (int id : {stc4, stc3, stc2, IDOK, IDCANCEL}) texts.push_back(ItemText(window, id));
        lark::testing::ScreenshotOf(window, "file_dialog_german");
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(dialog->Execute());
    EXPECT_EQ(texts, (std::vector<std::string>{"Suchen &in:", "Datei&name:", "Datei&typ:", "Ö&ffnen", "Abbrechen"}));
}

TEST_F(TranslatedDialogs, AnEmptyLineLeavesTheSystemsTextAndAFreedComponentLeavesTheDialogUntranslated) {
    lcLang1->SetActiveLanguage(2);
    SetLine(*lcLang1, Line({"Look in:", "", "", ""}));
    auto* dialog = main.Create<TlcSaveDialog>();
    dialog->SetLcLang(lcLang1);
    std::vector<std::string> texts;
    dialog->OnDialogShow.Bind([&](core::Component&, HWND window) {
        texts = {ItemText(window, stc4), ItemText(window, IDCANCEL)};
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(dialog->Execute());
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0], "");  // Wine's own "Save in:" text
    EXPECT_EQ(texts[1], "Abbrechen");

    delete lcLang1;
    lcLang1 = nullptr;
    EXPECT_EQ(dialog->lcLang(), nullptr);
    EXPECT_FALSE(dialog->Execute());
    EXPECT_NE(texts[1], "Abbrechen");
}

TEST_F(TranslatedDialogs, ReferencesToAnotherWindowsComponentDropBothWays) {
    // The dialog freed first: the component's removal must not reach it.
    auto* dialog = options->Create<TlcOpenDialog>();
    auto* folder = options->Create<TlcBrowseForFolder>();
    dialog->SetLcLang(lcLang1);
    folder->SetLcLang(lcLang1);
    linked->SetCommonContainer(lcLang1);
    options.reset();
    // The main window's component freed first.
    ui::Form second;
    auto* open = second.Create<TlcOpenDialog>();
    auto* browse = second.Create<TlcBrowseForFolder>();
    auto* secondLang = second.Create<TlcLangLinked>();
    open->SetLcLang(lcLang1);
    browse->SetLcLang(lcLang1);
    secondLang->SetCommonContainer(lcLang1);
    delete lcLang1;
    lcLang1 = nullptr;
    EXPECT_EQ(open->lcLang(), nullptr);
    EXPECT_EQ(browse->lcLang(), nullptr);
    EXPECT_EQ(secondLang->CommonContainer(), nullptr);
}

TEST_F(TranslatedDialogs, AssigningTheComponentKeepsTheDialogsCaptions) {
    TlcLang* fresh = nullptr;
    ui::Form other;
    fresh = other.Create<TlcLang>();
    ASSERT_EQ(fresh->ListOfKind(TStringsType::stDlgsCaptions)->size(), 15u);
    auto* dialog = other.Create<TlcOpenDialog>();
    dialog->SetLcLang(fresh);
    EXPECT_TRUE(fresh->NeedAllDlgs());
    EXPECT_EQ(fresh->ListOfKind(TStringsType::stDlgsCaptions)->size(), 82u);
}

TEST_F(TranslatedDialogs, TheFolderBrowserKeepsAListOnlyForAFolderThatParses) {
    TlcBrowseForFolder browse;
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    browse.SetSelectedDir(win::Narrow(windows));
    EXPECT_NE(browse.SelectedList(), nullptr);
    browse.SetSelectedDir("C:\\no\\such\\folder\\here");
    EXPECT_EQ(browse.SelectedList(), nullptr);
}

}  // namespace
}  // namespace lark::localization
