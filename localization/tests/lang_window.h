#pragma once
// A translated window of the test components, its lists in three languages.
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "lang_fixture.h"
#include "lines.h"

namespace lark::localization::testing {

struct Window {
    std::unique_ptr<TTestForm> form = std::make_unique<TTestForm>();
    TControl* btnOK = form->Create<TControl>();
    TControl* btnRun = form->Create<TControl>();
    TControl* cbLang = form->Create<TControl>();
    TControl* lblInfo = form->Create<TControl>();
    TAction* actRun = form->Create<TAction>();
    TListView* lvTasks = form->Create<TListView>();
    TOpenDialog* dlgOpen = form->Create<TOpenDialog>();
    TlcLang* lang = form->Create<TlcLang>();

    Window() {
        btnOK->SetName("btnOK");
        btnRun->SetName("btnRun");
        cbLang->SetName("cbLang");
        lblInfo->SetName("lblInfo");
        actRun->SetName("actRun");
        lvTasks->SetName("lvTasks");
        dlgOpen->SetName("dlgOpen");
        lang->SetName("lcLang");
        // Language-1 texts, as the window definition holds them.
        form->Caption = "Options";
        form->Hint = "Form hint";
        btnOK->Caption = "OK";
        btnOK->Hint = "Accept";
        btnRun->Action = actRun;
        btnRun->Caption = "Run";
        actRun->Caption = "Run";
        cbLang->Items.SetCommaText("English,German,French");
        cbLang->ItemIndex = 1;
        lblInfo->ParentFont = true;
        lvTasks->Columns.Add();
        lvTasks->Columns.Add();
        lvTasks->Columns.Add();
        lvTasks->Column(0)->Caption = "Name";
        lvTasks->Column(1)->Caption = "Next run";
        dlgOpen->Title = "Open";

        lang->SetNumOfLanguages(3);
        lang->SetLangNames({"English", "German", "French"});
        auto& t = lang->Tables();
        using K = TStringsType;
        *t.ListOfKind(K::stCaptions) = {
            Line({"TTestForm", "Options", "Optionen", "Options"}),
            Line({"btnOK", "OK", "OK", "D'accord"}),
            Line({"btnRun", "Run", "Starten", "Lancer"}),
            Line({"actRun", "Run", "Ausführen", "Exécuter"}),
        };
        *t.ListOfKind(K::stHints) = {
            Line({"TTestForm", "Form hint", "Formularhinweis", "Astuce"}),
            Line({"btnOK", "Accept", "Übernehmen", "Accepter"}),
        };
        *t.ListOfKind(K::stFonts) = {
            Line({"TTestForm", "Tahoma", "Arial", "Verdana"}),
            Line({"btnOK", "Tahoma", "Courier", "Tahoma"}),
            Line({"lblInfo", "Tahoma", "Courier", "Courier"}),
        };
        *t.ListOfKind(K::stCharSets) = {
            Line({"TTestForm", "DEFAULT_CHARSET", "RUSSIAN_CHARSET", "DEFAULT_CHARSET"}),
            Line({"btnOK", "DEFAULT_CHARSET", "easteurope_charset", "DEFAULT_CHARSET"}),
            Line({"lblInfo", "DEFAULT_CHARSET", "GREEK_CHARSET", "GREEK_CHARSET"}),
        };
        *t.ListOfKind(K::stMultiLines) = {
            Line({"cbLang.Items", "English,German,French", "Englisch,Deutsch,Französisch",
                  "Anglais,Allemand,Français"}),
        };
        *t.ListOfKind(K::stOtherStrings) = {Line({"dlgOpen.Title", "Open", "Öffnen", "Ouvrir"})};
        *t.ListOfKind(K::stCollections) = {
            Line({"lvTasks.Columns[0].Caption", "Name", "Name", "Nom"}),
            Line({"lvTasks.Columns[1].Caption", "Next run", "Nächster Lauf", "Prochaine exécution"}),
        };
        *t.ListOfKind(K::stStrings) = {Line({"IDS_1", "Ready", "Bereit", "Prêt"})};
        t.RebuildLookupTables();
    }

    // Every text translation touches.
    std::vector<std::string> Texts() const {
        std::vector<std::string> out{form->Caption, form->Hint, form->Font.Name, std::to_string(form->Font.Charset)};
        for (TControl* c : {btnOK, btnRun, cbLang, lblInfo})
            for (std::string s : {c->Caption, c->Hint, c->Font.Name, std::to_string(c->Font.Charset),
                                  c->Items.CommaText(), std::to_string(c->ItemIndex)})
                out.push_back(s);
        out.push_back(actRun->Caption);
        for (int i = 0; i < lvTasks->Columns.Count(); ++i) out.push_back(lvTasks->Column(i)->Caption);
        out.push_back(dlgOpen->Title);
        return out;
    }
};

}  // namespace lark::localization::testing
