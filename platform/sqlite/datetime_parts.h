#pragma once
// A server datetime split into its parts: the canonical text the engine
// stores ("YYYY-MM-DD hh:mm:ss.fff"), days since 1900-01-01 (the server's
// number for a datetime), and the parts DATEPART reads (weekday 1 = Sunday).
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace vantyr::platform::sqlite {

struct DateTimeParts {
    int year = 1900, month = 1, day = 1, hour = 0, minute = 0, second = 0, millisecond = 0;

    static bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
    static int monthDays(int y, int m) {
        constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        return m == 2 && leap(y) ? 29 : days[m - 1];
    }
    bool valid() const {
        return year >= 1753 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= monthDays(year, month) &&
               hour < 24 && minute < 60 && second < 60;
    }
    std::string text() const {
        char out[96];
        std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d.%03d", year, month, day, hour, minute, second,
                      millisecond);
        return out;
    }
    // Days from 1970-01-01 of a civil date (proleptic Gregorian).
    static long long civilDays(int y, int m, int d) {
        y -= m <= 2;
        long long era = (y >= 0 ? y : y - 399) / 400;
        long long yoe = y - era * 400;
        long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + doe - 719468;
    }
    long long daysSince1900() const { return civilDays(year, month, day) - civilDays(1900, 1, 1); }
    static DateTimeParts fromDaysSince1900(double value) {
        long long whole = static_cast<long long>(value >= 0 ? value : value - 1);
        if (static_cast<double>(whole) > value) --whole;
        long long z = whole + civilDays(1900, 1, 1) + 719468;
        long long era = (z >= 0 ? z : z - 146096) / 146097;
        long long doe = z - era * 146097;
        long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        long long mp = (5 * doy + 2) / 153;
        DateTimeParts p;
        p.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
        p.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
        p.year = static_cast<int>(yoe + era * 400 + (p.month <= 2));
        auto ms = static_cast<long long>((value - static_cast<double>(whole)) * 86400000.0 + 0.5);
        if (ms >= 86400000) ms = 86399999;
        p.hour = static_cast<int>(ms / 3600000);
        p.minute = static_cast<int>(ms / 60000 % 60);
        p.second = static_cast<int>(ms / 1000 % 60);
        p.millisecond = static_cast<int>(ms % 1000);
        return p;
    }
    int weekday() const { return static_cast<int>(((civilDays(year, month, day) + 4) % 7 + 7) % 7) + 1; }
    int dayOfYear() const { return static_cast<int>(civilDays(year, month, day) - civilDays(year, 1, 1)) + 1; }
    // Parts of the canonical text.
    static std::optional<DateTimeParts> ofCanonical(std::string_view s) {
        DateTimeParts p;
        if (s.size() != 23 || std::sscanf(std::string(s).c_str(), "%4d-%2d-%2d %2d:%2d:%2d.%3d", &p.year, &p.month, &p.day,
                                          &p.hour, &p.minute, &p.second, &p.millisecond) != 7)
            return std::nullopt;
        return p;
    }
};

}  // namespace vantyr::platform::sqlite
