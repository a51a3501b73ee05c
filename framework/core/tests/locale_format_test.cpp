#include "core/locale_format.h"

#include <gtest/gtest.h>

#include "core/compiler.h"

using namespace lark::core;

namespace {

struct PictureCase {
    const char* locale;
    const char* picture;
    PictureKind kind;
    const char* separator;  // the locale's date or time separator
    const char* expected;
};

// Real pictures of the systems' regional settings (Windows' and Wine's where they differ).
const PictureCase kPictures[] = {
    {"en-US", "M/d/yyyy", PictureKind::ShortDate, "/", "m/d/yyyy"},
    {"en-US", "dddd, MMMM d, yyyy", PictureKind::LongDate, "/", "dddd, mmmm d, yyyy"},
    {"en-US", "h:mm:ss tt", PictureKind::Time, ":", "h:nn:ss ampm"},
    {"en-US", "h:mm tt", PictureKind::Time, ":", "h:nn ampm"},
    {"en-GB", "dd/MM/yyyy", PictureKind::ShortDate, "/", "dd/mm/yyyy"},
    {"en-GB", "dddd, d MMMM yyyy", PictureKind::LongDate, "/", "dddd, d mmmm yyyy"},
    {"en-GB", "HH:mm:ss", PictureKind::Time, ":", "hh:nn:ss"},
    {"de-DE", "dd.MM.yyyy", PictureKind::ShortDate, ".", "dd/mm/yyyy"},
    {"de-DE (Wine)", "d.M.yyyy", PictureKind::ShortDate, ".", "d/m/yyyy"},
    {"de-DE", "dddd, d. MMMM yyyy", PictureKind::LongDate, ".", "dddd, d. mmmm yyyy"},
    {"de-DE", "HH:mm", PictureKind::Time, ":", "hh:nn"},
    {"fr-FR", "dd/MM/yyyy", PictureKind::ShortDate, "/", "dd/mm/yyyy"},
    {"fr-FR", "dddd d MMMM yyyy", PictureKind::LongDate, "/", "dddd d mmmm yyyy"},
    {"fr-FR", "HH:mm:ss", PictureKind::Time, ":", "hh:nn:ss"},
    {"ja-JP", "yyyy/MM/dd", PictureKind::ShortDate, "/", "yyyy/mm/dd"},
    {"ja-JP (Wine)", "yyyy/M/d", PictureKind::ShortDate, "/", "yyyy/m/d"},
    {"ja-JP", "yyyy'年'M'月'd'日'", PictureKind::LongDate, "/", "yyyy年m月d日"},
    {"ja-JP (Wine)", "yyyy年M月d日dddd", PictureKind::LongDate, "/", "yyyy年m月d日dddd"},
    {"ja-JP", "H:mm:ss", PictureKind::Time, ":", "h:nn:ss"},
    {"ISO", "yyyy-MM-dd", PictureKind::ShortDate, "-", "yyyy/mm/dd"},
    {"es-ES", "dddd, d' de 'MMMM' de 'yyyy", PictureKind::LongDate, "/", "dddd, d\" de \"mmmm\" de \"yyyy"},
    {"quote", "h 'o''clock'", PictureKind::Time, ":", "h\" o'clock\""},
    {"lone quotes", "HH''mm", PictureKind::Time, ":", "hh\"'\"nn"},
    {"double quote", "d'\"'M", PictureKind::LongDate, ".", "d'\"'m"},
    {"slash in a long date", "d/M/yy", PictureKind::LongDate, ".", "d\"/\"m\"/\"yy"},
    {"era", "gg yyyy", PictureKind::LongDate, "/", " yyyy"},
    {"one-letter marker", "h:mm t", PictureKind::Time, ":", "h:nn A/P"},
    {"letters of a token elsewhere", "HH.mm 'Uhr'", PictureKind::Time, ".", "hh:nn\" Uhr\""},
};

TEST(LocalePicture, ConvertsRealPicturesExactly) {
    for (const PictureCase& c : kPictures) {
        FormatSettings s;
        if (c.kind == PictureKind::Time) s.TimeSeparator = c.separator;
        else s.DateSeparator = c.separator;
        EXPECT_EQ(ConvertLocalePicture(c.picture, c.kind, s), c.expected) << c.locale << " " << c.picture;
    }
}

// GCC 12 reports assigning a one-character literal to std::optional<std::string> as an overlapping
// copy of 2^63 bytes (GCC bug 105329).
LARK_GCC_FALSE_POSITIVE("-Wrestrict")
LocaleAnswers GermanAnswers(const char* shortDate) {
    LocaleAnswers a;
    a.shortDate = shortDate;
    a.longDate = "dddd, d. MMMM yyyy";
    a.shortTime = "HH:mm";
    a.longTime = "HH:mm:ss";
    a.dateSeparator = ".";
    a.timeSeparator = ":";
    a.am = "";
    a.pm = "";
    a.decimalSeparator = ",";
    a.thousandSeparator = ".";
    a.currency = "€";
    const char* longMonths[12] = {"Januar", "Februar", "März",      "April",   "Mai",      "Juni",
                                  "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
    const char* longDays[7] = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
    for (int i = 0; i < 12; ++i) a.longMonths[i] = longMonths[i];
    for (int i = 0; i < 7; ++i) a.longDays[i] = longDays[i];
    return a;
}
LARK_GCC_FALSE_POSITIVE_END

// Thursday, 10 December 2026, 09:05:07.
const DateTime kSample = EncodeDateTime(2026, 12, 10, 9, 5, 7, 0);

TEST(LocalePicture, GermanSettingsFormatGermanDates) {
    const RegionalSettings r = RegionalSettingsFromLocale(GermanAnswers("dd.MM.yyyy"));
    const FormatSettings& s = r.formats;
    EXPECT_EQ(DateToStr(kSample, s), "10.12.2026");
    EXPECT_EQ(DateTimeToStr(kSample, s), "10.12.2026 09:05:07");
    EXPECT_EQ(FormatDateTime("dddddd tt", kSample, s), "Donnerstag, 10. Dezember 2026 09:05:07");
    EXPECT_EQ(FormatDateTime("t", kSample, s), "09:05");
    // A German text of the programs: the short date from the settings, the rest as written.
    EXPECT_EQ(FormatDateTime("ddddd \"um\" H:mm", kSample, s), "10.12.2026 um 9:05");
    EXPECT_EQ(r.CurrencyString, "€");
    EXPECT_EQ(r.ThousandSeparator, ".");
    EXPECT_EQ(s.DecimalSeparator, ",");
    // Not answered: the built-in names stay.
    EXPECT_EQ(s.ShortMonthNames[2], "Mar");
    // Wine's own German short date has no leading zeros.
    EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 5), RegionalSettingsFromLocale(GermanAnswers("d.M.yyyy")).formats),
              "5.3.2024");
}

// GCC 12 reports assigning a one-character literal to std::optional<std::string> as an overlapping
// copy of 2^63 bytes (GCC bug 105329).
LARK_GCC_FALSE_POSITIVE("-Wrestrict")
TEST(LocalePicture, TwelveHourAndOtherSettings) {
    LocaleAnswers us;
    us.shortDate = "M/d/yyyy";
    us.longTime = "h:mm:ss tt";
    us.am = "AM";
    us.pm = "PM";
    const FormatSettings en = RegionalSettingsFromLocale(us).formats;
    EXPECT_EQ(DateTimeToStr(kSample, en), "12/10/2026 9:05:07 AM");
    EXPECT_EQ(DateTimeToStr(kSample + 0.5, en), "12/10/2026 9:05:07 PM");

    LocaleAnswers ja;
    ja.shortDate = "yyyy/MM/dd";
    ja.longTime = "H:mm:ss";
    ja.am = "午前";
    ja.pm = "午後";
    EXPECT_EQ(DateTimeToStr(kSample + 0.5, RegionalSettingsFromLocale(ja).formats), "2026/12/10 21:05:07");

    LocaleAnswers iso;
    iso.shortDate = "yyyy-MM-dd";
    iso.dateSeparator = "-";
    EXPECT_EQ(DateToStr(kSample, RegionalSettingsFromLocale(iso).formats), "2026-12-10");
}
LARK_GCC_FALSE_POSITIVE_END

TEST(LocalePicture, NothingAnsweredKeepsTheBuiltInSettings) {
    LocaleAnswers none;
    none.shortDate = "";  // an empty picture would mean "c"
    const RegionalSettings r = RegionalSettingsFromLocale(none);
    const FormatSettings& en = EnglishFormatSettings();
    EXPECT_EQ(r.formats.ShortDateFormat, en.ShortDateFormat);
    EXPECT_EQ(r.formats.LongTimeFormat, en.LongTimeFormat);
    EXPECT_EQ(r.formats.LongDayNames, en.LongDayNames);
    EXPECT_EQ(r.CurrencyString, "$");
    EXPECT_EQ(r.ThousandSeparator, ",");
}

TEST(LocaleNumber, SeparatorsOfTheLocale) {
    struct Case {
        double value;
        int decimals;
        const char *point, *thousands, *expected;
    } cases[] = {
        {1.5, 2, ".", ",", "1.50"},
        {1.5, 2, ",", ".", "1,50"},
        {1234567.891, 2, ",", ".", "1.234.567,89"},
        {1234567.891, 2, ".", ",", "1,234,567.89"},
        {-1234.5, 1, ",", "\xE2\x80\xAF", "-1\xE2\x80\xAF" "234,5"},
        {999.0, 0, ",", ".", "999"},
        {1234.0, 2, ",", "", "1234,00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatNumber(c.value, c.decimals, c.point, c.thousands), c.expected) << c.value;
}

}  // namespace
