// A local calendar time with one-second resolution, its DOS and file-time forms,
// and pictures of letter codes for formatting and parsing. All texts are English.
#pragma once

#include "platform/machine/machine.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace zrv {

enum DateTimeStatus : int {
    kDateOk = 0,
    kBadDay = 3,
    kBadMonth = 4,
    kBadYear = 5,
    kBadHour = 7,
    kBadMinute = 8,
    kBadSecond = 9,
};

struct DosDateTime {
    std::uint16_t date = 0;
    std::uint16_t time = 0;
};

class DateTime {
public:
    DateTime() = default; // 1970-01-01 00:00:00 UTC
    static DateTime now();
    static DateTime fromUnix(std::time_t seconds);
    // A UTC file time shown in the local zone.
    static DateTime fromFileTime(FileTime ft);
    static DateTime fromDos(std::uint16_t date, std::uint16_t time);
    // Components in local time; out-of-range values are normalised as mktime does.
    static DateTime fromComponents(int year, int month, int day, int hour, int minute, int second);

    int SetDateTime(int year, int month, int day, int hour, int minute, int second);
    int ParseDateTime(std::string_view text, std::string_view picture);
    std::string FormatDateTime(std::string_view picture) const;

    DosDateTime AsDosDateTime() const;
    FileTime AsFileTime() const;
    std::time_t unix() const { return m_time; }

    int year() const { return parts().tm_year + 1900; }
    int month() const { return parts().tm_mon + 1; }
    int day() const { return parts().tm_mday; }
    int hour() const { return parts().tm_hour; }
    int minute() const { return parts().tm_min; }
    int second() const { return parts().tm_sec; }
    int weekday() const { return parts().tm_wday + 1; } // 1 Sunday .. 7 Saturday

    int DateNumber() const;
    std::string DateText() const;

    static int DaysInMonth(int month, int year);
    static int WeekdayFromName(std::string_view text);
    static int MonthFromName(std::string_view text);
    static std::string WeekdayName(int weekday); // "" outside 1-7
    static std::string MonthName(int month);     // "" outside 1-12
    static std::string OrdinalSuffix(int day);

    // The fixed formats, of this value's date and time.
    std::string FormatDate(bool fourDigitYear, int style) const;
    std::string FormatTime(int style) const;

    bool operator==(const DateTime& o) const { return m_time == o.m_time; }

private:
    struct std::tm parts() const;
    std::time_t m_time = 0;
};

} // namespace zrv
