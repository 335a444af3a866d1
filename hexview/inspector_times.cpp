// Dates come from a days-to-civil conversion of our own rather than the C library, whose
// range and time zone handling differ between the systems.

#include "hexview/inspector_times.h"

namespace quillix {
namespace {

struct CivilDate {
    std::int64_t year;
    int month;  // 1..12
    int day;    // 1..31
};

// Days from 1970-01-01 in the proleptic Gregorian calendar. Both conversions count in
// 400-year eras of 146097 days, each starting on a 1 March so that the leap day ends it.
constexpr std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

constexpr CivilDate civilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // 0 is March
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {yearOfEra + era * 400 + (month <= 2), month,
            static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1)};
}

constexpr std::int64_t secondsPerDay = 86400;
constexpr std::int64_t firstShownDay = daysFromCivil(1601, 1, 1);  // also FILETIME's day 0
constexpr std::int64_t endShownDay = daysFromCivil(10000, 1, 1);
constexpr std::uint64_t fileTimeTicksPerSecond = 10'000'000;

bool isLeapYear(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(std::int64_t year, int month) {
    constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return days[month - 1] + (month == 2 && isLeapYear(year));
}

void putDateTime(InspectorText& text, const CivilDate& date, int hour, int minute, int second) {
    putDigits(text, static_cast<std::uint64_t>(date.year), 4);
    text.put(L'-');
    putDigits(text, static_cast<std::uint64_t>(date.month), 2);
    text.put(L'-');
    putDigits(text, static_cast<std::uint64_t>(date.day), 2);
    text.put(L' ');
    putDigits(text, static_cast<std::uint64_t>(hour), 2);
    text.put(L':');
    putDigits(text, static_cast<std::uint64_t>(minute), 2);
    text.put(L':');
    putDigits(text, static_cast<std::uint64_t>(second), 2);
}

// days counts from 1970-01-01; false, with "out of range" written, outside the years shown.
bool putDaySecond(InspectorText& text, std::int64_t days, std::int64_t secondOfDay) {
    if (days < firstShownDay || days >= endShownDay) {
        text.put(L"out of range");
        return false;
    }
    const int second = static_cast<int>(secondOfDay);
    putDateTime(text, civilFromDays(days), second / 3600, second / 60 % 60, second % 60);
    return true;
}

}  // namespace

void putUnixTime(InspectorText& text, std::int64_t seconds) {
    std::int64_t days = seconds / secondsPerDay;
    std::int64_t secondOfDay = seconds % secondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += secondsPerDay;
        --days;
    }
    putDaySecond(text, days, secondOfDay);
}

void putFileTime(InspectorText& text, std::uint64_t ticks) {
    const std::uint64_t seconds = ticks / fileTimeTicksPerSecond;
    const std::uint64_t fraction = ticks % fileTimeTicksPerSecond;
    const auto days = static_cast<std::int64_t>(seconds / secondsPerDay) + firstShownDay;
    if (putDaySecond(text, days, static_cast<std::int64_t>(seconds % secondsPerDay)) && fraction != 0) {
        text.put(L'.');
        putDigits(text, fraction, 7);
    }
}

void putDosDateTime(InspectorText& text, std::uint32_t value) {
    const int second = static_cast<int>(value & 0x1F) * 2;
    const int minute = static_cast<int>(value >> 5 & 0x3F);
    const int hour = static_cast<int>(value >> 11 & 0x1F);
    const int day = static_cast<int>(value >> 16 & 0x1F);
    const int month = static_cast<int>(value >> 21 & 0xF);
    const int year = 1980 + static_cast<int>(value >> 25);
    if (second > 59 || minute > 59 || hour > 23 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month))
        return text.put(L"invalid");
    putDateTime(text, CivilDate{year, month, day}, hour, minute, second);
}

}  // namespace quillix
