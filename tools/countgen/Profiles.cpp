#include "Profiles.h"

namespace zl {

namespace {

// 1 at x = 0, falling smoothly to 0 at |x| = width.
double Bump(double x, double width) {
    if (x <= -width || x >= width) return 0.0;
    const double r = x / width;
    const double v = 1.0 - r * r;
    return v * v;
}

double Clamp01(double v) {
    return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
}

bool IsWeekend(int weekday) {
    return weekday == 0 || weekday == 6;
}

}  // namespace

double ShopOpeningHour(int weekday) {
    return IsWeekend(weekday) ? 10.0 : 9.0;
}

double ShopProfile(double hour, int weekday) {
    const double open = ShopOpeningHour(weekday);
    if (hour < open - 1.0) return 0.02;
    if (hour < open) return 0.05;
    if (hour >= kShopClosingHour) return 0.01;
    double v;
    if (IsWeekend(weekday))
        v = 0.30 + 0.55 * Bump(hour - 14.0, 4.5) + 0.25 * Bump(hour - 18.0, 2.0);
    else
        v = 0.28 + 0.45 * Bump(hour - 12.5, 1.5) + 0.70 * Bump(hour - 18.4, 2.2);
    const double rampUp = 0.4 + 0.6 * Clamp01((hour - open) / 0.75);
    const double rampDown = 0.3 + 0.7 * Clamp01((kShopClosingHour - hour) / 0.5);
    return v * rampUp * rampDown;
}

double OfficeProfile(double hour, int weekday) {
    if (IsWeekend(weekday)) return hour >= 9.0 && hour < 16.0 ? 0.04 : 0.01;
    if (hour < 6.5 || hour >= 20.0) return 0.01;
    return 0.08 + 0.95 * Bump(hour - 8.5, 1.1) + 0.45 * Bump(hour - 12.8, 1.0) +
           0.80 * Bump(hour - 17.6, 1.3);
}

double RoadProfile(double hour, int weekday) {
    double v = 0.04 + 0.45 * Bump(hour - 13.5, 8.0);
    if (IsWeekend(weekday))
        v += 0.25 * Bump(hour - 14.0, 5.0);
    else
        v += 0.75 * Bump(hour - 8.0, 1.6) + 0.65 * Bump(hour - 17.6, 2.0);
    return v;
}

double WeekdayFactor(int weekday) {
    static constexpr double kFactors[7] = {0.62, 0.90, 0.92, 0.95, 1.00, 1.15, 0.82};
    return weekday >= 0 && weekday < 7 ? kFactors[weekday] : 1.0;
}

double MonthFactor(int month) {
    static constexpr double kFactors[12] = {0.88, 0.84, 0.93, 0.97, 1.00, 0.96,
                                            1.04, 1.06, 0.95, 0.99, 1.06, 1.25};
    return month >= 1 && month <= 12 ? kFactors[month - 1] : 1.0;
}

}  // namespace zl
