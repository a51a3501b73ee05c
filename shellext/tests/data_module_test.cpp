// The data module as the extension reads it: the compiled definition, the language chosen
// from the system's language, the texts by identifier and the rename texts.
#include "shellext/data_module.h"

#include "localization/dialog_captions.h"
#include "localization/lang_component.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

using namespace lark::shellext;

namespace {

std::vector<std::uint8_t> Definition() {
    std::ifstream in(LARK_SHELLEXT_FORMS "/TDM.tpf", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(DataModule, LanguageFollowsThePrimaryLanguageOfTheSystem) {
    struct Case { int id; int language; const char* places; } cases[] = {
        {0x0407, 2, "LARK-FTP Verbindungen"}, {0x0807, 2, "LARK-FTP Verbindungen"},
        {0x040C, 3, "Connexions LARK-FTP"},   {0x080C, 3, "Connexions LARK-FTP"},
        {0x0409, 1, "LARK-FTP Network Places"}, {0x0410, 1, "LARK-FTP Network Places"},
        {-1, 1, "LARK-FTP Network Places"},
    };
    const auto bytes = Definition();
    ASSERT_FALSE(bytes.empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(LanguageOfSystemLanguage(c.id), c.language);
        auto dm = TDM::Create(bytes, c.id);
        EXPECT_EQ(dm->Language(), c.language);
        EXPECT_EQ(dm->Text("STR_50"), c.places);
    }
}

TEST(DataModule, TextsThatBrokeAtRunTimeAreFixed) {
    auto dm = TDM::Create(Definition(), 0x040C);
    EXPECT_EQ(dm->Text("strsCannotRenameProfile").substr(0, 7), "%s ne p");
    EXPECT_EQ(dm->Text("STR_79"), "Nouveau répertoire");
    EXPECT_EQ(dm->Text("STR_0"), "Pas de connexion à ");
    dm->SetLanguage(2);
    EXPECT_EQ(dm->Text("STR_0"), "Keine Verbindung zu ");
    dm->SetLanguage(1);
    EXPECT_EQ(dm->Text("STR_0"), "Cannot connect to ");
    EXPECT_EQ(dm->Text("STR_19"), "Are you sure you want to delete \"");
    EXPECT_EQ(dm->Text("IDS_2"), "help.chm");
    EXPECT_EQ(dm->Text("no such id"), "");
}

TEST(DataModule, ChangingTheLanguageRefreshesTheRenameTexts) {
    auto dm = TDM::Create(Definition(), 0x0409);
    EXPECT_EQ(dm->Texts().nonEmptyRequired, "You must type a non-empty name.");
    EXPECT_EQ(dm->Texts().error, "Error");
    EXPECT_EQ(dm->Texts().errorRenaming, "Error renaming file or folder");
    dm->SetLanguage(3);
    EXPECT_EQ(dm->Texts().nonEmptyRequired, "Le nom doit contenir des caractères !");
    EXPECT_EQ(dm->Texts().error, "Erreur");
    EXPECT_EQ(dm->Texts().cannotRenameFile.substr(0, 2), "%s");
    // A change through the dispatcher (every linked component follows) reaches them too.
    dm->Dispatcher().SetActiveLanguage(2);
    EXPECT_EQ(dm->Texts().error, "Fehler");
}

TEST(DataModule, ADamagedDefinitionIsRefused) {
    auto bytes = Definition();
    bytes.resize(bytes.size() / 2);
    EXPECT_THROW(TDM::Create(bytes, 0x0409), lark::core::Error);
    EXPECT_THROW(TDM::Create(std::vector<std::uint8_t>{}, 0x0409), lark::core::Error);
}

// Message boxes take their buttons from this table: no default line may fall back to English.
TEST(DataModule, EveryDialogCaptionHasItsGermanAndFrenchText) {
    auto dm = TDM::Create(Definition(), 0x0407);
    for (std::string_view caption : lark::localization::DefaultDialogCaptions()) {
        const std::string id = lark::localization::DialogCaptionIdentifier(caption);
        SCOPED_TRACE(id);
        EXPECT_EQ(dm->Lang().FindField(lark::localization::TStringsType::stDlgsCaptions, id, 1), caption);
        for (int language : {2, 3})
            EXPECT_NE(dm->Lang().FindField(lark::localization::TStringsType::stDlgsCaptions, id, language), "");
    }
    EXPECT_EQ(dm->Lang().LookupText(lark::localization::TStringsType::stDlgsCaptions, "Yes To All", true), "Ja, a&lle");
    EXPECT_EQ(dm->Lang().LookupText(lark::localization::TStringsType::stDlgsCaptions, "No To All", true), "Nein, &keine");
}

// Questions built from pieces of the table read as sentences in every language: a blank on each
// side of the quoted name and of the number, a blank after every full stop.
TEST(DataModule, PiecedTextsKeepTheirBlanks) {
    auto dm = TDM::Create(Definition(), 0x0409);
    for (int language = 1; language <= 3; ++language) {
        dm->SetLanguage(language);
        SCOPED_TRACE(language);
        const std::string folder = dm->Text("STR_19") + "Docs" + dm->Text("STR_47");
        EXPECT_NE(folder.find(" \"Docs\" "), std::string::npos) << folder;
        std::string lead = dm->Text("STR_74");
        if (!lead.empty() && lead.back() != ' ') lead += ' ';  // as the delete action joins them
        const std::string several = lead + "3" + dm->Text("STR_70");
        EXPECT_NE(several.find(" 3 "), std::string::npos) << several;
        for (const char* id : {"strsCannotRename", "strsCannotRenameFile", "strsCannotRenameProfile"}) {
            const std::string text = dm->Text(id);
            for (std::size_t dot = text.find('.'); dot != std::string::npos && dot + 1 < text.size();
                 dot = text.find('.', dot + 1))
                EXPECT_EQ(text[dot + 1], ' ') << text;
        }
    }
}
