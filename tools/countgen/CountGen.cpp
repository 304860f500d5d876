#include "CountGen.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <tuple>

#include "Calendar.h"
#include "Profiles.h"
#include "Random.h"
#include "base/CounterTypes.h"

namespace zl {

namespace {

// Stream keys, so each kind of draw has a stream of its own.
enum StreamKey : uint64_t { kDayStream = 101, kScaleStream = 102, kRegionStream = 103 };

struct Day {
    CivilDate date;
    int weekday = 0;
    double factor = 1.0;   // weekday, month and the day's own luck (weather)
    char prefix[12] = {};  // "YYYY-MM-DD "
};

struct Context {
    const CountGenOptions& options;
    std::vector<Day> days;
    int startMinute = 0;
    int endMinute = 0;  // exclusive
    int slots = 0;      // per day
};

// Writes 'YYYY-MM-DD hh:mm:ss' into a fixed buffer.
class TimeText {
  public:
    void Set(const Day& day, int secondOfDay) {
        std::memcpy(buf_, day.prefix, 11);
        Two(11, secondOfDay / 3600);
        buf_[13] = ':';
        Two(14, secondOfDay / 60 % 60);
        buf_[16] = ':';
        Two(17, secondOfDay % 60);
        buf_[19] = '\0';
    }
    const char* Data() const { return buf_; }
    static constexpr int kLength = 19;

  private:
    void Two(int at, int v) {
        buf_[at] = static_cast<char>('0' + v / 10);
        buf_[at + 1] = static_cast<char>('0' + v % 10);
    }
    char buf_[20] = {};
};

// A duration as 'hh:mm:ss', which strftime reads as a time of day.
std::string DurationText(int seconds) {
    seconds = std::clamp(seconds, 0, 24 * 3600 - 1);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return buf;
}

bool IsRoundTheClock(int type) {
    return type == kTraffic;
}

double CameraScale(uint64_t seed, int camera) {
    Rng rng(seed, kScaleStream, static_cast<uint64_t>(camera));
    return 0.55 + 0.9 * rng.Uniform();
}

double MidHour(const Context& ctx, int slot) {
    const int m = ctx.options.intervalMinutes;
    const int start = ctx.startMinute + slot * m;
    const int end = std::min(start + m, ctx.endMinute);
    return (start + end) / 120.0;
}

int SlotMinutes(const Context& ctx, int slot) {
    const int start = ctx.startMinute + slot * ctx.options.intervalMinutes;
    return std::min(ctx.options.intervalMinutes, ctx.endMinute - start);
}

// People inside an area seen by one camera: arrivals follow the profile, each person stays
// for a while, and whoever is still inside leaves by the end of the day, so a day's in and out
// match.
struct Occupancy {
    int inside = 0;
    // Returns the exits of a slot of 'minutes' at 'hour'; 'last' empties the area.
    int Exits(Rng& rng, double hour, int minutes, double stayMinutes, bool last) {
        if (last) return inside;
        const double leaveShare =
            std::min(1.0, minutes / (hour >= kShopClosingHour ? 8.0 : stayMinutes));
        return std::min(inside, rng.Poisson(inside * leaveShare));
    }
};

// One slot of shop footfall for a camera: expected arrivals per minute.
double ShopRate(const Day& day, double hour, double scale, double peak) {
    return peak * scale * day.factor * ShopProfile(hour, day.weekday);
}

// Calls perCamera(day, slot, camera, time text) for every record of a one-record-per-interval
// type, in time order and camera order within a time.
template <class PerCamera>
bool ForEachSlot(const Context& ctx, PerCamera&& perCamera) {
    TimeText text;
    for (std::size_t d = 0; d < ctx.days.size(); ++d) {
        const Day& day = ctx.days[d];
        for (int s = 0; s < ctx.slots; ++s) {
            text.Set(day, (ctx.startMinute + s * ctx.options.intervalMinutes) * 60);
            for (int c = 1; c <= ctx.options.cameras; ++c)
                if (!perCamera(day, s, c, text)) return false;
        }
    }
    return true;
}

struct CameraState {
    Rng rng;
    double scale;
    Occupancy area;
};

std::vector<CameraState> Cameras(const Context& ctx, int type) {
    std::vector<CameraState> cams;
    for (int c = 1; c <= ctx.options.cameras; ++c)
        cams.push_back(
            {Rng(ctx.options.seed, static_cast<uint64_t>(type), static_cast<uint64_t>(c)),
             CameraScale(ctx.options.seed, c), Occupancy{}});
    return cams;
}

bool GenPeople2D(const Context& ctx, DbWriter& w) {
    auto cams = Cameras(ctx, kPeople2D);
    return ForEachSlot(ctx, [&](const Day& day, int s, int c, const TimeText& text) {
        CameraState& cam = cams[c - 1];
        const double hour = MidHour(ctx, s);
        const int minutes = SlotMinutes(ctx, s);
        const int in = cam.rng.Poisson(ShopRate(day, hour, cam.scale, 2.2) * minutes);
        cam.area.inside += in;
        const int out = cam.area.Exits(cam.rng, hour, minutes, 35.0, s == ctx.slots - 1);
        cam.area.inside -= out;
        w.Text(1, text.Data(), TimeText::kLength);
        w.Int(2, in);
        w.Int(3, out);
        w.Int(4, c);
        return w.Insert();
    });
}

// Heights in millimetres: adults around 1700 (sd 80), a few children.
int PersonHeight(Rng& rng) {
    const double h = rng.Uniform() < 0.04 ? rng.Normal(1250.0, 120.0) : rng.Normal(1700.0, 80.0);
    return static_cast<int>(std::clamp(h, 900.0, 2150.0) + 0.5);
}

struct PersonEvent {
    int second;
    int camera;
    int inOut;
    int height;
    bool operator<(const PersonEvent& o) const {
        return std::tie(second, camera, inOut, height) <
               std::tie(o.second, o.camera, o.inOut, o.height);
    }
};

bool GenPeople3D(const Context& ctx, DbWriter& w) {
    auto cams = Cameras(ctx, kPeople3D);
    std::vector<PersonEvent> events;
    TimeText text;
    for (const Day& day : ctx.days) {
        for (int s = 0; s < ctx.slots; ++s) {
            const double hour = MidHour(ctx, s);
            const int minutes = SlotMinutes(ctx, s);
            const int slotStart = (ctx.startMinute + s * ctx.options.intervalMinutes) * 60;
            events.clear();
            for (int c = 1; c <= ctx.options.cameras; ++c) {
                CameraState& cam = cams[c - 1];
                const int in = cam.rng.Poisson(ShopRate(day, hour, cam.scale, 1.6) * minutes);
                cam.area.inside += in;
                const int out = cam.area.Exits(cam.rng, hour, minutes, 35.0, s == ctx.slots - 1);
                cam.area.inside -= out;
                for (int i = 0; i < in + out; ++i)
                    events.push_back({slotStart + cam.rng.Below(minutes * 60), c, i < in ? 1 : 2,
                                      PersonHeight(cam.rng)});
            }
            std::sort(events.begin(), events.end());
            for (const PersonEvent& e : events) {
                text.Set(day, e.second);
                w.Text(1, text.Data(), TimeText::kLength);
                w.Int(2, e.inOut);
                w.Int(3, e.height);
                w.Int(4, e.camera);
                if (!w.Insert()) return false;
            }
        }
    }
    return true;
}

// How a camera's traffic splits over its regions (weights summing to 1).
std::vector<double> RegionShares(const CountGenOptions& o, int type, int camera) {
    Rng rng(o.seed, kRegionStream, static_cast<uint64_t>(type), static_cast<uint64_t>(camera));
    std::vector<double> shares(o.regions);
    double sum = 0.0;
    for (double& s : shares) sum += (s = 0.5 + rng.Uniform());
    for (double& s : shares) s /= sum;
    return shares;
}

bool GenAccess(const Context& ctx, DbWriter& w) {
    auto cams = Cameras(ctx, kAccess);
    std::vector<std::vector<double>> shares;
    for (int c = 1; c <= ctx.options.cameras; ++c)
        shares.push_back(RegionShares(ctx.options, kAccess, c));
    return ForEachSlot(ctx, [&](const Day& day, int s, int c, const TimeText& text) {
        CameraState& cam = cams[c - 1];
        const double rate =
            1.5 * cam.scale * day.factor * OfficeProfile(MidHour(ctx, s), day.weekday);
        w.Text(1, text.Data(), TimeText::kLength);
        for (int r = 1; r <= 10; ++r) {
            const int count =
                r <= ctx.options.regions
                    ? cam.rng.Poisson(rate * SlotMinutes(ctx, s) * shares[c - 1][r - 1])
                    : 0;
            w.Int(1 + r, count);
        }
        w.Int(12, c);
        return w.Insert();
    });
}

bool GenZone(const Context& ctx, DbWriter& w) {
    auto cams = Cameras(ctx, kZone);
    return ForEachSlot(ctx, [&](const Day& day, int s, int c, const TimeText& text) {
        CameraState& cam = cams[c - 1];
        const double hour = MidHour(ctx, s);
        const int minutes = SlotMinutes(ctx, s);
        const int before = cam.area.inside;
        cam.area.inside += cam.rng.Poisson(ShopRate(day, hour, cam.scale, 0.9) * minutes);
        cam.area.inside -= cam.area.Exits(cam.rng, hour, minutes, 25.0, s == ctx.slots - 1);
        w.Text(1, text.Data(), TimeText::kLength);
        w.Int(2, (before + cam.area.inside + 1) / 2);
        w.Int(3, c);
        return w.Insert();
    });
}

bool GenFlow(const Context& ctx, DbWriter& w) {
    auto cams = Cameras(ctx, kFlow);
    return ForEachSlot(ctx, [&](const Day& day, int s, int c, const TimeText& text) {
        CameraState& cam = cams[c - 1];
        const double lambda = ShopRate(day, MidHour(ctx, s), cam.scale, 3.0) * SlotMinutes(ctx, s);
        w.Text(1, text.Data(), TimeText::kLength);
        w.Int(2, cam.rng.Poisson(lambda));
        w.Int(3, cam.rng.Poisson(lambda));
        w.Int(4, cam.rng.Poisson(0.6 * lambda));
        w.Int(5, cam.rng.Poisson(0.6 * lambda));
        w.Int(6, c);
        return w.Insert();
    });
}

bool GenTraffic(const Context& ctx, DbWriter& w) {
    // Large, medium and small vehicles and pedestrians, in then out.
    static constexpr double kShares[4] = {0.05, 0.15, 0.60, 0.20};
    auto cams = Cameras(ctx, kTraffic);
    return ForEachSlot(ctx, [&](const Day& day, int s, int c, const TimeText& text) {
        CameraState& cam = cams[c - 1];
        const double lambda = 6.0 * cam.scale * day.factor *
                              RoadProfile(MidHour(ctx, s), day.weekday) * SlotMinutes(ctx, s);
        w.Text(1, text.Data(), TimeText::kLength);
        for (int k = 0; k < 4; ++k) {
            w.Int(2 + 2 * k, cam.rng.Poisson(lambda * kShares[k]));
            w.Int(3 + 2 * k, cam.rng.Poisson(lambda * kShares[k]));
        }
        w.Int(10, c);
        return w.Insert();
    });
}

struct QueueEvent {
    int second;
    int camera;
    int region;
    int duration;
    bool operator<(const QueueEvent& o) const {
        return std::tie(second, camera, region, duration) <
               std::tie(o.second, o.camera, o.region, o.duration);
    }
};

bool WriteQueueEvents(std::vector<QueueEvent>& events, const Day& day, DbWriter& w) {
    std::sort(events.begin(), events.end());
    TimeText text;
    for (const QueueEvent& e : events) {
        text.Set(day, e.second);
        const std::string duration = DurationText(e.duration);
        w.Text(1, text.Data(), TimeText::kLength);
        w.Text(2, duration.c_str(), static_cast<int>(duration.size()));
        w.Int(3, e.region);
        w.Int(4, e.camera);
        if (!w.Insert()) return false;
    }
    return true;
}

// Queues at service points (checkouts, counters): customers arrive with the shop's footfall
// and each service point serves about one customer per two minutes while the shop is open.
// The length of a queue is the steady queue of its load (rho^2 / (1 - rho)) plus any backlog
// that builds when arrivals outrun the service in a peak. Writes the queue lengths per interval,
// one row per waiting customer and one per customer served.
bool GenQueue(const Context& ctx, DbWriter& lengths, DbWriter& waiting, DbWriter& served) {
    constexpr double kServicePerMinute = 0.5;
    auto cams = Cameras(ctx, kQueue);
    const int regions = ctx.options.regions;
    std::vector<int> backlog(static_cast<std::size_t>(ctx.options.cameras * regions), 0);
    std::vector<QueueEvent> waits, services;
    TimeText text;
    for (const Day& day : ctx.days) {
        std::fill(backlog.begin(), backlog.end(), 0);
        for (int s = 0; s < ctx.slots; ++s) {
            const double hour = MidHour(ctx, s);
            const int minutes = SlotMinutes(ctx, s);
            const int slotStart = (ctx.startMinute + s * ctx.options.intervalMinutes) * 60;
            const bool open = hour >= ShopOpeningHour(day.weekday) && hour < kShopClosingHour + 0.5;
            text.Set(day, slotStart);
            waits.clear();
            services.clear();
            for (int c = 1; c <= ctx.options.cameras; ++c) {
                CameraState& cam = cams[c - 1];
                // Arrivals per minute at one queue; busy cameras overload their queues at peaks.
                const double rate =
                    open ? ShopRate(day, hour, cam.scale, 0.7 * kServicePerMinute) : 0.0;
                const double rho = std::min(rate / kServicePerMinute, 0.95);
                const double steady = rho * rho / (1.0 - rho);
                for (int q = 1; q <= regions; ++q) {
                    int& queue = backlog[static_cast<std::size_t>((c - 1) * regions + q - 1)];
                    const int before = queue;
                    const int arrived = cam.rng.Poisson(rate * minutes);
                    const int capacity = open ? cam.rng.Poisson(kServicePerMinute * minutes) : 0;
                    const int done = std::min(before + arrived, capacity);
                    queue = before + arrived - done;
                    const double ahead = steady + 0.5 * (before + queue);
                    for (int i = 0; i < arrived; ++i) {
                        const double wait =
                            ahead / kServicePerMinute * 60.0 * (0.6 + 0.8 * cam.rng.Uniform()) +
                            5.0 + 25.0 * cam.rng.Uniform();
                        waits.push_back({slotStart + cam.rng.Below(minutes * 60), c, q,
                                         static_cast<int>(wait)});
                    }
                    for (int i = 0; i < done; ++i) {
                        const double service = std::clamp(cam.rng.Normal(120.0, 35.0), 20.0, 900.0);
                        services.push_back({slotStart + cam.rng.Below(minutes * 60), c, q,
                                            static_cast<int>(service)});
                    }
                    const double length = ahead + (open ? 0.6 * cam.rng.Normal() : 0.0);
                    lengths.Text(1, text.Data(), TimeText::kLength);
                    lengths.Int(2, length < 0.0 ? 0 : static_cast<int>(length + 0.5));
                    lengths.Int(3, q);
                    lengths.Int(4, c);
                    if (!lengths.Insert()) return false;
                }
            }
            if (!WriteQueueEvents(waits, day, waiting) || !WriteQueueEvents(services, day, served))
                return false;
        }
    }
    return true;
}

std::vector<Day> MakeDays(const CountGenOptions& o) {
    const CivilDate end = o.endYear ? CivilDate{o.endYear, o.endMonth, o.endDay} : LocalToday();
    const int64_t last = DaysFromCivil(end);
    std::vector<Day> days;
    for (int64_t n = last - o.days + 1; n <= last; ++n) {
        Day day;
        day.date = CivilFromDays(n);
        day.weekday = WeekdayOfDays(n);
        Rng luck(o.seed, kDayStream, static_cast<uint64_t>(n));
        day.factor = WeekdayFactor(day.weekday) * MonthFactor(day.date.month) *
                     (0.88 + 0.24 * luck.Uniform());
        std::snprintf(day.prefix, sizeof day.prefix, "%04d-%02d-%02d ", day.date.year,
                      day.date.month, day.date.day);
        days.push_back(day);
    }
    return days;
}

TableSpec Table(const char* name, std::vector<ColumnSpec> columns) {
    return TableSpec{name, std::move(columns)};
}

std::string TrimmedRoot(std::string root) {
    while (root.size() > 1 && (root.back() == '/' || root.back() == '\\')) root.pop_back();
    return root;
}

}  // namespace

std::vector<TypeFile> FilesOfType(int type) {
    const ColumnSpec camera{"Camera", "INTEGER"};
    switch (type) {
        case kPeople2D:
            return {{CounterTypeRelativePath(type), Table("Records", {{"EnterTime", "TEXT"},
                                                                      {"Inward", "INTEGER"},
                                                                      {"Outward", "INTEGER"},
                                                                      camera})}};
        case kPeople3D:
            return {
                {CounterTypeRelativePath(type),
                 Table("_3DRecords",
                       {{"Time", "TEXT"}, {"InOut", "INTEGER"}, {"Height", "INTEGER"}, camera})}};
        case kAccess: {
            static const char* const kCounts[10] = {"Count1", "Count2", "Count3", "Count4",
                                                    "Count5", "Count6", "Count7", "Count8",
                                                    "Count9", "Count10"};
            std::vector<ColumnSpec> cols{{"StartTime", "TEXT"}};
            for (const char* name : kCounts) cols.push_back({name, "INTEGER"});
            cols.push_back(camera);
            return {{CounterTypeRelativePath(type), Table("records", cols)}};
        }
        case kZone:
            return {
                {CounterTypeRelativePath(type),
                 Table("records", {{"StartTime", "TEXT"}, {"AverageCount", "INTEGER"}, camera})}};
        case kFlow:
            return {{CounterTypeRelativePath(type), Table("records", {{"CountingTime", "TEXT"},
                                                                      {"Line1_In", "INTEGER"},
                                                                      {"Line1_Out", "INTEGER"},
                                                                      {"Line2_In", "INTEGER"},
                                                                      {"Line2_Out", "INTEGER"},
                                                                      camera})}};
        case kTraffic:
            return {{CounterTypeRelativePath(type), Table("records", {{"EnterTime", "TEXT"},
                                                                      {"LargeIn", "INTEGER"},
                                                                      {"LargeOut", "INTEGER"},
                                                                      {"MediumIn", "INTEGER"},
                                                                      {"MediumOut", "INTEGER"},
                                                                      {"SmallIn", "INTEGER"},
                                                                      {"SmallOut", "INTEGER"},
                                                                      {"PedestrianIn", "INTEGER"},
                                                                      {"PedestrianOut", "INTEGER"},
                                                                      camera})}};
        case kQueue:
            return {{CounterTypeRelativePath(type), Table("records", {{"StartTime", "TEXT"},
                                                                      {"AverageCount", "INTEGER"},
                                                                      {"Queue", "INTEGER"},
                                                                      camera})},
                    {kQueueWaitingRelativePath, Table("records", {{"StartTime", "TEXT"},
                                                                  {"WaitingTime", "TEXT"},
                                                                  {"Queue", "INTEGER"},
                                                                  camera})},
                    {kQueueServedRelativePath, Table("records", {{"StartTime", "TEXT"},
                                                                 {"ServedTime", "TEXT"},
                                                                 {"Counter", "INTEGER"},
                                                                 camera})}};
        default:
            return {};
    }
}

int SlotsPerDay(int type, int intervalMinutes) {
    if (intervalMinutes < 1) return 0;
    // Round-the-clock devices record all day, the others from 06:00 to 22:00.
    const int span = IsRoundTheClock(type) ? 24 * 60 : 16 * 60;
    return (span + intervalMinutes - 1) / intervalMinutes;
}

bool ValidateCountGenOptions(const CountGenOptions& o, std::string* error) {
    if (o.root.empty()) return *error = "no root folder given", false;
    if (o.types.empty()) return *error = "no counter type chosen", false;
    for (int t : o.types)
        if (!IsValidCounterType(t)) return *error = "counter types are 1 to 7", false;
    if (o.days < 1 || o.days > 3660) return *error = "days must be 1 to 3660", false;
    if (o.cameras < 1 || o.cameras > 64) return *error = "cameras must be 1 to 64", false;
    if (o.intervalMinutes < 1 || o.intervalMinutes > 1440)
        return *error = "the interval must be 1 to 1440 minutes", false;
    if (o.regions < 1 || o.regions > 10) return *error = "regions must be 1 to 10", false;
    if (o.endYear) {
        const CivilDate end{o.endYear, o.endMonth, o.endDay};
        const CivilDate back = CivilFromDays(DaysFromCivil(end));
        if (o.endYear > 9999 || back.year != end.year || back.month != end.month ||
            back.day != end.day)
            return *error = "the end date is not a valid date", false;
        if (DaysFromCivil(end) - o.days + 1 < DaysFromCivil({1, 1, 1}))
            return *error = "the days reach back before the year 1", false;
    }
    return true;
}

int GenerateDatabases(const CountGenOptions& options, std::vector<GeneratedFile>* files,
                      std::string* error) {
    std::string ignored;
    if (!error) error = &ignored;
    if (!ValidateCountGenOptions(options, error)) return 0;
    const std::string root = TrimmedRoot(options.root);

    std::vector<int> types = options.types;
    std::sort(types.begin(), types.end());
    types.erase(std::unique(types.begin(), types.end()), types.end());
    // Refuse before writing anything, rather than leave half of the types behind.
    if (!options.replace) {
        for (int type : types) {
            for (const TypeFile& file : FilesOfType(type)) {
                const std::string path = AppendRelativePath(root, file.relativePath);
                std::error_code ec;
                if (std::filesystem::exists(path, ec))
                    return *error = path + " already exists (use --force to replace it)", 0;
            }
        }
    }
    for (int type : types) {
        const auto started = std::chrono::steady_clock::now();
        Context ctx{options, MakeDays(options)};
        ctx.startMinute = IsRoundTheClock(type) ? 0 : 6 * 60;
        ctx.endMinute = IsRoundTheClock(type) ? 24 * 60 : 22 * 60;
        ctx.slots = SlotsPerDay(type, options.intervalMinutes);

        const std::vector<TypeFile> specs = FilesOfType(type);
        std::vector<DbWriter> writers(specs.size());
        for (std::size_t i = 0; i < specs.size(); ++i) {
            const std::string path = AppendRelativePath(root, specs[i].relativePath);
            if (!writers[i].Open(path, specs[i].table, options.replace, error)) return 0;
        }
        bool ok = false;
        switch (type) {
            case kPeople2D:
                ok = GenPeople2D(ctx, writers[0]);
                break;
            case kPeople3D:
                ok = GenPeople3D(ctx, writers[0]);
                break;
            case kAccess:
                ok = GenAccess(ctx, writers[0]);
                break;
            case kZone:
                ok = GenZone(ctx, writers[0]);
                break;
            case kFlow:
                ok = GenFlow(ctx, writers[0]);
                break;
            case kTraffic:
                ok = GenTraffic(ctx, writers[0]);
                break;
            case kQueue:
                ok = GenQueue(ctx, writers[0], writers[1], writers[2]);
                break;
        }
        (void)ok;  // a failed insert is reported by Finish
        for (DbWriter& w : writers)
            if (!w.Finish(options.index, error)) return 0;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (files)
            for (DbWriter& w : writers) files->push_back({w.Path(), w.Rows(), seconds});
    }
    return 1;
}

}  // namespace zl
