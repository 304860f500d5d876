#include "CountGenOptions.h"

#include <charconv>

#include "Calendar.h"

namespace zl {

namespace {

template <class T>
bool ParseNumber(const std::string& text, T lo, T hi, T* out) {
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < lo || value > hi) return false;
    *out = value;
    return true;
}

bool ParseTypes(const std::string& text, std::vector<int>* types) {
    std::vector<int> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        int type = 0;
        if (!ParseNumber(text.substr(start, comma - start), 1, 7, &type)) return false;
        out.push_back(type);
        start = comma + 1;
    }
    *types = out;
    return true;
}

}  // namespace

const char* CountGenUsage() {
    return "usage: countgen --root DIR [options]\n"
           "Writes sample counting databases of the seven counter types below DIR.\n"
           "  --root DIR             folder that receives the type folders (required)\n"
           "  --types 1,2,...        counter types to write (default: all, 1 to 7)\n"
           "  --days N               number of days (default 30)\n"
           "  --end YYYY-MM-DD       last day written (default: today)\n"
           "  --cameras N            cameras 1..64 (default 4)\n"
           "  --interval-minutes M   record interval, 1..1440 (default 15)\n"
           "  --seed S               random seed (default 1); the same seed gives the same data\n"
           "  --index                add an index on each table's time column\n"
           "  --regions N            access regions and queues, 1..10 (default 4)\n"
           "  --force                replace databases that already exist\n"
           "  --quiet                print nothing but errors\n"
           "  --version              print the version and exit\n";
}

int ParseCountGenArgs(const std::vector<std::string>& args, CountGenOptions* options, bool* quiet,
                      std::string* error) {
    CountGenOptions o;
    bool silent = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& opt = args[i];
        if (opt == "--help" || opt == "-h") return 2;
        if (opt == "--index") {
            o.index = true;
            continue;
        }
        if (opt == "--force") {
            o.replace = true;
            continue;
        }
        if (opt == "--quiet") {
            silent = true;
            continue;
        }
        if (opt.rfind("--", 0) != 0) return *error = "unexpected argument " + opt, 0;
        if (i + 1 >= args.size()) return *error = opt + " needs a value", 0;
        const std::string& value = args[++i];
        if (opt == "--root") {
            o.root = value;
        } else if (opt == "--types") {
            if (!ParseTypes(value, &o.types))
                return *error = "--types takes counter types 1 to 7 separated by commas", 0;
        } else if (opt == "--days") {
            if (!ParseNumber(value, 1, 3660, &o.days))
                return *error = "--days must be 1 to 3660", 0;
        } else if (opt == "--end") {
            CivilDate end;
            if (!ParseIsoDate(value, &end)) return *error = "--end must be a date YYYY-MM-DD", 0;
            o.endYear = end.year;
            o.endMonth = end.month;
            o.endDay = end.day;
        } else if (opt == "--cameras") {
            if (!ParseNumber(value, 1, 64, &o.cameras))
                return *error = "--cameras must be 1 to 64", 0;
        } else if (opt == "--interval-minutes") {
            if (!ParseNumber(value, 1, 1440, &o.intervalMinutes))
                return *error = "--interval-minutes must be 1 to 1440", 0;
        } else if (opt == "--seed") {
            if (!ParseNumber<uint64_t>(value, 0, UINT64_MAX, &o.seed))
                return *error = "--seed must be a whole number", 0;
        } else if (opt == "--regions") {
            if (!ParseNumber(value, 1, 10, &o.regions))
                return *error = "--regions must be 1 to 10", 0;
        } else {
            return *error = "unknown option " + opt, 0;
        }
    }
    if (o.root.empty()) return *error = "--root is required", 0;
    *options = o;
    if (quiet) *quiet = silent;
    return 1;
}

}  // namespace zl
