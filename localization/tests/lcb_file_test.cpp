#include <gtest/gtest.h>

#include <cstdio>

#include "core/component_stream.h"
#include "core/stream.h"
#include "lang_window.h"
#include "localization/lcb_file.h"

namespace lark::localization {
namespace {

using testing::Line;
using testing::Window;
using K = TStringsType;
using Bytes = std::vector<std::uint8_t>;

void PutU16(Bytes& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutU32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

struct Entry {
    std::string name;
    Bytes component;
};

// A binary translation file in its layout: header, counts, directory, stored components.
Bytes LcbFile(const std::vector<Entry>& entries, unsigned fixed = 0, const std::string& tail = {}) {
    Bytes out(kLcbHeader.begin(), kLcbHeader.end());
    out.push_back(0);
    PutU16(out, static_cast<unsigned>(entries.size()));
    PutU16(out, fixed);
    std::size_t at = out.size();
    for (const Entry& e : entries) at += 2 + e.name.size() + 4;
    for (const Entry& e : entries) {
        PutU16(out, static_cast<unsigned>(e.name.size()));
        out.insert(out.end(), e.name.begin(), e.name.end());
        PutU32(out, static_cast<std::uint32_t>(at));
        at += e.component.size();
    }
    for (const Entry& e : entries) out.insert(out.end(), e.component.begin(), e.component.end());
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

// A stored translation component as a window's translation file carries it.
Bytes Stored(StringList captions, std::vector<std::string> names = {"English", "Deutsch", "Français"}) {
    TlcLang lang;
    lang.SetLangNames(names);
    *lang.ListOfKind(K::stCaptions) = std::move(captions);
    *lang.ListOfKind(K::stHints) = {Line({"btnOK", "Take", "Nimm", "Prends"})};
    *lang.ListOfKind(K::stStrings) = {Line({"IDS_9", "Nine", "Neun", "Neuf"})};
    TlcExtendedItem& title = lang.Tables().ExtendedTranslations().Add("dlgOpen.Title");
    title.Values = Line({"Pick", "Wähle", "Choisis"});
    title.PropertyType = TTypeKind::tkLString;
    return core::WriteComponentToBytes(lang);
}

const StringList kStoredCaptions = {Line({"btnOK", "Okay", "Jawohl", "Oui"}),
                                    Line({"TTestForm", "Settings", "Einstellungen", "Réglages"})};

class LcbFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::RegisterTestClasses();
        path = ::testing::TempDir() + "lcb_file_test.lcb";
    }
    void TearDown() override { std::remove(path.c_str()); }
    void Write(const Bytes& bytes) { core::WriteFileAtomically(path, bytes); }
    std::string path;
};

TEST_F(LcbFileTest, AWindowLoadsItsStoredComponentInFull) {
    Write(LcbFile({{"TOther", Stored({Line({"btnOK", "x", "y", "z"})})}, {"TTestForm", Stored(kStoredCaptions)}}));
    Window w;
    w.lang->SetActiveLanguage(2);
    w.lang->LoadFormFromLcbFile(path);
    // The window's own line leads, wherever the stored list had it.
    EXPECT_EQ(*w.lang->ListOfKind(K::stCaptions),
              (StringList{Line({"TTestForm", "Settings", "Einstellungen", "Réglages"}), Line({"btnOK", "Okay", "Jawohl", "Oui"})}));
    EXPECT_EQ(w.lang->LangNames().Lines(), (std::vector<std::string>{"English", "Deutsch", "Français"}));
    EXPECT_EQ(w.lang->Language(), "Deutsch");
    EXPECT_EQ(w.form->Caption, "Einstellungen");
    EXPECT_EQ(w.btnOK->Caption, "Jawohl");
    EXPECT_EQ(w.btnOK->Hint, "Nimm");
    EXPECT_EQ(w.lang->TextByIdOrDefault("IDS_9"), "Neun");
    EXPECT_EQ(w.lang->TextByIdOrDefault("IDS_1"), "");  // the stored list replaced the old one
    // Extended translations travel with the stored component.
    ASSERT_EQ(w.lang->Tables().ExtendedTranslations().Count(), 1);
    EXPECT_EQ(w.lang->Tables().ExtendedTranslations()[0].PropertyType, TTypeKind::tkLString);
    EXPECT_EQ(w.dlgOpen->Title, "Wähle");
}

TEST_F(LcbFileTest, ExtendedTranslationsStreamOnlyWhenThereAreAny) {
    TlcLang none;
    const auto plain = core::WriteComponentToBytes(none);
    EXPECT_EQ(std::string(plain.begin(), plain.end()).find("ExtendedTranslations"), std::string::npos);
    const Bytes stored = Stored(kStoredCaptions);
    const std::string text(stored.begin(), stored.end());
    EXPECT_NE(text.find("ExtendedTranslations"), std::string::npos);
    EXPECT_NE(text.find("ValuesEx"), std::string::npos);
    EXPECT_NE(text.find("W\xE4hle"), std::string::npos);  // Windows-1252
    TlcLang back;
    core::ReadComponentFromBytes(back, stored);
    ASSERT_EQ(back.Tables().ExtendedTranslations().Count(), 1);
    EXPECT_EQ(back.Tables().ExtendedTranslations()[0].Identifier, "dlgOpen.Title");
    EXPECT_EQ(back.Tables().ExtendedTranslations()[0].Values, Line({"Pick", "Wähle", "Choisis"}));
}

TEST_F(LcbFileTest, OneKindLoadsThroughAFullTemporaryComponent) {
    Write(LcbFile({{"TTestForm", Stored(kStoredCaptions)}}));
    Window w;
    const StringList captions = *w.lang->ListOfKind(K::stCaptions);
    w.lang->LoadKindFromLcbFile(K::stStrings, path);
    EXPECT_EQ(w.lang->TextByIdOrDefault("IDS_9"), "Nine");
    EXPECT_EQ(*w.lang->ListOfKind(K::stCaptions), captions);
    w.lang->LoadKindFromLcbFile(K::stCaptions, path);
    EXPECT_EQ(w.lang->ListOfKind(K::stCaptions)->front(), Line({"TTestForm", "Settings", "Einstellungen", "Réglages"}));
    // A linked component keeps dialog captions only as copies of its container's: that kind
    // loads nothing from a file.
    TlcLangLinked linked;
    const StringList copies = *linked.ListOfKind(K::stDlgsCaptions);
    linked.LoadKindFromLcbFile(K::stDlgsCaptions, path);
    EXPECT_EQ(*linked.ListOfKind(K::stDlgsCaptions), copies);
}

// The reader's rules, one row each: what the file holds and what the window keeps.
TEST_F(LcbFileTest, DirectoryRules) {
    struct Row {
        const char* what;
        Bytes file;
        std::string caption;  // of btnOK after loading with language 2 active
        int activeLanguage;
    } rows[] = {
        {"no entries", LcbFile({}), "OK", 2},
        {"the first of two entries of the class", LcbFile({{"TTestForm", Stored(kStoredCaptions)},
                                                           {"TTestForm", Stored({Line({"btnOK", "2", "2", "2"})})}}),
         "Jawohl", 2},
        {"a class name in other case does not match", LcbFile({{"TTESTFORM", Stored(kStoredCaptions)}}), "OK", 2},
        {"the fixed-languages flag loads nothing", LcbFile({{"TTestForm", Stored(kStoredCaptions)}}, 1, "German\r\nFrench\r\n"),
         "OK", 2},
        {"fewer language names than the active language keep it",
         LcbFile({{"TTestForm", Stored(kStoredCaptions, {"English"})}}), "Jawohl", 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Write(row.file);
        Window w;
        w.lang->SetActiveLanguage(2);
        EXPECT_NO_THROW(w.lang->LoadFormFromLcbFile(path));
        EXPECT_EQ(w.btnOK->Caption, row.caption);
        EXPECT_EQ(w.lang->ActiveLanguage(), row.activeLanguage);
    }
    TLCBFileManager manager;
    Window w;
    // The fixed-language lines follow the flag.
    core::MemoryStream fixed(LcbFile({}, 1, "German\r\nFrench\r\ngerman\r\n"));
    manager.ReadLcbStream(*w.lang, "TTestForm", fixed);
    EXPECT_EQ(manager.FixedLanguages(), (StringList{"French", "German"}));
}

TEST_F(LcbFileTest, DamagedFilesGiveACleanErrorAndLeaveTheWindowAlone) {
    const Bytes good = LcbFile({{"TOther", Stored({})}, {"TTestForm", Stored(kStoredCaptions)}});
    Write(Bytes(good.begin() + 1, good.end()));
    Window w;
    try {
        w.lang->LoadFormFromLcbFile(path);
        FAIL();
    } catch (const core::Error& e) {
        EXPECT_NE(std::string(e.what()).find("Unrecognized stream format!"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
    }
    const TranslationLists before = w.lang->Tables().Lists();
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        core::MemoryStream stream(good.data(), cut);
        TLCBFileManager manager;
        try {
            manager.ReadLcbStream(*w.lang, "TTestForm", stream);
        } catch (const core::Error&) {
        }
        ASSERT_EQ(w.lang->Tables().Lists(), before) << cut;
        ASSERT_FALSE(w.lang->ApplySuspended) << cut;
    }
    // An offset beyond the data and a stored component of a class that is no translation component.
    Bytes beyond = LcbFile({{"TTestForm", Stored(kStoredCaptions)}});
    beyond[46 + 2 + 9] = 0xFF;
    beyond[46 + 2 + 9 + 3] = 0x7F;
    core::MemoryStream far(beyond);
    EXPECT_THROW(TLCBFileManager().ReadLcbStream(*w.lang, "TTestForm", far), core::Error);
    testing::TOpenDialog dialog;
    core::MemoryStream foreign(LcbFile({{"TTestForm", core::WriteComponentToBytes(dialog)}}));
    EXPECT_THROW(TLCBFileManager().ReadLcbStream(*w.lang, "TTestForm", foreign), core::Error);
    EXPECT_EQ(w.lang->Tables().Lists(), before);
}

TEST_F(LcbFileTest, TheDispatcherReadsABinaryFileAtLinking) {
    path = ::testing::TempDir() + "lcb_file_test_dispatch.lcb";
    Write(LcbFile({{"TTestForm", Stored(kStoredCaptions)}}));
    TlcLangDispatcher dispatcher;
    dispatcher.SetLangNames({"English", "German", "French"});
    dispatcher.SetActiveLanguage(3);
    dispatcher.FileName = path;
    Window w;
    w.lang->SetLangDispatcher(&dispatcher);
    ASSERT_NE(dispatcher.LcbReader(), nullptr);
    EXPECT_EQ(w.btnOK->Caption, "Oui");
    EXPECT_EQ(w.form->Caption, "Réglages");
    EXPECT_TRUE(IsLcbFileName("a.lcb"));
    EXPECT_TRUE(IsLcbFileName("A.LcB"));
    EXPECT_FALSE(IsLcbFileName("a.ini"));
    EXPECT_FALSE(IsLcbFileName("lcb"));
}

}  // namespace
}  // namespace lark::localization
