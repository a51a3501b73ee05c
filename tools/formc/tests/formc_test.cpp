#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/collection.h"
#include "core/component_stream.h"
#include "core/stream.h"
#include "core/published.h"
#include "core/strings_object.h"
#include "formc/form_definition.h"
#include "localization/translation_format.h"

using namespace lark;
using namespace lark::formc;

namespace {

const std::string kFixtures = LARK_FORMC_FIXTURES;

std::vector<std::uint8_t> Compile(std::string_view text, std::span<const FormFile> known = {}) {
    return CompileDefinition(ParseDefinition(text, "t.form"), known);
}

// The diagnostics of a definition, as the command line prints them.
std::vector<std::string> Findings(std::string_view text, std::span<const FormFile> known = {},
                                  const std::string& path = "t.form") {
    std::vector<std::string> out;
    try {
        for (const Diagnostic& d : CheckDefinition(ParseDefinition(text, path), known)) out.push_back(d.Text());
    } catch (const DefinitionError& e) {
        for (const Diagnostic& d : e.Diagnostics()) out.push_back(d.Text());
    }
    return out;
}

struct Bytes {
    std::vector<std::uint8_t> v;
    Bytes& Raw(std::initializer_list<int> list) {
        for (int b : list) v.push_back(static_cast<std::uint8_t>(b));
        return *this;
    }
    Bytes& Short(std::string_view s) {
        v.push_back(static_cast<std::uint8_t>(s.size()));
        v.insert(v.end(), s.begin(), s.end());
        return *this;
    }
};

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (std::uint8_t b : bytes) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    return out;
}

// The hexadecimal digits of the TranslationData a dump shows.
std::string TranslationDataHex(const std::string& dump) {
    std::size_t at = dump.find("TranslationData = {");
    if (at == std::string::npos) return {};
    std::string hex;
    for (at += 19; at < dump.size() && dump[at] != '}'; ++at)
        if (dump[at] != ' ' && dump[at] != '\n') hex += dump[at];
    return hex;
}

}  // namespace

TEST(Formc, EveryValueFormCompilesToItsTags) {
    const char* text = R"(# every value form
TForm Main {
  Tag = 300
  Left = -2
  Caption = "Hi"
  Visible = False
  Align = alClient
  Anchors = [akLeft, akTop]
  Days = []
  Ratio = 0.5
  Items.Strings = ("a" "b")
  Columns = < { Width = 5 } >
  Blob = { 0aFF }
  Action = Other.acNew
  TButton b {
  }
}
)";
    Bytes expected;
    expected.Raw({'T', 'P', 'F', '0'}).Short("TForm").Short("Main");
    expected.Short("Tag").Raw({0x03, 0x2C, 0x01});
    expected.Short("Left").Raw({0x02, 0xFE});
    expected.Short("Caption").Raw({0x06}).Short("Hi");
    expected.Short("Visible").Raw({0x08});
    expected.Short("Align").Raw({0x07}).Short("alClient");
    expected.Short("Anchors").Raw({0x0B}).Short("akLeft").Short("akTop").Short("");
    expected.Short("Days").Raw({0x0B}).Short("");
    expected.Short("Ratio").Raw({0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x3F});
    expected.Short("Items.Strings").Raw({0x01, 0x06}).Short("a").Raw({0x06}).Short("b").Raw({0x00});
    expected.Short("Columns").Raw({0x0E, 0x01}).Short("Width").Raw({0x02, 0x05, 0x00, 0x00});
    expected.Short("Blob").Raw({0x0A, 2, 0, 0, 0, 0x0A, 0xFF});
    expected.Short("Action").Raw({0x07}).Short("Other.acNew");
    expected.Raw({0x00});
    expected.Short("TButton").Short("b").Raw({0x00, 0x00});
    expected.Raw({0x00});
    FormFile other = ParseDefinition("TOther Other { TAction acNew { } }", "other.form");
    EXPECT_EQ(Compile(text, {&other, 1}), expected.v);
}

TEST(Formc, TheTranslationTableGoesIntoTheStreamAndColumnOneIntoTheProperties) {
    std::vector<FormFile> known = {LoadDefinition(kFixtures + "/test_main.form")};
    std::vector<std::uint8_t> bytes =
        CompileDefinition(LoadDefinition(kFixtures + "/confirm_dialog.form"), known);
    std::string text = DumpComponentStream(bytes);

    localization::TranslationLists lists(localization::ListSet::Full);
    *lists.ListOfKind(localization::TStringsType::stCaptions) = {
        "TConfirmDialog\x01" "Confirm\x01" "Bestätigen\x01" "Confirmer\x01",
        "btnYes\x01&Yes\x01&Ja\x01&Oui\x01", "btnNo\x01&No\x01&Nein\x01&Non\x01"};
    *lists.ListOfKind(localization::TStringsType::stHints) = {
        "btnYes\x01" "Delete the task\x01" "Die Aufgabe löschen\x01" "Supprimer la tâche\x01"};
    *lists.ListOfKind(localization::TStringsType::stStrings) = {
        "strConfirm\x01" "Delete \"%s\"?\x01" "„%s“ löschen?\x01" "Supprimer « %s » ?\x01"};
    std::string payload = Hex(localization::WriteTranslationData(lists));

    std::string expectedTail = R"(  TlcLang lcLang {
    LangDispatcher = TestMain.lcDispatcher
    NumOfLanguages = 3
    LangNames.Strings = (
      "English"
      "Deutsch"
      "Français"
    )
    TranslationData = {
)";
    EXPECT_NE(text.find("  OnShow = FormShow\n  Caption = \"Confirm\"\n  TLabel lblQuestion {"), std::string::npos) << text;
    EXPECT_NE(text.find("    TabOrder = 0\n    Caption = \"&Yes\"\n    Hint = \"Delete the task\"\n  }"), std::string::npos)
        << text;
    EXPECT_NE(text.find("    TabOrder = 1\n    Caption = \"&No\"\n  }"), std::string::npos) << text;
    EXPECT_NE(text.find(expectedTail), std::string::npos) << text;
    EXPECT_EQ(TranslationDataHex(text), payload);
}

TEST(Formc, TheBuildCompilesEachDefinitionOfATarget) {
    std::vector<FormFile> known = {LoadDefinition(kFixtures + "/test_main.form")};
    EXPECT_EQ(core::ReadFileBytes(std::string(LARK_FORMC_BUILT) + "/TConfirmDialog.tpf"),
              CompileDefinition(LoadDefinition(kFixtures + "/confirm_dialog.form"), known));
}

TEST(Formc, TextToStreamToTextIsStable) {
    std::vector<FormFile> known = {LoadDefinition(kFixtures + "/test_main.form")};
    std::vector<std::uint8_t> first = CompileDefinition(LoadDefinition(kFixtures + "/confirm_dialog.form"), known);
    std::string text = DumpComponentStream(first);
    std::vector<std::uint8_t> second = CompileDefinition(ParseDefinition(text, "dump.form"), known);
    EXPECT_EQ(second, first);
    EXPECT_EQ(DumpComponentStream(second), text);
}

namespace {
// A component as the task file and the windows stream them, written by core's own writer.
class SampleItem : public core::CollectionItem {
    LARK_PERSISTENT_CLASS(SampleItem)
public:
    std::string text;
    double when = 0;
};
class Sample : public core::Component {
    LARK_PERSISTENT_CLASS(Sample)
public:
    explicit Sample(core::Component* owner = nullptr)
        : core::Component(owner), items(SampleItem::StaticClass(), this) {}
    std::string caption, wide;
    std::int64_t big = 0;
    core::StringsObject lines;
    core::Collection items;
    core::Component* link = nullptr;
    core::Collection* Items() { return &items; }
    core::StringsObject* Lines() { return &lines; }
};
LARK_DEFINE_CLASS(Sample) {
    return core::ClassBuilder<Sample>("TSample", &core::Component::StaticClass())
        .Field("Caption", core::StringType(), &Sample::caption)
        .Field("Wide", core::WideStringType(), &Sample::wide)
        .Field("Big", core::Int64Type(), &Sample::big)
        .Object("Lines", core::ClassTypeOf<core::StringsObject>(), &Sample::Lines)
        .Object("Items", core::ClassTypeOf<core::Collection>(), &Sample::Items)
        .Custom(
            "Link", core::ClassTypeOf<core::Component>(),
            [](const Sample& s) { return core::Value(static_cast<core::Persistent*>(s.link)); },
            [](Sample& s, const core::Value& v) { s.link = dynamic_cast<core::Component*>(core::AsObject(v)); })
        .Build();
}
LARK_DEFINE_CLASS(SampleItem) {
    return core::ClassBuilder<SampleItem>("TSampleItem", &core::CollectionItem::StaticClass())
        .Field("Text", core::StringType(), &SampleItem::text)
        .Field("When", core::DateTimeType(), &SampleItem::when)
        .Build();
}
}  // namespace

TEST(Formc, AnyStreamOfTheWriterDumpsAndCompilesBackByteForByte) {
    Sample root;
    root.SetName("Root");
    root.caption = "tab\there \"quoted\" \\ and\nline";
    root.wide = "日本 and Ünïcödé";
    root.big = std::int64_t(1) << 40;
    root.lines.SetCommaText("one,two,\"three four\"");
    for (int i = 0; i < 3; ++i) {
        auto* item = static_cast<SampleItem*>(root.items.Add());
        item->text = std::string(300 * i, 'x');
        item->when = 45000.25 + i / 3.0;
    }
    auto* child = root.Create<Sample>();
    child->SetName("Child");
    root.link = child;
    std::vector<std::uint8_t> bytes = core::WriteComponentToBytes(root);
    std::string text = DumpComponentStream(bytes);
    EXPECT_EQ(Compile(text), bytes) << text;
}

TEST(Formc, DamagedStreamsGiveAnError) {
    std::vector<FormFile> known = {LoadDefinition(kFixtures + "/test_main.form")};
    std::vector<std::uint8_t> bytes = CompileDefinition(LoadDefinition(kFixtures + "/confirm_dialog.form"), known);
    for (std::size_t cut = 0; cut < bytes.size(); cut += 7) {
        std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        EXPECT_THROW(DumpComponentStream(part), core::Error) << cut;
    }
    bytes.push_back(0);
    EXPECT_THROW(DumpComponentStream(bytes), core::Error);
    // A name the syntax cannot show is refused rather than printed as something else.
    std::vector<std::uint8_t> blank = {'T', 'P', 'F', '0', 4, 'T', ' ', 'F', 'x', 0, 0, 0};
    EXPECT_THROW(DumpComponentStream(blank), core::Error);
}

TEST(Formc, EachCheckReportsItsPosition) {
    FormFile other = ParseDefinition("TOther Other {\n  TAction acNew {\n  }\n}\n", "other.form");
    FormFile base = ParseDefinition("TTemplate Template {\n  TPanel pnlButtons {\n  }\n}\n", "template.form");
    std::vector<FormFile> known = {other, base};
    struct Case {
        const char* what;
        const char* text;
        std::vector<std::string> findings;
    } cases[] = {
        {"missing =", "TForm F {\n  Caption \"x\"\n}\n", {"t.form:2:11: expected = after Caption"}},
        {"open string", "TForm F {\n  Caption = \"x\n}\n", {"t.form:2:13: string without closing \""}},
        {"unclosed component", "TForm F {\n  Tag = 1\n", {"t.form:1:1: component F has no closing }"}},
        {"bad escape", "TForm F {\n  Caption = \"\\q\"\n}\n", {"t.form:2:16: unknown escape \\q"}},
        {"columns count characters", "TForm F {\n  Caption = \"Größe\" \"y\"\n}\n",
         {"t.form:2:21: expected a property, a component or translations"}},
        {"odd hex", "TForm F {\n  Blob = { 0A1 }\n}\n", {"t.form:2:15: hexadecimal digits come in pairs"}},
        {"trailing text", "TForm F {\n}\n}\n", {"t.form:3:1: text after the end of the definition"}},
        {"huge integer", "TForm F {\n  Tag = 99999999999999999999\n}\n", {"t.form:2:9: integer out of range"}},
        {"duplicate name", "TForm F {\n  TButton b {\n  }\n  TPanel p {\n    TLabel B {\n    }\n  }\n}\n",
         {"t.form:5:5: duplicate component name B (first at 2:3)"}},
        {"unknown base", "TForm F : TNothing {\n}\n", {"t.form:1:1: base TNothing is no known form"}},
        {"reference to no form", "TForm F {\n  Action = Nowhere.acNew\n}\n",
         {"t.form:2:12: reference Nowhere.acNew: Nowhere is no known form"}},
        {"reference to no component", "TForm F {\n  Items = < { Action = Other.acOld } >\n}\n",
         {"t.form:2:24: reference Other.acOld: Other has no component acOld"}},
        {"own reference", "TForm F {\n  TButton b {\n    Action = F.a\n  }\n  TAction a {\n  }\n}\n", {}},
        {"missing file", "TForm F {\n  Picture = file(\"no-such.bmp\")\n}\n",
         {"t.form:2:13: file no-such.bmp not found"}},
        {"texts per language",
         "TForm F {\n  TlcLang l {\n    translations {\n      languages \"A\" \"B\"\n      strings {\n"
         "        s1 \"a\"\n        s2 \"a\" \"b\" \"c\"\n        s3 \"a\" \"b\"\n      }\n    }\n  }\n}\n",
         {"t.form:6:9: row s1 has 1 text for 2 languages", "t.form:7:9: row s2 has 3 texts for 2 languages"}},
        {"row names no component",
         "TForm F {\n  TlcLang l {\n    translations {\n      languages \"A\"\n      captions {\n        btnGone \"a\"\n"
         "      }\n      hints {\n        TForm \"h\"\n      }\n    }\n  }\n}\n",
         {"t.form:6:9: captions row btnGone: btnGone is no component of the definition"}},
        {"text in body and table",
         "TForm F {\n  TButton b {\n    Caption = \"OK\"\n  }\n  TlcLang l {\n    translations {\n"
         "      languages \"A\"\n      captions {\n        b \"OK\"\n      }\n    }\n  }\n}\n",
         {"t.form:3:5: b.Caption is also in the captions table (row at 9:9): translated text is written only in "
          "the table"}},
        {"collection item in body and table",
         "TForm F {\n  TListView lv {\n    Columns = < { Caption = \"x\" } >\n  }\n  TlcLang l {\n    translations {\n"
         "      languages \"A\"\n      collections {\n        lv.Columns[0].Caption \"Name\"\n"
         "        lv.Columns[1].Caption \"Size\"\n      }\n    }\n  }\n}\n",
         {"t.form:3:19: lv.Columns[0].Caption is also in the collections table (row at 9:9): translated text is "
          "written only in the table",
          "t.form:10:9: collections row lv.Columns[1].Caption: lv.Columns has no item 1"}},
        {"unknown list and duplicate row",
         "TForm F {\n  TlcLang l {\n    translations {\n      languages \"A\"\n      labels {\n      }\n"
         "      strings {\n        s \"a\"\n        S \"b\"\n      }\n    }\n  }\n}\n",
         {"t.form:5:7: unknown translation list labels", "t.form:9:9: duplicate row S in strings (first at 8:9)"}},
        {"string list items per language",
         "TForm F {\n  TRadioGroup rg {\n  }\n  TlcLang l {\n    translations {\n      languages \"A\" \"B\" \"C\" \"D\"\n"
         "      multilines {\n        rg.Items \"&One,\\\"Two words\\\"\" \"&Un,\\\"Deux mots\\\"\" \"&Eins,Zwei Worte\" \"\"\n"
         "      }\n    }\n  }\n}\n",
         {"t.form:8:9: row rg.Items has 3 items in C and 2 in A"}},
        {"rows of the base", "TDialog D : TTemplate {\n  TlcLang l {\n    translations {\n      languages \"A\"\n"
                             "      captions {\n        pnlButtons \"p\"\n      }\n    }\n  }\n}\n",
         {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Findings(c.text, known), c.findings) << c.what;
}

TEST(Formc, GeneratedPropertiesAreNotWrittenByHand) {
    const char* text =
        "TForm F {\n  TlcLang l {\n    NumOfLanguages = 2\n    translations {\n      languages \"A\"\n    }\n  }\n}\n";
    try {
        Compile(text);
        FAIL() << "no error";
    } catch (const DefinitionError& e) {
        EXPECT_STREQ(e.what(), "t.form:3:5: NumOfLanguages comes from the translations block");
    }
    const char* linked = "TForm F {\n  TlcLangLinked l {\n    translations {\n      languages \"A\"\n"
                         "      dlgscaptions {\n        Yes \"Yes\"\n      }\n    }\n  }\n}\n";
    EXPECT_EQ(Findings(linked), std::vector<std::string>{"t.form:5:7: a TlcLangLinked has no dlgscaptions list"});
}

TEST(Formc, RowsOfEveryKindReachTheirProperties) {
    const char* text = R"(TForm F {
  TComboBox cb {
  }
  TListView lv {
    Columns = < { Width = 50 } { Width = 60 } >
  }
  TOpenDialog dlg {
  }
  TlcLang l {
    translations {
      languages "English" "Deutsch"
      captions {
        cb "Combo" "Kombi"
        TForm "Window" "Fenster"
      }
      multilines {
        cb.Items "one,two" "eins,zwei"
      }
      otherstrings {
        dlg.Title "Open" "Öffnen"
        TForm.Font.Name "Tahoma" "Arial"
      }
      collections {
        lv.Columns[1].Caption "Size" "Größe"
      }
    }
  }
}
)";
    std::string dump = DumpComponentStream(Compile(text));
    EXPECT_NE(dump.find("TForm F {\n  Caption = \"Window\"\n  Font.Name = \"Tahoma\"\n  TComboBox cb {\n"
                        "    Caption = \"Combo\"\n    Items.Strings = (\n      \"one\"\n      \"two\"\n    )\n  }\n"),
              std::string::npos)
        << dump;
    EXPECT_NE(dump.find("    Columns = <\n      {\n        Width = 50\n      }\n      {\n        Width = 60\n"
                        "        Caption = \"Size\"\n      }\n    >\n"),
              std::string::npos)
        << dump;
    EXPECT_NE(dump.find("  TOpenDialog dlg {\n    Title = \"Open\"\n  }\n"), std::string::npos) << dump;
    // The window's own caption row leads its list, as the runtime expects.
    localization::TranslationLists lists;
    *lists.ListOfKind(localization::TStringsType::stCaptions) = {"TForm\x01Window\x01" "Fenster\x01",
                                                                 "cb\x01" "Combo\x01Kombi\x01"};
    *lists.ListOfKind(localization::TStringsType::stMultiLines) = {"cb.Items\x01one,two\x01" "eins,zwei\x01"};
    *lists.ListOfKind(localization::TStringsType::stOtherStrings) = {"dlg.Title\x01Open\x01Öffnen\x01",
                                                                     "TForm.Font.Name\x01Tahoma\x01" "Arial\x01"};
    *lists.ListOfKind(localization::TStringsType::stCollections) = {"lv.Columns[1].Caption\x01Size\x01Größe\x01"};
    EXPECT_EQ(TranslationDataHex(dump), Hex(localization::WriteTranslationData(lists)));
}

TEST(Formc, QuotedRowNamesHoldBlanksAndStillNameComponentsWhereTheyMust) {
    const char* text = R"(TForm F {
  TButton btnOk {
  }
  TlcLang l {
    translations {
      languages "English" "Deutsch"
      captions {
        "btnOk" "OK" "OK"
      }
      dlgscaptions {
        Yes "&Yes" "&Ja"
        "Yes To All"
          "Y&es To All"
          "Ja, a&lle"
        "No To All" "N&o To All" "Nein, &keine"
      }
    }
  }
}
)";
    std::vector<std::uint8_t> bytes = Compile(text);
    std::string dump = DumpComponentStream(bytes);
    EXPECT_NE(dump.find("  TButton btnOk {\n    Caption = \"OK\"\n  }\n"), std::string::npos) << dump;
    localization::TranslationLists lists;
    *lists.ListOfKind(localization::TStringsType::stCaptions) = {"btnOk\x01OK\x01OK\x01"};
    *lists.ListOfKind(localization::TStringsType::stDlgsCaptions) = {
        "Yes\x01&Yes\x01&Ja\x01", "Yes To All\x01Y&es To All\x01Ja, a&lle\x01",
        "No To All\x01N&o To All\x01Nein, &keine\x01"};
    EXPECT_EQ(TranslationDataHex(dump), Hex(localization::WriteTranslationData(lists)));
    EXPECT_EQ(Compile(dump), bytes);

    auto table = [](const char* rows) {
        return std::string("TForm F {\n  TlcLang l {\n    translations {\n      languages \"A\" \"B\"\n") + rows +
               "    }\n  }\n}\n";
    };
    EXPECT_EQ(Findings(table("      captions {\n        \"Yes To All\" \"a\" \"b\"\n      }\n")),
              std::vector<std::string>{"t.form:6:9: captions row Yes To All: Yes To All is no component of the "
                                       "definition"});
    EXPECT_EQ(Findings(table("      hints {\n        \"l.Hint\" \"a\" \"b\"\n      }\n")),
              std::vector<std::string>{"t.form:6:9: hints row l.Hint must name a component, without a property"});
    EXPECT_EQ(Findings(table("      strings {\n        \"any name. at all\" \"a\" \"b\"\n      }\n")),
              std::vector<std::string>{});
    EXPECT_EQ(Findings(table("      dlgscaptions {\n        \"\" \"a\" \"b\"\n      }\n")),
              std::vector<std::string>{"t.form:6:9: a quoted row name is empty"});
    EXPECT_EQ(Findings(table("      strings {\n        \"x\\x01y\" \"a\" \"b\"\n        s \"a\\x01\" \"b\"\n      }\n")),
              (std::vector<std::string>{"t.form:6:9: row x\x01y holds the language delimiter \\x01",
                                        "t.form:7:9: row s holds the language delimiter \\x01"}));
    // A row's texts go on over lines until every language has one; then a string opens a row.
    EXPECT_EQ(Findings(table("      strings {\n        s \"a\"\n        \"b\"\n        \"t u\" \"c\" \"d\"\n      }\n")),
              std::vector<std::string>{});
}
