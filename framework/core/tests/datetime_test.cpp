#include "core/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/clock.h"
#include "core/errors.h"

using namespace lark::core;

namespace {

struct DateCase {
    int y, m, d;
    double serial;
};

TEST(DateTime, EncodeAndDecodeKnownSerials) {
    const DateCase cases[] = {
        {1899, 12, 30, 0},     {1899, 12, 31, 1},      {1900, 1, 1, 2},
        {1900, 3, 1, 61},      {1899, 12, 29, -1},     {2000, 1, 1, 36526},
        {2000, 2, 29, 36585},  {2004, 1, 15, 38001},   {2026, 12, 10, 46366},
        {1, 1, 1, -693593},    {9999, 12, 31, 2958465},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.y * 10000 + c.m * 100 + c.d);
        EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.serial);
        int y, m, d;
        DecodeDate(c.serial, y, m, d);
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(m, c.m);
        EXPECT_EQ(d, c.d);
    }
}

TEST(DateTime, InvalidDatesAndTimesAreRefused) {
    struct { int y, m, d; } bad[] = {{1900, 2, 29}, {2023, 2, 29}, {2024, 4, 31}, {2024, 13, 1},
                                     {2024, 0, 1},  {0, 1, 1},     {10000, 1, 1}, {2024, 1, 0}};
    for (auto b : bad) {
        DateTime r = 123;
        EXPECT_FALSE(TryEncodeDate(b.y, b.m, b.d, r));
        EXPECT_EQ(r, 123);
        EXPECT_THROW(EncodeDate(b.y, b.m, b.d), Error);
    }
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2023, 2), 28);
    EXPECT_EQ(DaysInMonth(2023, 13), 0);
    DateTime t;
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, t));
    EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, t));
    EXPECT_FALSE(TryEncodeTime(0, 0, 60, 0, t));
    EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, t));
    EXPECT_FALSE(TryEncodeTime(-1, 0, 0, 0, t));
    EXPECT_THROW(EncodeTime(25, 0, 0, 0), Error);
}

TEST(DateTime, TimeDecodingRoundsAndNeverReachesMidnight) {
    struct { double v; int h, mi, s, ms; } cases[] = {
        {0.5, 12, 0, 0, 0},
        {0.75, 18, 0, 0, 0},
        {19.0 / 24 + 45.0 / 1440, 19, 45, 0, 0},
        {0.99999999, 23, 59, 59, 999},
        {0.9999999999, 23, 59, 59, 999},
        {1.0 / 86400000 * 0.4, 0, 0, 0, 0},
        {37999.4375, 10, 30, 0, 0},
        {-1.25, 6, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.v);
        int h, mi, s, ms;
        DecodeTime(c.v, h, mi, s, ms);
        EXPECT_EQ(h, c.h);
        EXPECT_EQ(mi, c.mi);
        EXPECT_EQ(s, c.s);
        EXPECT_EQ(ms, c.ms);
    }
    // Every millisecond of a day survives encode and decode.
    for (int ms = 0; ms < 86400000; ms += 86399) {
        int h = ms / 3600000, mi = ms / 60000 % 60, s = ms / 1000 % 60, z = ms % 1000;
        int h2, mi2, s2, z2;
        DecodeTime(37999 + EncodeTime(h, mi, s, z), h2, mi2, s2, z2);
        ASSERT_EQ(((h2 * 60 + mi2) * 60 + s2) * 1000 + z2, ms);
    }
}

TEST(DateTime, NegativeValuesKeepTheDayInTheIntegralPart) {
    DateTime v = EncodeDateTime(1899, 12, 29, 6, 0, 0, 0);
    EXPECT_EQ(v, -1.25);
    EXPECT_EQ(DateOf(v), -1);
    EXPECT_EQ(TimeOf(v), 0.25);
    int y, m, d;
    DecodeDate(v, y, m, d);
    EXPECT_EQ(d, 29);
    EXPECT_EQ(IncMonth(v, 1), 30.25);  // 29 January 1900 06:00
}

TEST(DateTime, DayOfWeek) {
    EXPECT_EQ(DayOfWeekIso(0), 6);                          // Saturday
    EXPECT_EQ(DayOfWeekIso(EncodeDate(1900, 1, 1)), 1);     // Monday
    EXPECT_EQ(DayOfWeekIso(EncodeDate(2026, 12, 13)), 7);   // Sunday
    EXPECT_EQ(DayOfWeekIso(EncodeDate(1, 1, 1)), 1);        // Monday
    EXPECT_EQ(DayOfWeekIso(-1.5), 5);                       // Friday
    EXPECT_EQ(DayOfWeekSunday(EncodeDate(2026, 12, 13)), 1);
}

TEST(DateTime, IncMonthClampsAndKeepsTime) {
    struct { int y, m, d, add, ey, em, ed; } cases[] = {
        {2024, 1, 31, 1, 2024, 2, 29},  {2023, 1, 31, 1, 2023, 2, 28},
        {2024, 3, 31, -1, 2024, 2, 29}, {2024, 12, 15, 1, 2025, 1, 15},
        {2024, 1, 15, -1, 2023, 12, 15}, {2024, 5, 31, -17, 2022, 12, 31},
        {2024, 5, 31, 24, 2026, 5, 31},  {2024, 5, 10, 0, 2024, 5, 10},
    };
    for (const auto& c : cases) {
        DateTime v = EncodeDateTime(c.y, c.m, c.d, 13, 14, 15, 16);
        DateTime r = IncMonth(v, c.add);
        EXPECT_EQ(r, EncodeDateTime(c.ey, c.em, c.ed, 13, 14, 15, 16)) << c.y << "-" << c.m;
    }
    EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), Error);
    EXPECT_THROW(IncMonth(EncodeDate(1, 1, 1), -1), Error);
}

TEST(DateTime, Validity) {
    EXPECT_TRUE(IsValidDateTime(0));
    EXPECT_TRUE(IsValidDateTime(-693593.5));
    EXPECT_TRUE(IsValidDateTime(2958465.999));
    EXPECT_FALSE(IsValidDateTime(2958466));
    EXPECT_FALSE(IsValidDateTime(-693594));
    EXPECT_FALSE(IsValidDateTime(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(IsValidDateTime(std::numeric_limits<double>::infinity()));
    // Values that are no date decode as day 0 instead of misbehaving.
    int y, m, d, h, mi, s, ms;
    DecodeDateTime(1e300, y, m, d, h, mi, s, ms);
    EXPECT_EQ(y * 10000 + m * 100 + d, 18991230);
    EXPECT_EQ(h + mi + s + ms, 0);
}

TEST(DateTimeFormat, FormatsOfThePrograms) {
    const FormatSettings& en = EnglishFormatSettings();
    DateTime v = EncodeDateTime(2004, 1, 15, 19, 45, 7, 89);
    struct { const char* fmt; const char* out; } cases[] = {
        {"ddddd \"at\" H:mm", "1/15/2004 at 19:45"},
        {"\"Logging started\" ddddd \"at\" H:mm:ss", "Logging started 1/15/2004 at 19:45:07"},
        {"'Logging ended' ddddd 'at' H:mm:ss", "Logging ended 1/15/2004 at 19:45:07"},
        {"c", "1/15/2004 7:45:07 PM"},
        {"", "1/15/2004 7:45:07 PM"},
        {"mm/dd/yyyy", "01/15/2004"},
        {"mm-dd-yy", "01-15-04"},
        {"dd-mm-yyyy hh:nn", "15-01-2004 19:45"},
        {"hh:nnAM/PM", "07:45PM"},
        {"h:mm am/pm", "7:45 pm"},
        {"h:mm a/p", "7:45 p"},
        {"t", "7:45 PM"},
        {"tt", "7:45:07 PM"},
        {"ddd d mmm yy", "Thu 15 Jan 04"},
        {"dddd, mmmm d", "Thursday, January 15"},
        {"dddddd", "Thursday, January 15, 2004"},
        {"s.zzz z", "7.089 89"},
        {"yyyy-mm-dd\"T\"hh:nn:ss", "2004-01-15T19:45:07"},
        {"m", "1"},
        {"h m", "19 45"},
        {"\"unterminated", "unterminated"},
        {"x#", "x#"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.fmt, v, en), c.out) << c.fmt;
    EXPECT_EQ(DateTimeToStr(EncodeDate(2004, 1, 15), en), "1/15/2004");
    EXPECT_EQ(DateToStr(v, en), "1/15/2004");
    EXPECT_EQ(TimeToStr(v, en), "7:45:07 PM");
    EXPECT_EQ(FormatDateTime("h:nn ampm", EncodeTime(0, 5, 0, 0), en), "12:05 AM");
    EXPECT_EQ(FormatDateTime("h:nn ampm", EncodeTime(12, 5, 0, 0), en), "12:05 PM");
}

TEST(DateTimeFormat, SettingsAreHonouredAndSelfReferenceDoesNotRecurse) {
    FormatSettings de;
    de.ShortDateFormat = "dd/mm/yyyy";
    de.DateSeparator = ".";
    de.LongTimeFormat = "hh:nn:ss";
    de.ShortDayNames[4] = "Do";
    DateTime v = EncodeDateTime(2004, 1, 15, 9, 5, 0, 0);
    EXPECT_EQ(FormatDateTime("c", v, de), "15.01.2004 09:05:00");
    EXPECT_EQ(FormatDateTime("ddd", v, de), "Do");
    de.ShortDateFormat = "ddddd";
    EXPECT_EQ(FormatDateTime("ddddd", v, de), "");
}

TEST(DateTimeParse, DatesInTheOrderOfTheShortFormat) {
    FormatSettings s;
    struct { const char* fmt; const char* sep; const char* text; int y, m, d; } cases[] = {
        {"mm/dd/yyyy", "/", "3/5/2003", 2003, 3, 5},
        {"mm/dd/yyyy", "/", " 12/31/1999 ", 1999, 12, 31},
        {"mm-dd-yy", "-", "01-15-04", 2004, 1, 15},
        {"mm-dd-yy", "-", "01-15-76", 1976, 1, 15},
        {"mm-dd-yy", "-", "01-15-75", 2075, 1, 15},
        {"dd-mm-yyyy", "-", "15-2-2004", 2004, 2, 15},
        {"yyyy.mm.dd", ".", "2004.02.15", 2004, 2, 15},
        {"dd-mm-yyyy", "-", "15-2", 2026, 2, 15},
    };
    for (const auto& c : cases) {
        s.ShortDateFormat = c.fmt;
        s.DateSeparator = c.sep;
        DateTime r = -1;
        ASSERT_TRUE(TryStrToDate(c.text, r, s, 2026)) << c.text;
        EXPECT_EQ(r, EncodeDate(c.y, c.m, c.d)) << c.text;
    }
    s.ShortDateFormat = "mm/dd/yyyy";
    s.DateSeparator = "/";
    for (const char* bad : {"", "2/30/2004", "13/1/2004", "1/2/3/4", "1/x/2004", "1-2-2004",
                            "3/5/2003x", "99999999999/1/1", "/"}) {
        DateTime r = -1;
        EXPECT_FALSE(TryStrToDate(bad, r, s, 2026)) << bad;
        EXPECT_EQ(r, -1);
    }
}

TEST(DateTimeParse, TimesAndDateTimes) {
    FormatSettings s;
    struct { const char* text; int h, mi, sec; } ok[] = {
        {"12:34", 12, 34, 0}, {"07:45PM", 19, 45, 0}, {"12:00 am", 0, 0, 0},
        {"12:30PM", 12, 30, 0}, {"10:30:15", 10, 30, 15}, {"9 PM", 21, 0, 0},
        {" 23:59:59 ", 23, 59, 59},
    };
    for (const auto& c : ok) {
        DateTime r = -1;
        ASSERT_TRUE(TryStrToTime(c.text, r, s)) << c.text;
        EXPECT_EQ(r, EncodeTime(c.h, c.mi, c.sec, 0)) << c.text;
    }
    DateTime r;
    ASSERT_TRUE(TryStrToTime("1:02:03.5", r, s));
    EXPECT_EQ(r, EncodeTime(1, 2, 3, 500));
    for (const char* bad : {"", "24:00", "12:60", "13:00 PM", "0:10 AM", "12", "12:", "1:2:3:4",
                            "12:34 XM"})
        EXPECT_FALSE(TryStrToTime(bad, r, s)) << bad;

    s.ShortDateFormat = "mm/dd/yyyy";
    ASSERT_TRUE(TryStrToDateTime("3/5/2026 12:34", r, s, 2026));
    EXPECT_EQ(r, EncodeDateTime(2026, 3, 5, 12, 34, 0, 0));
    ASSERT_TRUE(TryStrToDateTime("1/10/2003", r, s, 2026));
    EXPECT_EQ(r, EncodeDate(2003, 1, 10));
    ASSERT_TRUE(TryStrToDateTime("07:45PM", r, s, 2026));
    EXPECT_EQ(r, EncodeTime(19, 45, 0, 0));
    EXPECT_FALSE(TryStrToDateTime("3/5/2026 25:00", r, s, 2026));
    EXPECT_FALSE(TryStrToDateTime("3/5/2026x12:00", r, s, 2026));
}

TEST(Clock, FixedAndSystem) {
    FixedClock fixed(EncodeDate(2026, 1, 2));
    EXPECT_EQ(CurrentYear(fixed), 2026);
    fixed.Advance(365);
    EXPECT_EQ(CurrentYear(fixed), 2027);
    fixed.Set(1.5);
    EXPECT_EQ(fixed.Now(), 1.5);
    SystemClock system;
    DateTime now = system.Now();
    EXPECT_TRUE(IsValidDateTime(now));
    EXPECT_GT(now, EncodeDate(2020, 1, 1));
    EXPECT_GE(system.Now(), now);
}

}  // namespace
