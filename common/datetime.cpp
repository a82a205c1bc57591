#include "common/datetime.h"

#include "common/text.h"
#include "platform/base/ansi.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace zrv {

namespace {

constexpr std::array<const char*, 7> kWeekdays = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonths = {"January", "February", "March",     "April",
                                                 "May",     "June",     "July",      "August",
                                                 "September", "October", "November", "December"};

std::string printf2(const char* format, int value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

} // namespace

DateTime DateTime::now() { return fromUnix(std::time(nullptr)); }

DateTime DateTime::fromUnix(std::time_t seconds) {
    DateTime d;
    d.m_time = seconds;
    return d;
}

DateTime DateTime::fromFileTime(FileTime ft) { return fromUnix(static_cast<std::time_t>(unixFromFileTime(ft))); }

DateTime DateTime::fromComponents(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return fromUnix(std::mktime(&tm));
}

DateTime DateTime::fromDos(std::uint16_t date, std::uint16_t time) {
    return fromComponents(date / 512 + 1980, (date / 32) % 16, date % 32, (time / 2048) % 32, (time / 32) % 64,
                          (time % 32) * 2);
}

std::tm DateTime::parts() const {
    std::tm tm{};
    localtime_r(&m_time, &tm);
    return tm;
}

int DateTime::DaysInMonth(int month, int year) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || year < 0)
        return -1;
    // The full Gregorian rule: 1900 and 2100 have no 29 February, and accepting one
    // would silently turn into 1 March.
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

int DateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1900)
        year += 1900;
    if (year < 1 || year > 9999)
        return kBadYear;
    if (month < 1 || month > 12)
        return kBadMonth;
    if (day < 1 || day > DaysInMonth(month, year))
        return kBadDay;
    if (hour < 0 || hour > 23)
        return kBadHour;
    if (minute < 0 || minute > 59)
        return kBadMinute;
    if (second < 0 || second > 59)
        return kBadSecond;
    *this = fromComponents(year, month, day, hour, minute, second);
    return kDateOk;
}

std::string DateTime::WeekdayName(int weekday) {
    return weekday >= 1 && weekday <= 7 ? kWeekdays[static_cast<std::size_t>(weekday - 1)] : "";
}

std::string DateTime::MonthName(int month) {
    return month >= 1 && month <= 12 ? kMonths[static_cast<std::size_t>(month - 1)] : "";
}

std::string DateTime::OrdinalSuffix(int day) {
    if (day >= 10 && day <= 13)
        return "th";
    switch (day % 10) {
    case 1: return "st";
    case 2: return "nd";
    case 3: return "rd";
    default: return "th";
    }
}

int DateTime::WeekdayFromName(std::string_view text) {
    for (std::size_t i = 0; i < kWeekdays.size(); ++i)
        if (startsWithNoCase(kWeekdays[i], text))
            return static_cast<int>(i + 1);
    return -1;
}

int DateTime::MonthFromName(std::string_view text) {
    for (std::size_t i = 0; i < kMonths.size(); ++i)
        if (startsWithNoCase(kMonths[i], text))
            return static_cast<int>(i + 1);
    return -1;
}

std::string DateTime::FormatDateTime(std::string_view picture) const {
    // The picture is cut into pieces still to be examined and pieces already
    // inserted; each code replaces only inside the former.
    struct Piece {
        std::string text;
        bool inserted;
    };
    std::vector<Piece> pieces{{upperAnsi(picture), false}};
    auto replace = [&](std::string_view code, const std::string& with) {
        std::vector<Piece> next;
        for (Piece& p : pieces) {
            if (p.inserted) {
                next.push_back(std::move(p));
                continue;
            }
            std::size_t start = 0;
            for (std::size_t at; (at = p.text.find(code, start)) != std::string::npos; start = at + code.size()) {
                if (at > start)
                    next.push_back({p.text.substr(start, at - start), false});
                next.push_back({with, true});
            }
            if (start < p.text.size())
                next.push_back({p.text.substr(start), false});
        }
        pieces = std::move(next);
    };
    std::tm t = parts();
    int weekday = t.tm_wday + 1;
    int month = t.tm_mon + 1;
    int year = t.tm_year + 1900;
    replace("DDDD", WeekdayName(weekday));
    replace("DDD", WeekdayName(weekday).substr(0, 3));
    replace("DD", printf2("%02d", t.tm_mday));
    replace("D", printf2("%d", t.tm_mday));
    replace("MMMM", MonthName(month));
    replace("MMM", MonthName(month).substr(0, 3));
    replace("MM", printf2("%02d", month));
    replace("CC", printf2("%02d", year / 100));
    replace("YY", printf2("%02d", year % 100));
    replace("TT", OrdinalSuffix(t.tm_mday));
    replace("HH", printf2("%02d", t.tm_hour));
    replace("XX", printf2("%02d", t.tm_min));
    replace("SS", printf2("%02d", t.tm_sec));
    replace("A", t.tm_hour < 12 ? "a" : "p");
    std::string out;
    for (const Piece& p : pieces)
        out += p.text;
    return out;
}

int DateTime::ParseDateTime(std::string_view text, std::string_view picture) {
    std::string pic = upperAnsi(picture);
    auto field = [&](std::string_view code, std::size_t width) -> std::optional<std::string> {
        std::size_t at = pic.find(code);
        if (at == std::string::npos)
            return std::nullopt;
        if (at >= text.size())
            return std::string();
        return std::string(text.substr(at, width));
    };
    auto number = [](const std::string& digits) { return std::atoi(digits.c_str()); };

    int day = 1, month = 1, century = 19, hour = 0, minute = 0, second = 0;
    if (auto f = field("DD", 2))
        day = number(*f);
    if (auto f = field("MMM", 3))
        month = MonthFromName(*f);
    else if (auto g = field("MM", 2))
        month = number(*g);
    if (auto f = field("CC", 2))
        century = number(*f);
    if (auto f = field("HH", 2))
        hour = number(*f);
    if (auto f = field("XX", 2))
        minute = number(*f);
    if (auto f = field("SS", 2))
        second = number(*f);
    int year;
    if (auto f = field("YY", 2)) {
        year = century * 100 + number(*f);
    } else {
        // A date without a year is the next such date from today.
        DateTime today = now();
        year = today.year();
        if (day < today.day() && today.month() >= month)
            ++year;
    }
    return SetDateTime(year, month, day, hour, minute, second);
}

DosDateTime DateTime::AsDosDateTime() const {
    std::tm t = parts();
    DosDateTime d;
    d.date = static_cast<std::uint16_t>((t.tm_year + 1900 - 1980) * 512 + (t.tm_mon + 1) * 32 + t.tm_mday);
    d.time = static_cast<std::uint16_t>(t.tm_hour * 2048 + t.tm_min * 32 + t.tm_sec / 2);
    return d;
}

FileTime DateTime::AsFileTime() const { return fileTimeFromUnix(m_time); }

int DateTime::DateNumber() const {
    std::tm t = parts();
    return (t.tm_year + 1900) * 10000 + (t.tm_mon + 1) * 100 + t.tm_mday;
}

std::string DateTime::DateText() const {
    std::tm t = parts();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%-4d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    return buf;
}

std::string DateTime::FormatDate(bool fourDigitYear, int style) const {
    std::tm t = parts();
    int d = t.tm_mday, m = t.tm_mon + 1, y = t.tm_year + 1900;
    std::string year = fourDigitYear ? printf2("%04d", y) : printf2("%02d", y % 100);
    std::string mon3 = MonthName(m).substr(0, 3);
    std::string suffix = OrdinalSuffix(d);
    char buf[96];
    switch (style) {
    case 1: std::snprintf(buf, sizeof buf, "%02d%02d%s", d, m, year.c_str()); break;
    case 2: std::snprintf(buf, sizeof buf, "%s/%02d/%02d", year.c_str(), m, d); break;
    case 3: std::snprintf(buf, sizeof buf, "%s%02d%02d", year.c_str(), m, d); break;
    case 4: std::snprintf(buf, sizeof buf, "%02d%s%s", d, mon3.c_str(), year.c_str()); break;
    case 5: std::snprintf(buf, sizeof buf, "%02d %s %s", d, mon3.c_str(), year.c_str()); break;
    case 6: std::snprintf(buf, sizeof buf, "%02d%s %s %s", d, suffix.c_str(), mon3.c_str(), year.c_str()); break;
    case 7: std::snprintf(buf, sizeof buf, "%2d %s %s", d, MonthName(m).c_str(), year.c_str()); break;
    case 8:
        std::snprintf(buf, sizeof buf, "%2d%s %s %s", d, suffix.c_str(), MonthName(m).c_str(), year.c_str());
        break;
    default: std::snprintf(buf, sizeof buf, "%02d/%02d/%s", d, m, year.c_str()); break;
    }
    return buf;
}

std::string DateTime::FormatTime(int style) const {
    std::tm t = parts();
    char buf[32];
    std::snprintf(buf, sizeof buf, style == 1 ? "%02d%02d%02d" : "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return buf;
}

} // namespace zrv
