#include "shellext/model/listing_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/locale_format.h"

using namespace lark;
using namespace lark::shellext;

namespace {

core::DateTime At(int y, int m, int d, int h = 0, int mi = 0) {
    return core::EncodeDateTime(y, m, d, h, mi, 0, 0);
}

// Every field a listing line can give; `date` 0 means "could not be read".
struct Expect {
    const char* line;
    std::string name;
    std::int64_t size;
    core::DateTime date;
    std::string owner = "";
    std::string group = "";
    std::uint16_t permissions = 0;
    bool dir = false;
    bool charDevice = false;
};

void Check(const Expect& c, const core::Clock& clock) {
    TFTPFileInfo e;
    ParseLine(e, c.line, clock);
    SCOPED_TRACE(c.line);
    EXPECT_EQ(e.Name, c.name);
    EXPECT_EQ(e.Size, c.size);
    EXPECT_DOUBLE_EQ(e.DateTime, c.date);
    EXPECT_EQ(e.Owner, c.owner);
    EXPECT_EQ(e.Group, c.group);
    EXPECT_EQ(e.Permissions, c.permissions);
    EXPECT_EQ(e.IsDir, c.dir);
    EXPECT_EQ(e.Children != nullptr, c.dir);
    EXPECT_EQ(e.IsCharDevice, c.charDevice);
    EXPECT_EQ(e.RawText, std::string(c.line) + "\r\n");
}

// 10 December 2026, 10:30.
const core::FixedClock december(At(2026, 12, 10, 10, 30));

TEST(ListingUnix, Lines) {
    const Expect cases[] = {
        {"drwxr-xr-x   2 owner group 512 Mar  5 12:34 pub", "pub", 512, At(2026, 3, 5, 12, 34),
         "owner", "group", 0x16F, true},
        {"-rw-r--r--   1 ftp ftp 1234 Jan 10  2003 readme.txt", "readme.txt", 1234,
         At(2003, 1, 10), "ftp", "ftp", 0x4B},
        {"lrwxrwxrwx 1 owner group 11 Jan 10  2003 link -> /target", "link", 11, At(2003, 1, 10),
         "owner", "group", 0x1FF},
        {"-rwxr-xr-x 1 owner group 10 Jan 10  2003 dir/tool*", "tool", 10, At(2003, 1, 10),
         "owner", "group", 0x16F},
        {"drwxr-xr-x 1 owner group 10 Jan 10  2003 sub/", "sub", 10, At(2003, 1, 10), "owner",
         "group", 0x16F, true},
        // Names keep blanks (inside, leading and trailing) and every UTF-8 byte.
        {"-rw-r--r-- 1 o g 7 Dec  1 09:05 my file  name ", "my file  name ", 7,
         At(2026, 12, 1, 9, 5), "o", "g", 0x4B},
        {"-rw-r--r-- 1 o g 7 Dec  1 09:05  leading", " leading", 7, At(2026, 12, 1, 9, 5), "o",
         "g", 0x4B},
        {"-rw-r--r-- 1 o g 7 Nov 30  2025 Grüße 日本.txt", "Grüße 日本.txt", 7, At(2025, 11, 30),
         "o", "g", 0x4B},
        // A regular file may contain "->"; only links are cut there.
        {"-rw-r--r-- 1 o g 7 Nov 30  2025 a -> b", "a -> b", 7, At(2025, 11, 30), "o", "g", 0x4B},
        // Sizes of 2 GiB and more are kept exactly.
        {"-rw-r--r-- 1 o g 2147483648 Jan  1  2020 big.iso", "big.iso", 2147483648LL,
         At(2020, 1, 1), "o", "g", 0x4B},
        {"-rw-r--r-- 1 o g 123456789012 Jan  1  2020 huge", "huge", 123456789012LL,
         At(2020, 1, 1), "o", "g", 0x4B},
        // Devices list "major, minor" in place of a size.
        {"crw-r--r-- 1 root root 4, 64 Mar  5 12:34 ttyS0", "ttyS0", 0, At(2026, 3, 5, 12, 34),
         "root", "root", 0x4B, false, true},
        {"brw-rw---- 1 root disk 8,0 Mar  5 12:34 sda", "sda", 0, At(2026, 3, 5, 12, 34), "root",
         "disk", 0x1B},
        // No group column, and an owner padded far beyond ten blanks.
        {"-rw-r--r-- 1 ftp 99 Jan 10  2003 nogroup", "nogroup", 99, At(2003, 1, 10), "ftp", "",
         0x4B},
        {"-rw-r--r-- 1 ftp            users 99 Jan 10  2003 padded", "padded", 99,
         At(2003, 1, 10), "ftp", "users", 0x4B},
        // Set-id and sticky letters are not execute bits.
        {"-rwsr-xr-t 1 o g 1 Jan 10  2003 suid", "suid", 1, At(2003, 1, 10), "o", "g", 0x6B},
        // Day not padded to two columns.
        {"-rw-r--r-- 1 o g 5 Jan 9 2003 short", "short", 5, At(2003, 1, 9), "o", "g", 0x4B},
        // An impossible date reads as 0 and the entry stays usable.
        {"-rw-r--r-- 1 o g 5 Feb 30  2003 bad-date", "bad-date", 5, 0, "o", "g", 0x4B},
        {"-rw-r--r-- 1 o g x5 Feb 3  2003 bad-size", "bad-size", 0, At(2003, 2, 3), "o", "g",
         0x4B},
        // A file name containing ";" is still a Unix line.
        {"-rw-r--r-- 1 o g 5 Jan 10  2003 a;1", "a;1", 5, At(2003, 1, 10), "o", "g", 0x4B},
        // A link listed with a path keeps its own last part; so does a directory with a path.
        {"lrwxrwxrwx 1 o g 7 Jan 10  2003 bin/link -> /usr/bin", "link", 7, At(2003, 1, 10), "o",
         "g", 0x1FF},
        {"drwxr-xr-x 1 o g 10 Jan 10  2003 a/b/", "b", 10, At(2003, 1, 10), "o", "g", 0x16F, true},
        // The ISO form (ls --time-style=long-iso), with and without a group.
        {"-rw-r--r-- 1 o g 5 2003-01-10 12:34 iso-date", "iso-date", 5, At(2003, 1, 10, 12, 34),
         "o", "g", 0x4B},
        {"drwxr-xr-x 2 ftp 4096 2024-03-05 09:07 pub", "pub", 4096, At(2024, 3, 5, 9, 7), "ftp",
         "", 0x16F, true},
        {"-rw-r--r-- 1 o g 5 2003-02-30 12:34 bad-iso", "bad-iso", 5, 0, "o", "g", 0x4B},
        // ls --full-time: seconds and their fraction do not count, the zone is passed over.
        {"-rw-r--r-- 1 o g 5 2003-01-10 12:34:56.123456789 +0100 full iso", "full iso", 5,
         At(2003, 1, 10, 12, 34), "o", "g", 0x4B},
        // Dates of other forms: the entry stays, without a date.
        {"-rw-r--r-- 1 o g 5 Mär  5 12:34 lokal", "lokal", 5, 0, "o", "g", 0x4B},
        {"-rw-r--r-- 1 o g 5 5 mars  2003 jour", "jour", 5, 0, "o", "g", 0x4B},
        {"-rw-r--r-- 1 o g 5 3月 5日 12:34 中文.txt", "中文.txt", 5, 0, "o", "g", 0x4B},
        {"-rw-r--r-- 1 o 1000 5 Mär  5  2003 numeric group", "numeric group", 5, 0, "o", "1000",
         0x4B},
        {"-rw-r--r-- 1 o 5 Mär  5 12:34 no group", "no group", 5, 0, "o", "", 0x4B},
        {"-rw-r--r-- 1 o g 5 05.03.2024 12:34 dotted", "dotted", 5, 0, "o", "g", 0x4B},
        {"crw-r--r-- 1 root tty 4, 64 Mär  5 12:34 tty1", "tty1", 0, 0, "root", "tty", 0x4B,
         false, true},
    };
    for (const Expect& c : cases) Check(c, december);
}

// Lines are split in blocks of 64 bytes: every column lands on every block boundary once.
TEST(Listing, ColumnsAtEveryOffset) {
    for (std::size_t pad = 1; pad <= 140; ++pad) {
        const std::string gap(pad, ' ');
        const std::string unix = "-rw-r--r-- 1 owner" + gap + "group 1234 Mar  5 12:34 a name" + gap + "x";
        Check({unix.c_str(), "a name" + gap + "x", 1234, At(2026, 3, 5, 12, 34), "owner", "group", 0x4B},
              december);
        const std::string device = "crw-r--r-- 1 root" + gap + "tty 4," + gap + "64 Mar  5 12:34 tty" + gap;
        Check({device.c_str(), "tty" + gap, 0, At(2026, 3, 5, 12, 34), "root", "tty", 0x4B, false, true},
              december);
        const std::string dos = "01-15-04" + gap + "07:45PM" + gap + "1234 f" + gap + "g";
        Check({dos.c_str(), "f" + gap + "g", 1234, At(2004, 1, 15, 19, 45)}, december);
        const std::string vms = "NAME.DIR;1" + gap + "3/4\t" + gap + "15-FEB-2004 10:30:15";
        Check({vms.c_str(), "NAME.DIR;1", 1536, At(2004, 2, 15, 10, 30), "", "", 0, true}, december);
    }
}

TEST(ListingUnix, RecentDatesTakeTheYearFromTheClock) {
    const char* line = "drwxr-xr-x   2 owner group 512 Mar  5 12:34 pub";
    struct Case {
        core::DateTime now;
        core::DateTime date;
    };
    const Case cases[] = {
        {At(2026, 12, 10), At(2026, 3, 5, 12, 34)},
        {At(2026, 3, 1), At(2026, 3, 5, 12, 34)},  // same month: this year
        {At(2026, 2, 27), At(2025, 3, 5, 12, 34)},  // month still ahead: last year
        {At(2026, 1, 2), At(2025, 3, 5, 12, 34)},
    };
    for (const Case& c : cases) {
        TFTPFileInfo e;
        ParseLine(e, line, core::FixedClock(c.now));
        EXPECT_DOUBLE_EQ(e.DateTime, c.date);
    }
    // 29 February with a time, in a year that has none.
    EXPECT_EQ(ParseUnixDate("Feb 29 10:00", core::FixedClock(At(2027, 3, 1))), 0);
    EXPECT_DOUBLE_EQ(ParseUnixDate("Feb 29 10:00", core::FixedClock(At(2028, 3, 1))),
                     At(2028, 2, 29, 10, 0));
}

TEST(ListingUnix, DateColumn) {
    struct Case {
        const char* text;
        core::DateTime date;
    };
    const Case cases[] = {
        {"Mar  5 12:34", At(2026, 3, 5, 12, 34)},
        {"mar  5 12:34", At(2026, 3, 5, 12, 34)},
        {"Jan 10  2003", At(2003, 1, 10)},
        {"Jan 10 03", At(2003, 1, 10)},
        {"Jan 10 80", At(1980, 1, 10)},
        {"Mar  5 24:00", 0},
        {"Mar  5 12:60", 0},
        {"Foo  5 12:34", 0},
        {"Mar 12:34", 0},
        {"", 0},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(ParseUnixDate(c.text, december), c.date) << c.text;
}

TEST(ListingDos, Lines) {
    const Expect cases[] = {
        {"01-15-04  07:45PM       <DIR>          Documents", "Documents", 0,
         At(2004, 1, 15, 19, 45), "", "", 0, true},
        {"02-23-05  10:36AM                 1234 file.txt", "file.txt", 1234,
         At(2005, 2, 23, 10, 36)},
        {"02-23-05  12:05AM                    1 midnight", "midnight", 1, At(2005, 2, 23, 0, 5)},
        {"02-23-05  12:05PM                    1 noon", "noon", 1, At(2005, 2, 23, 12, 5)},
        {"02-23-05  10:36AM           3221225472 disc image.iso", "disc image.iso", 3221225472LL,
         At(2005, 2, 23, 10, 36)},
        // Blanks at the start of a name survive the fixed name column.
        {"02-23-05  10:36AM                 1234   spaced  ", "  spaced  ", 1234,
         At(2005, 2, 23, 10, 36)},
        {"02-23-05  10:36AM                 1234 Ünïcödé €.txt", "Ünïcödé €.txt", 1234,
         At(2005, 2, 23, 10, 36)},
        // Four-digit years shift the column.
        {"02-23-2005  10:36AM       <DIR>          Long Year", "Long Year", 0,
         At(2005, 2, 23, 10, 36), "", "", 0, true},
        {"02-23-2005  10:36AM                 1234 y4.txt", "y4.txt", 1234,
         At(2005, 2, 23, 10, 36)},
        // A compact layout without the aligned columns.
        {"02-23-05 10:36 77 compact", "compact", 77, At(2005, 2, 23, 10, 36)},
        // Two-digit years within 50 years of the clock's year.
        {"02-23-76  10:36AM                 1234 old", "old", 1234, At(1976, 2, 23, 10, 36)},
        {"02-23-75  10:36AM                 1234 future", "future", 1234, At(2075, 2, 23, 10, 36)},
        // An invalid date and an invalid time.
        {"13-45-05  10:36AM                 1234 baddate", "baddate", 1234, 0},
        {"02-23-05  13:36PM                 1234 badtime", "badtime", 1234, At(2005, 2, 23)},
        // The ISO form, day-first dates with dots, 24-hour times with seconds.
        {"2004-01-15  19:45       <DIR>          iso dir", "iso dir", 0, At(2004, 1, 15, 19, 45),
         "", "", 0, true},
        {"2024-03-05 10:36 1234 iso.txt", "iso.txt", 1234, At(2024, 3, 5, 10, 36)},
        {"15.01.2004  19:45       <DIR>          punkt", "punkt", 0, At(2004, 1, 15, 19, 45), "",
         "", 0, true},
        {"01-15-04  19:45:12     1234 secs.txt", "secs.txt", 1234, At(2004, 1, 15, 19, 45)},
        // A ";" in a DOS name does not make the line VMS: VMS versions end the first word.
        {"02-23-05  10:36AM                 1234 notes;old.txt", "notes;old.txt", 1234,
         At(2005, 2, 23, 10, 36)},
        {"2004-13-15  19:45     1234 no such month", "no such month", 1234, 0},
    };
    for (const Expect& c : cases) Check(c, december);
}

TEST(ListingVms, Lines) {
    const Expect cases[] = {
        {"NAME.DIR;1  3/4  15-FEB-2004 10:30:15", "NAME.DIR;1", 1536, At(2004, 2, 15, 10, 30), "",
         "", 0, true},
        {"DATA.TXT;12 5 1-JAN-1999 09:05", "DATA.TXT;12", 2560, At(1999, 1, 1, 9, 5)},
        // The time is the first five characters, whatever follows them.
        {"LOG.TXT;3 1 02-MAR-2010 23:59.99", "LOG.TXT;3", 512, At(2010, 3, 2, 23, 59)},
        // Owner and protection columns carry no Unix owner, group or permissions.
        {"SUB.DIR;2 1/3 15-FEB-2004 10:30:15 [STAFF,SMITH] (RWE,RWED,RE,)", "SUB.DIR;2", 512,
         At(2004, 2, 15, 10, 30), "", "", 0, true},
        {"LONG.DAT;1 4194304/4194304 15-FEB-2004 10:30:15 [SMITH] (RWED,RWED,R,R)", "LONG.DAT;1",
         2147483648LL, At(2004, 2, 15, 10, 30)},
        // Versions of more than one digit; a one-digit hour.
        {"OLD.DIR;12 1 15-FEB-2004 9:05:00", "OLD.DIR;12", 512, At(2004, 2, 15, 9, 5), "", "", 0,
         true},
        // A long name alone on its line: the rest of the entry follows on the next one.
        {"VERY_LONG_FILE_NAME.TXT;1", "VERY_LONG_FILE_NAME.TXT;1", 0, 0},
        {"X.TXT;1 abc 99-FOO-2004 10:30", "X.TXT;1", 0, 0},
        // Lower-case names that begin like a Unix type letter.
        {"data.dir;1 2 15-FEB-2004 10:30:15", "data.dir;1", 1024, At(2004, 2, 15, 10, 30), "", "",
         0, true},
    };
    for (const Expect& c : cases) Check(c, december);
}

// The listing formats are the servers', not the user's: German or Japanese regional settings
// (other separators, day-first or year-first dates, other month names) read every line the same.
TEST(Listing, TheUsersRegionalSettingsChangeNothing) {
    const char* lines[] = {
        "drwxr-xr-x   2 owner group 512 Mar  5 12:34 pub",
        "-rw-r--r--   1 ftp ftp 1234 Jan 10  2003 readme.txt",
        "-rw-r--r--   1 ftp ftp 99 Dec  9 23:05 Mär.txt",
        "01-15-04  07:45PM       <DIR>          Documents",
        "02-23-05  12:05PM                    1 noon",
        "12-10-2026  10:36AM                 1234 y4.txt",
        "NAME.DIR;1  3/4  15-FEB-2004 10:30:15",
        "LOG.TXT;3 1 02-MAR-2010 23:59.99",
    };
    auto parseAll = [&] {
        std::vector<TFTPFileInfo> entries(std::size(lines));
        for (std::size_t i = 0; i < std::size(lines); ++i) ParseLine(entries[i], lines[i], december);
        return entries;
    };
    const core::FormatSettings saved = core::DefaultFormatSettings();
    const std::vector<TFTPFileInfo> english = parseAll();
    core::LocaleAnswers german;
    german.shortDate = "dd.MM.yyyy";
    german.longDate = "dddd, d. MMMM yyyy";
    german.longTime = "HH:mm:ss";
    german.dateSeparator = ".";
    german.decimalSeparator = ",";
    german.am = "";
    german.pm = "";
    const char* months[12] = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
    for (int i = 0; i < 12; ++i) german.shortMonths[i] = months[i];
    core::LocaleAnswers japanese;
    japanese.shortDate = "yyyy/MM/dd";
    japanese.longTime = "H:mm:ss";
    japanese.timeSeparator = ":";
    japanese.am = "午前";
    japanese.pm = "午後";
    for (int i = 0; i < 12; ++i) japanese.shortMonths[i] = std::to_string(i + 1) + "月";
    for (const core::LocaleAnswers* answers : {&german, &japanese}) {
        core::DefaultFormatSettings() = core::RegionalSettingsFromLocale(*answers).formats;
        const std::vector<TFTPFileInfo> local = parseAll();
        core::DefaultFormatSettings() = saved;
        for (std::size_t i = 0; i < std::size(lines); ++i) {
            SCOPED_TRACE(lines[i]);
            EXPECT_EQ(local[i].Name, english[i].Name);
            EXPECT_EQ(local[i].Size, english[i].Size);
            EXPECT_DOUBLE_EQ(local[i].DateTime, english[i].DateTime);
            EXPECT_NE(local[i].DateTime, 0.0);
            EXPECT_EQ(local[i].Permissions, english[i].Permissions);
            EXPECT_EQ(local[i].IsDir, english[i].IsDir);
        }
    }
    EXPECT_DOUBLE_EQ(english[5].DateTime, At(2026, 12, 10, 10, 36));
}

TEST(Listing, UnreadableLinesGiveNoName) {
    const char* lines[] = {
        "",
        "   \t ",
        "total 12",
        "Directory DISK$USER:[SMITH]",
        "Total of 3 files, 10/12 blocks.",
        "   3/4  15-FEB-2004 10:30:15",  // continuation of a long VMS name
        "-rw-r--r--",
        "drwxr-xr-x 2 o g 512",
        "01-15-04  07:45PM",
        "d",
        ";",
        "-rw-r--r-- 1 o g 5 Jan 10  2003",
        "-rw-r--r-- 1 o g 5 Jan 10  2003 /",
        // Dotted version numbers and other digit groups are no dates.
        "1.2.3 Welcome to the server",
        "220-2024.1 server ready for you",
        "123-45-6789 a b c",
    };
    for (const char* line : lines) {
        TFTPFileInfo e;
        ParseLine(e, line, december);
        EXPECT_EQ(e.Name, "") << line;
    }
}

TEST(Listing, ParseClearsTheEntryAndDropsTheLineBreak) {
    TFTPFileInfo e;
    ParseLine(e, "drwxr-xr-x 2 o g 512 Mar  5 12:34 pub\r\n", december);
    EXPECT_EQ(e.Name, "pub");
    EXPECT_EQ(e.RawText, "drwxr-xr-x 2 o g 512 Mar  5 12:34 pub\r\n");
    ASSERT_NE(e.Children, nullptr);
    e.Children->Add().Name = "inner";
    ParseLine(e, "total 12", december);
    EXPECT_EQ(e.Name, "");
    EXPECT_EQ(e.Children, nullptr);
    EXPECT_EQ(e.PermString, "");
    EXPECT_EQ(e.Permissions, 0);
    EXPECT_EQ(e.DateTime, 0);
}

TEST(Listing, AssignCopiesTheListedFieldsOnly) {
    TFTPFileInfo a, b;
    ParseLine(a, "crw-r--r-- 1 root tty 4, 64 Mar  5 12:34 ttyS0", december);
    a.Size = 42;
    b.Children = std::make_unique<TFTPFileList>();
    b.RawText = "keep";
    b.Assign(a);
    EXPECT_EQ(b.Name, "ttyS0");
    EXPECT_EQ(b.Size, 42);
    EXPECT_DOUBLE_EQ(b.DateTime, a.DateTime);
    EXPECT_EQ(b.Owner, "root");
    EXPECT_EQ(b.Group, "tty");
    EXPECT_EQ(b.Permissions, a.Permissions);
    EXPECT_EQ(b.PermString, "crw-r--r--");
    EXPECT_FALSE(b.IsCharDevice);
    EXPECT_NE(b.Children, nullptr);
    EXPECT_EQ(b.RawText, "keep");
}

TEST(Listing, NextDelimiter) {
    EXPECT_EQ(NextDelimiter("ab cd", 1), 3u);
    EXPECT_EQ(NextDelimiter("ab,cd", 1), 3u);
    EXPECT_EQ(NextDelimiter("ab cd", 3), 3u);
    EXPECT_EQ(NextDelimiter("ab cd", 4), 6u);  // none: one past the end
    EXPECT_EQ(NextDelimiter("", 1), 1u);
    EXPECT_EQ(NextDelimiter("ab", 10), 3u);
}

}  // namespace
