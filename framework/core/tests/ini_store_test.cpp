#include "core/ini_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/errors.h"
#include "core/stream.h"
#include "core/text_encoding.h"

using namespace lark::core;
namespace fs = std::filesystem;

namespace {

const char* const kSample =
    "; settings written by hand\r\n"
    "orphan=before any section\r\n"
    "[FTPServers]\r\n"
    "Count=2\r\n"
    "  Item0_ProfileName  =  \"  Quoted  \"  \r\n"
    "Item1_ProfileName='single'\r\n"
    "Item2_ProfileName=\"unbalanced'\r\n"
    "Half=\"\r\n"
    "Inner=a \"b\" c\r\n"
    "count=99\r\n"
    "no equals sign here\r\n"
    ";Count=comment\r\n"
    "=no key\r\n"
    "Empty=\r\n"
    "\r\n"
    "[ Options ]\n"
    "Hex=0x1F\n"
    "Dollar=$ff\n"
    "Negative=-12\n"
    "Bad=12abc\n"
    "Big=99999999999\n"
    "Float=2.5\n"
    "Word=true\n"
    "Path=C:\\Program Files\\x=y\n"
    "[ftpservers]\r"
    "Count=7\r"
    "Extra=shadowed\r";

struct ReadCase {
    const char* section;
    const char* key;
    const char* expected;
};

TEST(IniStore, ReadsWithThePrivateProfileRules) {
    IniStore ini;
    ini.LoadFromText(kSample);
    const ReadCase cases[] = {
        {"FTPServers", "Count", "2"},                  // first of the duplicate keys
        {"ftpservers", "COUNT", "2"},                  // names without case
        {" FTPServers ", " Count ", "2"},              // blanks trimmed
        {"FTPServers", "Item0_ProfileName", "  Quoted  "},  // quotes stripped, inside kept
        {"FTPServers", "Item1_ProfileName", "single"},
        {"FTPServers", "Item2_ProfileName", "\"unbalanced'"},
        {"FTPServers", "Half", "\""},
        {"FTPServers", "Inner", "a \"b\" c"},
        {"FTPServers", "Empty", ""},
        {"FTPServers", "Extra", "<default>"},          // the later section of a name is shadowed
        {"FTPServers", "no equals sign here", "<default>"},
        {"FTPServers", ";Count", "<default>"},
        {"FTPServers", "orphan", "<default>"},
        {"", "orphan", "<default>"},
        {"Options", "Path", "C:\\Program Files\\x=y"},
        {"Missing", "Count", "<default>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.expected)
            << c.section << "/" << c.key;

    struct { const char* key; int expected; } ints[] = {
        {"Hex", 31}, {"Dollar", 255}, {"Negative", -12}, {"Bad", -1}, {"Big", -1},
        {"Float", -1}, {"Word", -1}, {"Missing", -1},
    };
    for (const auto& c : ints) EXPECT_EQ(ini.ReadInteger("Options", c.key, -1), c.expected) << c.key;
    EXPECT_EQ(ini.ReadInteger("FTPServers", "Empty", 5), 5);
    EXPECT_TRUE(ini.ReadBool("Options", "Hex", false));
    EXPECT_TRUE(ini.ReadBool("Options", "Word", true));  // no integer: the default
    EXPECT_FALSE(ini.ReadBool("Options", "Word", false));
    EXPECT_EQ(ini.ReadFloat("Options", "Float", 0), 2.5);
    EXPECT_EQ(ini.ReadFloat("Options", "Word", 1.5), 1.5);

    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"FTPServers", "Options"}));
    EXPECT_EQ(ini.ReadSection("ftpservers"),
              (std::vector<std::string>{"Count", "Item0_ProfileName", "Item1_ProfileName",
                                        "Item2_ProfileName", "Half", "Inner", "Empty"}));
    StringList values = ini.ReadSectionValues("Options");
    EXPECT_EQ(values.Count(), 8);
    EXPECT_EQ(values.Values("path"), "C:\\Program Files\\x=y");
    EXPECT_TRUE(ini.SectionExists("options"));
    EXPECT_FALSE(ini.SectionExists("Missing"));
    EXPECT_TRUE(ini.ValueExists("FTPServers", "empty"));
    EXPECT_FALSE(ini.ValueExists("FTPServers", "Extra"));
}

TEST(IniStore, TextIsWindows1252OnDisk) {
    IniStore ini;
    ini.LoadFromText("[Sprache]\r\nText=Gr\xFC\xDF" "e \x80\r\n[\xC4nderung]\r\nA=1\r\n");
    EXPECT_EQ(ini.ReadString("Sprache", "Text", ""), "Grüße €");
    EXPECT_EQ(ini.ReadInteger("änderung", "a", 0), 1);  // folded across the code page too
    ini.WriteString("Sprache", "Neu", "Ça \u4E2D");
    EXPECT_EQ(ini.SaveToText(),
              "[Sprache]\r\nText=Gr\xFC\xDF" "e \x80\r\nNeu=\xC7" "a ?\r\n[\xC4nderung]\r\nA=1\r\n");

    // A file that announces UTF-8 stays UTF-8.
    IniStore utf8;
    utf8.LoadFromText("\xEF\xBB\xBF[S]\r\nK=\u4E2D\xFF\r\n");
    EXPECT_EQ(utf8.ReadString("S", "K", ""), "\u4E2D\uFFFD");
    EXPECT_EQ(utf8.SaveToText(), "\xEF\xBB\xBF[S]\r\nK=\u4E2D\uFFFD\r\n");
}

TEST(IniStore, WritingKeepsTheFileAndItsOrder) {
    IniStore ini;
    ini.LoadFromText(
        "; top comment\r\n"
        "[A]\r\n"
        "x = 1\r\n"
        "; about y\r\n"
        "Y=2\r\n"
        "\r\n"
        "[B]\r\n"
        "z=3\r\n"
        "[a]\r\n"
        "x=shadowed\r\n");
    EXPECT_FALSE(ini.Modified());
    ini.WriteString("a", "X", "10");      // in place, original key spelling kept
    ini.WriteInteger("A", "new", -5);     // after the last key, before the blank line
    ini.WriteBool("B", "flag", true);
    ini.WriteFloat("C", "ratio", 0.1);    // a new section at the end
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(ini.SaveToText(),
              "; top comment\r\n"
              "[A]\r\n"
              "x=10\r\n"
              "; about y\r\n"
              "Y=2\r\n"
              "new=-5\r\n"
              "\r\n"
              "[B]\r\n"
              "z=3\r\n"
              "flag=1\r\n"
              "[a]\r\n"
              "x=shadowed\r\n"
              "\r\n"
              "[C]\r\n"
              "ratio=0.1\r\n");
    EXPECT_EQ(ini.ReadFloat("c", "RATIO", 0), 0.1);
    EXPECT_EQ(ini.ReadInteger("A", "new", 0), -5);

    // Erasing removes every section of the name, so the shadowed one does not come back.
    ini.EraseSection("A");
    EXPECT_EQ(ini.ReadString("A", "x", "gone"), "gone");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"B", "C"}));
    ini.WriteString("A", "x", "again");
    EXPECT_EQ(ini.ReadString("a", "X", ""), "again");

    // What is read after a write is what a reload of the file would read.
    struct { const char* written; const char* read; } quoted[] = {
        {"'q'", "q"}, {"\"'q'\"", "'q'"}, {"  padded  ", "padded"}, {"\"", "\""}, {"", ""},
    };
    for (const auto& q : quoted) {
        ini.WriteString("Q", "k", q.written);
        EXPECT_EQ(ini.ReadString("Q", "k", "?"), q.read) << q.written;
        IniStore reloaded;
        reloaded.LoadFromText(ini.SaveToText());
        EXPECT_EQ(reloaded.ReadString("Q", "k", "?"), q.read) << q.written;
    }

    IniStore dup;
    dup.LoadFromText("[S]\r\nk=1\r\nother=2\r\nK=3\r\n");
    dup.DeleteKey("s", "K");
    EXPECT_FALSE(dup.ValueExists("S", "k"));
    EXPECT_EQ(dup.SaveToText(), "[S]\r\nother=2\r\n");
    dup.DeleteKey("S", "other");
    EXPECT_FALSE(dup.SectionExists("S"));  // a header alone is no section to read
    EXPECT_EQ(dup.ReadSections(), (std::vector<std::string>{"S"}));
}

TEST(IniStore, WritesThatWouldReadBackWrongAreRefused) {
    IniStore ini;
    struct { const char* section; const char* key; const char* value; } bad[] = {
        {"S", "k", "two\r\nlines"}, {"S", "k", "cr\r"}, {"S\n[T]", "k", "v"}, {"S", "a\nb", "v"},
        {"S", "", "v"},             {"S", "  ", "v"},   {"S", "a=b", "v"},    {"S", "[k", "v"},
        {"S", ";k", "v"},
    };
    for (const auto& c : bad)
        EXPECT_THROW(ini.WriteString(c.section, c.key, c.value), Error) << c.key << c.value;
    EXPECT_EQ(ini.SaveToText(), "");
    EXPECT_THROW(ini.WriteFloat("S", "k", 1.0 / 0.0), Error);
    EXPECT_THROW(ini.UpdateFile(), Error);  // no file name
}

class IniStoreFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("lark_ini_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Utf8Path(const std::string& leaf) const {
        auto u8 = (dir_ / fs::path(std::u8string(reinterpret_cast<const char8_t*>(leaf.data()),
                                                 leaf.size())))
                      .u8string();
        return std::string(u8.begin(), u8.end());
    }
    static std::string ReadAll(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir_;
};

TEST_F(IniStoreFile, SavesAndLoadsUnderANonAsciiName) {
    std::string path = Utf8Path("Einstellungen äöü.ini");
    IniStore missing(path);  // a missing file is an empty store
    EXPECT_EQ(missing.ReadSections().size(), 0u);
    missing.WriteString("Main", "Name", "Zoë");
    missing.UpdateFile();
    EXPECT_FALSE(missing.Modified());

    IniStore back(path);
    EXPECT_EQ(back.ReadString("main", "name", ""), "Zoë");
    EXPECT_EQ(back.FileName(), path);
    back.WriteInteger("Main", "Count", 3);
    back.UpdateFile();
    IniStore again(path);
    EXPECT_EQ(again.ReadInteger("Main", "Count", 0), 3);
    // Only the target is left in the folder: the temporary file was swapped in.
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir_)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(IniStoreFile, AFailedSaveLeavesTheOldFile) {
    std::string path = Utf8Path("settings.ini");
    {
        std::ofstream out(dir_ / "settings.ini", std::ios::binary);
        out << "[S]\r\nk=old\r\n";
    }
    IniStore ini(path);
    ini.WriteString("S", "k", "new");
    EXPECT_THROW(ini.SaveToFile(Utf8Path("no such folder/settings.ini")), Error);
    EXPECT_EQ(ReadAll(dir_ / "settings.ini"), "[S]\r\nk=old\r\n");
    EXPECT_TRUE(ini.Modified());
    // A directory in place of the file cannot be read.
    fs::create_directories(dir_ / "taken.ini" / "x");
    EXPECT_THROW(IniStore(Utf8Path("taken.ini")), Error);
    // Nor replaced: the save fails and takes its temporary file away.
    EXPECT_THROW(ini.SaveToFile(Utf8Path("taken.ini")), Error);
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

// Temporary files that killed saves left behind (of old, numbered "<name>.tmp0" on) neither
// stop a save nor stay after the start-up clean-up.
TEST_F(IniStoreFile, TheLitterOfKilledSavesNeitherBlocksASaveNorStays) {
    const std::string path = Utf8Path("settings.ini");
    for (int i = 0; i <= 100; ++i) {
        std::ofstream out(dir_ / ("settings.ini.tmp" + std::to_string(i)), std::ios::binary);
        out << "[S]\r\nk=half";
    }
    IniStore ini;
    ini.WriteString("S", "k", "new");
    ini.SaveToFile(path);
    EXPECT_EQ(ReadAll(dir_ / "settings.ini"), "[S]\r\nk=new\r\n");
    EXPECT_EQ(RemoveStaleTemporaries(path).size(), 101u);
    int left = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) left += entry.path().filename() != "settings.ini";
    EXPECT_EQ(left, 0);
}

TEST(IniStore, LargeFileLookups) {
    std::string text;
    for (int r = 0; r < 3000; ++r) {
        text += "[Record" + std::to_string(r) + "]\r\n";
        for (int k = 0; k < 23; ++k)
            text += "Key" + std::to_string(k) + "=" + std::to_string(r * 100 + k) + "\r\n";
    }
    IniStore ini;
    ini.LoadFromText(text);
    EXPECT_EQ(ini.ReadSections().size(), 3000u);
    for (int r = 0; r < 3000; r += 7)
        for (int k = 0; k < 23; ++k)
            ASSERT_EQ(ini.ReadInteger("record" + std::to_string(r), "KEY" + std::to_string(k), -1),
                      r * 100 + k);
    EXPECT_EQ(ini.SaveToText(), text);
}

}  // namespace

namespace {

TEST_F(IniStoreFile, WritersOfOneFileShareOneStoreAndKeepEachOthersKeys) {
    const std::string path = Utf8Path("LF_Scheduler.ini");
    auto settings = SharedIniFile::Open(path);
    auto placements = SharedIniFile::Open(Utf8Path("./LF_Scheduler.ini"));
    EXPECT_EQ(settings, placements);

    // One writer's pass is open while the other writes and ends its own.
    settings->BeginPass();
    settings->WriteString("Settings", "Language", "1");
    placements->Update([](SharedIniFile& f) { f.WriteString("MainForm", "ShowCmd", "3"); });
    settings->EndPass(true);
    EXPECT_EQ(ReadAll(dir_ / "LF_Scheduler.ini"), "[Settings]\r\nLanguage=1\r\n\r\n[MainForm]\r\nShowCmd=3\r\n");

    // Another process changed the file: the next pass writes into the file as it is now.
    {
        std::ofstream out(dir_ / "LF_Scheduler.ini", std::ios::binary | std::ios::app);
        out << "[Other]\r\nKey=kept\r\n";
    }
    placements->Update([](SharedIniFile& f) { f.WriteString("MainForm", "ShowCmd", "1"); });
    IniStore back(path);
    EXPECT_EQ(back.ReadString("Other", "Key", ""), "kept");
    EXPECT_EQ(back.ReadString("Settings", "Language", ""), "1");
    EXPECT_EQ(back.ReadString("MainForm", "ShowCmd", ""), "1");

    // A failed pass leaves the file as it was.
    EXPECT_THROW(settings->Update([](SharedIniFile& f) {
        f.WriteString("Settings", "Language", "2");
        throw Error("stop");
    }),
                 Error);
    EXPECT_EQ(IniStore(path).ReadString("Settings", "Language", ""), "1");
}

TEST_F(IniStoreFile, AValueWithALineBreakIsRefusedAndTheRestOfItsPassIsWritten) {
    const std::string path = Utf8Path("settings.ini");
    auto file = SharedIniFile::Open(path);
    try {
        file->Update([](SharedIniFile& f) {
            f.WriteString("MainForm", "Before", "a");
            f.WriteString("MainForm", "Edit1_Text", "two\r\nlines");
            f.WriteString("MainForm", "After", "b");
        });
        ADD_FAILURE() << "the refused value was not reported";
    } catch (const Error& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("settings.ini"), std::string::npos) << what;
        EXPECT_NE(what.find("Edit1_Text"), std::string::npos) << what;
        EXPECT_NE(what.find("[MainForm]"), std::string::npos) << what;
    }
    EXPECT_EQ(ReadAll(dir_ / "settings.ini"), "[MainForm]\r\nBefore=a\r\nAfter=b\r\n");
    // The next pass starts clean.
    EXPECT_NO_THROW(file->Update([](SharedIniFile& f) { f.WriteString("MainForm", "After", "c"); }));
}

}  // namespace

namespace {

// Lookups hash names without case in words of eight bytes: every length and every place of a
// capital must still find the key.
TEST(IniStore, NamesOfEveryLengthAreFoundWithoutCase) {
    IniStore ini;
    const std::string names[] = {"a", "Item0_X", "Item0_Xy", "Item12_Port", "Item123_HostFingerprint",
                                 "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "x[]^_`@{", "ÄrgerÜber", "Item5_Größe"};
    for (const std::string& name : names) ini.WriteString("Säction " + name, name, name);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string upper = FoldCaseUtf8(name) == name ? AnsiUpper(name) : name;
        std::string lower = FoldCaseUtf8(name);
        EXPECT_EQ(ini.ReadString("SÄCTION " + lower, lower, ""), name);
        EXPECT_EQ(ini.ReadString("säction " + name, upper, ""), name);
    }
    EXPECT_EQ(ini.ReadString("säction x[]^_`@{", "x{]^_`@{", "none"), "none");  // '[' and '{' differ
}

}  // namespace
