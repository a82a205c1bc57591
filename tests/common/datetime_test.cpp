#include "common/datetime.h"

#include <gtest/gtest.h>

using namespace zrv;

namespace {

DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    DateTime t;
    EXPECT_EQ(t.SetDateTime(y, mo, d, h, mi, s), kDateOk);
    return t;
}

TEST(SetDateTime, ChecksInOrderAndLeavesTheValueOnFailure) {
    DateTime t = at(1997, 3, 5, 14, 7, 9);
    struct Case {
        int y, mo, d, h, mi, s, status;
    } cases[] = {
        {97, 2, 29, 0, 0, 0, kBadDay},     {1997, 4, 31, 0, 0, 0, kBadDay},   {1997, 1, 1, 24, 0, 0, kBadHour},
        {1997, 13, 1, 0, 0, 0, kBadMonth}, {1997, 0, 40, 0, 0, 0, kBadMonth}, {10000, 1, 1, 0, 0, 0, kBadYear},
        {1997, 1, 0, 0, 0, 0, kBadDay},    {1997, 1, 1, 0, 60, 0, kBadMinute}, {1997, 1, 1, 0, 0, 60, kBadSecond},
        {1900, 2, 29, 0, 0, 0, kBadDay},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(t.SetDateTime(c.y, c.mo, c.d, c.h, c.mi, c.s), c.status) << c.y << "-" << c.mo << "-" << c.d;
        EXPECT_EQ(t.FormatDateTime("CCYY-MM-DD HH:XX:SS"), "1997-03-05 14:07:09");
    }
    ASSERT_EQ(t.SetDateTime(96, 2, 29, 0, 0, 0), kDateOk);
    EXPECT_EQ(t.DateNumber(), 19960229);
    EXPECT_EQ(t.DateText(), "19960229");
    EXPECT_EQ(t.SetDateTime(2000, 2, 29, 0, 0, 0), kDateOk);
}

TEST(FormatDateTime, ReplacesCodesInOrderWithoutReexaminingInsertedText) {
    DateTime t = at(1997, 3, 5, 14, 7, 9);
    EXPECT_EQ(t.FormatDateTime("DDDD, DD MMMM CCYY HH:XX"), "Wednesday, 05 March 1997 14:07");
    EXPECT_EQ(t.FormatDateTime("ddd d mmm yy"), "Wed 5 Mar 97");
    EXPECT_EQ(t.FormatDateTime("DTT"), "5th");
    EXPECT_EQ(t.FormatDateTime("HH:XXA"), "14:07p");
    // The month name keeps its capital A; only the picture's A becomes a or p.
    EXPECT_EQ(at(1997, 4, 1, 9).FormatDateTime("MMMM A"), "April a");
    EXPECT_EQ(at(1997, 8, 1, 9).FormatDateTime("MMM"), "Aug");
    // Other letters are codes too when they spell one.
    EXPECT_EQ(t.FormatDateTime("DATE DD"), "5pTE 05");
}

TEST(FormatDateTime, OrdinalSuffixes) {
    struct {
        int day;
        const char* suffix;
    } cases[] = {{1, "st"}, {2, "nd"}, {3, "rd"}, {4, "th"}, {11, "th"}, {12, "th"},
                 {13, "th"}, {21, "st"}, {22, "nd"}, {23, "rd"}, {30, "th"}, {31, "st"}};
    for (auto c : cases)
        EXPECT_EQ(at(1997, 1, c.day).FormatDateTime("TT"), c.suffix) << c.day;
}

TEST(ParseDateTime, ReadsFieldsAtThePicturesOffsets) {
    DateTime t;
    ASSERT_EQ(t.ParseDateTime("05/03/97", "DD/MM/YY"), kDateOk);
    EXPECT_EQ(t.DateNumber(), 19970305);
    ASSERT_EQ(t.ParseDateTime("05-Mar-97", "DD-MMM-YY"), kDateOk);
    EXPECT_EQ(t.DateNumber(), 19970305);
    ASSERT_EQ(t.ParseDateTime("1997/03/05 14:07:09", "CCYY/MM/DD HH:XX:SS"), kDateOk);
    EXPECT_EQ(t.FormatDateTime("CCYY-MM-DD HH:XX:SS"), "1997-03-05 14:07:09");
    EXPECT_EQ(t.ParseDateTime("31/02/97", "DD/MM/YY"), kBadDay);
    EXPECT_EQ(t.ParseDateTime("05-Xyz-97", "DD-MMM-YY"), kBadMonth);
}

TEST(ParseDateTime, WithoutAYearTakesTheNextSuchDate) {
    DateTime now = DateTime::now();
    DateTime t;
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d", now.day(), now.month());
    ASSERT_EQ(t.ParseDateTime(text, "DD/MM"), kDateOk);
    EXPECT_EQ(t.year(), now.year());
    if (now.day() > 1) {
        std::snprintf(text, sizeof text, "01/%02d", now.month());
        ASSERT_EQ(t.ParseDateTime(text, "DD/MM"), kDateOk);
        EXPECT_EQ(t.year(), now.year() + 1);
    }
}

TEST(DosForm, RoundTripsWithTwoSecondResolution) {
    DateTime t = at(1997, 3, 5, 14, 7, 9);
    DosDateTime d = t.AsDosDateTime();
    EXPECT_EQ(d.date, (1997 - 1980) * 512 + 3 * 32 + 5);
    EXPECT_EQ(d.time, 14 * 2048 + 7 * 32 + 4);
    EXPECT_EQ(DateTime::fromDos(d.date, d.time).FormatDateTime("CCYY-MM-DD HH:XX:SS"), "1997-03-05 14:07:08");
    EXPECT_EQ(DateTime::fromFileTime(t.AsFileTime()), t);
}

TEST(FixedFormats, EveryStyle) {
    DateTime t = at(1997, 3, 5, 14, 7, 9);
    const char* expected[] = {"05/03/97", "050397", "97/03/05", "970305", "05Mar97",
                              "05 Mar 97", "05th Mar 97", " 5 March 97", " 5th March 97"};
    for (int style = 0; style <= 8; ++style)
        EXPECT_EQ(t.FormatDate(false, style), expected[style]) << style;
    EXPECT_EQ(t.FormatDate(false, 99), "05/03/97");
    EXPECT_EQ(t.FormatDate(true, 2), "1997/03/05");
    EXPECT_EQ(at(2000, 1, 2).FormatDate(false, 0), "02/01/00");
    EXPECT_EQ(t.FormatTime(0), "14:07:09");
    EXPECT_EQ(t.FormatTime(1), "140709");
}

TEST(Names, LookupsAndLimits) {
    EXPECT_EQ(DateTime::MonthFromName("mar"), 3);
    EXPECT_EQ(DateTime::MonthFromName("JU"), 6);
    EXPECT_EQ(DateTime::MonthFromName("Xyz"), -1);
    EXPECT_EQ(DateTime::WeekdayFromName("sat"), 7);
    EXPECT_EQ(DateTime::WeekdayName(0), "");
    EXPECT_EQ(DateTime::MonthName(13), "");
    EXPECT_EQ(DateTime::DaysInMonth(2, 1996), 29);
    EXPECT_EQ(DateTime::DaysInMonth(2, 1997), 28);
    EXPECT_EQ(DateTime::DaysInMonth(13, 1997), -1);
    EXPECT_EQ(DateTime::DaysInMonth(1, -1), -1);
}

} // namespace
