#include "localization/mem_ini.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/errors.h"

namespace lark::localization {
namespace {

TEST(MemIni, EqualKeysTheLaterFirst) {
    TMemIniFile ini;
    ini.LoadIniLines({"[Captions]", "btnOK=OK", "BTNOK=Ok", ";btnOK=x"});
    EXPECT_EQ(ini.ReadIniText("captions", "btnok", "-"), "Ok");
    StringList lines;
    ini.IniToLines(lines);
    StringList keys;
    ini.ReadIniKeys("Captions", keys);
    EXPECT_EQ(keys, (StringList{"BTNOK", "btnOK"}));
    // Written in the order they were read, so saving and reloading finds the same value.
    EXPECT_EQ(lines, (StringList{"[Captions]", "btnOK=OK", "BTNOK=Ok", ""}));
    TMemIniFile reloaded;
    reloaded.LoadIniLines(lines);
    EXPECT_EQ(reloaded.ReadIniText("captions", "btnok", "-"), "Ok");
    StringList again;
    reloaded.IniToLines(again);
    EXPECT_EQ(again, lines);
}

TEST(MemIni, ParsingKeepsLinesAsTheyStand) {
    TMemIniFile ini;
    ini.LoadIniLines({"orphan=1", "[S]", "key = value", "noequals", "q=\"a=b\" ", "", "   ",
                      "[A]", "k=1", "[Empty]", "[a]", "k2=dropped", "[ Blank ]", "x=y"});
    EXPECT_EQ(ini.ReadIniText("S", "key ", "-"), " value");
    EXPECT_EQ(ini.ReadIniText("S", "key", "-"), "-");
    EXPECT_EQ(ini.ReadIniText("S", "noequals", "-"), "");
    EXPECT_EQ(ini.ReadIniText("S", "q", "-"), "\"a=b\" ");
    EXPECT_EQ(ini.ReadIniText("S", "   ", "-"), "");  // a line of blanks is a key
    EXPECT_EQ(ini.ReadIniText("S", "orphan", "-"), "-");
    EXPECT_EQ(ini.ReadIniText("A", "k2", "-"), "-");  // repeated header dropped with its lines
    EXPECT_EQ(ini.ReadIniText("a", "k", "-"), "1");
    EXPECT_EQ(ini.ReadIniText(" blank ", "x", "-"), "y");
    EXPECT_FALSE(ini.HasIniSection("Empty"));
    EXPECT_TRUE(ini.HasIniSection("s"));
    EXPECT_FALSE(ini.HasIniSection("missing"));
    StringList names;
    ini.ReadIniSectionNames(names);
    EXPECT_EQ(names, (StringList{" Blank ", "A", "Empty", "S"}));
}

TEST(MemIni, WriteReplacesTheFirstEqualKey) {
    TMemIniFile ini;
    ini.WriteIniText("Opt", "b", "2");
    ini.WriteIniText("Opt", "a", "1");
    ini.WriteIniText("opt", "B", "3");
    StringList keys, values;
    ini.ReadIniKeys("OPT", keys);
    ini.ReadIniValues("OPT", values);
    EXPECT_EQ(keys, (StringList{"a", "B"}));
    EXPECT_EQ(values, (StringList{"1", "3"}));
    ini.RemoveIniKey("opt", "A");
    ini.RemoveIniKey("nothing", "A");
    ini.ReadIniKeys("Opt", keys);
    EXPECT_EQ(keys, StringList{"B"});
    ini.RemoveIniSection("OPT");
    ini.ReadIniKeys("Opt", keys);
    EXPECT_TRUE(keys.empty());
}

TEST(MemIni, Numbers) {
    TMemIniFile ini;
    ini.LoadIniLines({"[N]", "hex=0x1F", "short=0x", "empty=", "neg=-12", "text=12a", "big=0xFFFFFFFF",
                      "on=2", "off=0"});
    EXPECT_EQ(ini.ReadIniNumber("N", "hex", 7), 31);
    EXPECT_EQ(ini.ReadIniNumber("N", "short", 7), 7);
    EXPECT_EQ(ini.ReadIniNumber("N", "empty", 7), 7);
    EXPECT_EQ(ini.ReadIniNumber("N", "missing", 7), 7);
    EXPECT_EQ(ini.ReadIniNumber("N", "neg", 7), -12);
    EXPECT_EQ(ini.ReadIniNumber("N", "text", 7), 7);
    EXPECT_EQ(ini.ReadIniNumber("N", "big", 7), -1);
    EXPECT_TRUE(ini.ReadIniSwitch("N", "on", false));
    EXPECT_FALSE(ini.ReadIniSwitch("N", "off", true));
    EXPECT_TRUE(ini.ReadIniSwitch("N", "missing", true));
    ini.WriteIniNumber("N", "w", -5);
    ini.WriteIniSwitch("N", "s", true);
    EXPECT_EQ(ini.ReadIniText("N", "w", ""), "-5");
    EXPECT_EQ(ini.ReadIniText("N", "s", ""), "1");
}

TEST(MemIni, DatesTimesAndFloatsFollowTheConventions) {
    TMemIniFile ini;
    ini.FormatSettings.DateSeparator = ".";
    ini.FormatSettings.ShortDateFormat = "dd/MM/yyyy";
    ini.FormatSettings.LongTimeFormat = "hh:nn:ss";
    ini.FormatSettings.DecimalSeparator = ",";
    const double when = 46366.75;  // 10 December 2026, 18:00
    ini.WriteIniDate("D", "date", when);
    ini.WriteIniDateTime("D", "dt", when);
    ini.WriteIniTime("D", "time", when);
    ini.WriteIniFloat("D", "f", 2.5);
    EXPECT_EQ(ini.ReadIniText("D", "date", ""), "10.12.2026");
    EXPECT_EQ(ini.ReadIniText("D", "dt", ""), "10.12.2026 18:00:00");
    EXPECT_EQ(ini.ReadIniText("D", "time", ""), "18:00:00");
    EXPECT_EQ(ini.ReadIniText("D", "f", ""), "2,5");
    EXPECT_DOUBLE_EQ(ini.ReadIniDate("D", "date", -1), 46366);
    EXPECT_DOUBLE_EQ(ini.ReadIniDateTime("D", "dt", -1), when);
    EXPECT_DOUBLE_EQ(ini.ReadIniTime("D", "time", -1), 0.75);
    EXPECT_DOUBLE_EQ(ini.ReadIniFloat("D", "f", -1), 2.5);
    ini.LoadIniLines({"[D]", "bad=31.02.2026", "empty=", "f=2.5", "t=25:00", "pm=6:30 PM"});
    EXPECT_DOUBLE_EQ(ini.ReadIniDate("D", "bad", -1), -1);
    EXPECT_DOUBLE_EQ(ini.ReadIniDate("D", "empty", -1), -1);
    EXPECT_DOUBLE_EQ(ini.ReadIniFloat("D", "f", -1), -1);  // not the decimal separator
    EXPECT_DOUBLE_EQ(ini.ReadIniTime("D", "t", -1), -1);
    EXPECT_DOUBLE_EQ(ini.ReadIniTime("D", "pm", -1), 18.5 / 24);
    EXPECT_DOUBLE_EQ(ini.ReadIniDateTime("D", "pm", -1), 18.5 / 24);
    ini.LoadIniLines({"[D]", "epoch=30.12.1899", "leap=29.02.2000"});
    EXPECT_DOUBLE_EQ(ini.ReadIniDate("D", "epoch", -1), 0);
    ini.WriteIniDate("D", "again", ini.ReadIniDate("D", "leap", -1));
    EXPECT_EQ(ini.ReadIniText("D", "again", ""), "29.02.2000");
}

TEST(MemIni, FileRoundTripInWindows1252) {
    const auto dir = std::filesystem::temp_directory_path() / "loc_mem_ini_test";
    std::filesystem::create_directories(dir);
    const auto path = dir / "strings.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << "[Strings]\r\nTMain.IDS_1=Gr\xFC\xDF" "e~!@#\r\n";
    }
    const std::string name = path.string();
    TMemIniFile ini(name);
    EXPECT_EQ(ini.ReadIniText("strings", "tmain.ids_1", ""), "Grüße~!@#");
    ini.WriteIniText("Strings", "TMain.IDS_2", "Élan");
    ini.WriteIniBack();
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    EXPECT_EQ(bytes, "[Strings]\r\nTMain.IDS_1=Gr\xFC\xDF" "e~!@#\r\nTMain.IDS_2=\xC9lan\r\n\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "strings.ini.tmp"));

    TMemIniFile missing((dir / "none.ini").string());
    StringList names;
    missing.ReadIniSectionNames(names);
    EXPECT_TRUE(names.empty());
    TMemIniFile unwritable((dir / "no" / "such" / "dir.ini").string());
    unwritable.WriteIniText("a", "b", "c");
    EXPECT_THROW(unwritable.WriteIniBack(), core::Error);
    std::filesystem::remove_all(dir);
}

TEST(Horspool, FindsFirstOccurrence) {
    EXPECT_EQ(HorspoolSearch("", "anything"), 1u);
    EXPECT_EQ(HorspoolSearch("", ""), 1u);
    EXPECT_EQ(HorspoolSearch("ABC", "XXABCABC"), 3u);
    EXPECT_EQ(HorspoolSearch("abc", "ABC"), 0u);
    EXPECT_EQ(HorspoolSearch("abcd", "abc"), 0u);
    EXPECT_EQ(HorspoolSearch("\r\nIDS_1\x01", "IDS_12\x01x\r\nIDS_1\x01y"), 9u);
    EXPECT_EQ(HorspoolSearch("aab", "aaab"), 2u);
    EXPECT_EQ(HorspoolSearch("\xFF\x01", "a\xFF\xFF\x01"), 3u);
}

}  // namespace
}  // namespace lark::localization
