// Daily shapes of the generated traffic: relative intensities (about 1 at the busiest time)
// by hour of day and weekday (0 = Sunday), built from smooth polynomial bumps.
#pragma once

namespace zl {

// Shops and malls: open 09:00-21:00 on weekdays and 10:00-21:00 at weekends, with a lunch
// peak and a larger evening peak; a little staff traffic outside opening hours.
double ShopProfile(double hour, int weekday);
constexpr double kShopClosingHour = 21.0;
double ShopOpeningHour(int weekday);

// Offices behind access control: arrivals around 08:30, lunch, leaving around 17:30;
// weekends nearly empty.
double OfficeProfile(double hour, int weekday);

// Roads, round the clock: morning and evening rush hours on weekdays, a broad midday hump at
// weekends, little at night.
double RoadProfile(double hour, int weekday);

// Weekday factor (weekends lower, Friday busiest) and month factor (December busiest).
double WeekdayFactor(int weekday);
double MonthFactor(int month);

}  // namespace zl
