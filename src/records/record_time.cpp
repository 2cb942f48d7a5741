#include "records/record_time.h"

#include <charconv>

namespace velkaro {
namespace {

bool leapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leapYear(year) ? 29 : kDays[month - 1];
}

/// Exactly `digits` decimal digits at `at`, advancing it.
bool readNumber(std::string_view text, std::size_t& at, std::size_t digits, int& value) {
    if (at + digits > text.size()) {
        return false;
    }
    for (std::size_t i = at; i < at + digits; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    std::from_chars(text.data() + at, text.data() + at + digits, value);
    at += digits;
    return true;
}

bool expect(std::string_view text, std::size_t& at, char wanted) {
    if (at < text.size() && text[at] == wanted) {
        ++at;
        return true;
    }
    return false;
}

} // namespace

WallSeconds wallSecondsOf(const std::tm& time) {
    std::tm copy = time;
    copy.tm_isdst = 0;
    return static_cast<WallSeconds>(timegm(&copy));
}

WallSeconds wallSecondsAt(std::time_t instant) {
    std::tm local{};
    localtime_r(&instant, &local);
    return wallSecondsOf(local);
}

WallSeconds minuteStartOf(WallSeconds seconds) {
    return seconds - ((seconds % kMinuteSeconds) + kMinuteSeconds) % kMinuteSeconds;
}

std::tm wallTimeOf(WallSeconds seconds) {
    const auto value = static_cast<std::time_t>(seconds);
    std::tm result{};
    gmtime_r(&value, &result);
    return result;
}

std::time_t epochOfWall(WallSeconds seconds) {
    std::tm local = wallTimeOf(seconds);
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::optional<std::tm> parseRecordTime(std::string_view text) {
    std::size_t at = 0;
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!readNumber(text, at, 4, year) || !expect(text, at, '-') ||
        !readNumber(text, at, 2, month) || !expect(text, at, '-') ||
        !readNumber(text, at, 2, day)) {
        return std::nullopt;
    }
    if (!expect(text, at, ' ') && !expect(text, at, 'T')) {
        return std::nullopt;
    }
    if (!readNumber(text, at, 2, hour) || !expect(text, at, ':') ||
        !readNumber(text, at, 2, minute)) {
        return std::nullopt;
    }
    if (at < text.size() && (!expect(text, at, ':') || !readNumber(text, at, 2, second))) {
        return std::nullopt;
    }
    if (at != text.size() || year < 1970 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month) || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    std::tm result{};
    result.tm_year = year - 1900;
    result.tm_mon = month - 1;
    result.tm_mday = day;
    result.tm_hour = hour;
    result.tm_min = minute;
    result.tm_sec = second;
    // Fills in the weekday and day of the year, which strftime may print.
    return wallTimeOf(wallSecondsOf(result));
}

} // namespace velkaro
