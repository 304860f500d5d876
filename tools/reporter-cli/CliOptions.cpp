#include "CliOptions.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <set>

#include "CliDates.h"
#include "base/TextCodec.h"
#include "query/Compare.h"

namespace zl {

namespace {

bool ParseInt(const std::string& text, long lo, long hi, int* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != 0 || v < lo || v > hi) return false;
    *out = static_cast<int>(v);
    return true;
}

bool ParseList(const std::string& text, int lo, int hi, std::vector<int>* out) {
    out->clear();
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        int v;
        if (!ParseInt(item, lo, hi, &v)) return false;
        if (std::find(out->begin(), out->end(), v) == out->end()) out->push_back(v);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return !out->empty();
}

bool ParseEndpoint(const std::string& text, CliEndpoint* out) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    out->host = text.substr(0, colon);
    return ParseInt(text.substr(colon + 1), 1, 65535, &out->port);
}

}  // namespace

const char* RangeName(int range) {
    switch (range) {
        case 1:
            return "week";
        case 2:
            return "month";
        default:
            return "day";
    }
}

bool ExpandCliOutputNames(CliOptions* o, const std::string& site, std::string* error) {
    OutputNameFields fields;
    fields.date = o->date;
    fields.range = RangeName(o->range);
    fields.counterType = o->counterType;
    fields.now = o->now;
    fields.site = site;
    for (std::string* name : {&o->output, &o->pdfFile, &o->pngFile, &o->bmpFile}) {
        std::string expanded;
        if (!ExpandOutputName(*name, fields, &expanded, error)) return false;
        *name = expanded;
    }
    return true;
}

bool UsesSiteList(const CliOptions& o) {
    return !o.siteList.empty() || !o.siteNames.empty() || o.allSites;
}

const char* CliUsage() {
    return "usage: reporter-cli report --type N --range day|week|month --date DATE\n"
           "    DATE: YYYY-MM-DD, today, yesterday, -Nd (N days back) or last-monday ..\n"
           "          last-sunday (default today)\n"
           "    [--local PATH]...  [--server HOST:PORT]...  [--device HOST:PORT]...\n"
           "    [--user NAME] [--password-file FILE]        (for the server and device sites)\n"
           "    [--ca FILE]                                  (servers use TLS: certificate to "
           "trust)\n"
           "    [--site-list FILE] [--site NAME]... [--all-sites]\n"
           "                  (sites of a SiteList.ini by name, or all; default: the program's)\n"
           "    [--each-site]   (a report per site, its name as {site} in the file names)\n"
           "    [--cameras 1,2,5]           (read as given, without discovery; default: every "
           "camera\n"
           "                                 found)\n"
           "    [--period 5|10|15|30|60] [--direction 0|1|2]\n"
           "    [--height-class 0|1|2|3] [--height-low N] [--height-high N] [--unit cm|in]\n"
           "    [--regions 1,3] [--queue-measure 0|1|2|3]\n"
           "    [--settings FILE] [--lang FILE] [--code-page N]  (files not in UTF-8/16)\n"
           "    [--format table|csv|xml|json|xlsx] [--output FILE] [--retries N] [--quiet]\n"
           "    [--pdf FILE] [--paper a4|letter]             (the printable report)\n"
           "    [--chart DIR] [--png FILE] [--bmp FILE] [--chart-view line|bar]\n"
           "    [--chart-size WxH]                           (the chart page and its picture)\n"
           "    File names may hold {date} {range} {type} {now} (YYYYMMDD-hhmmss) {site}.\n"
           "    [--compare previous|previous-weekday|last-year]  (the same report for an earlier\n"
           "                                 period beside it)\n"
           "    [--coverage]                (CSV and XML: records present and expected per "
           "bucket)\n"
           "exit codes: 0 done, 1 bad command line, 2 no site could be connected, 3 the query\n"
           "failed or was cancelled, 4 an output could not be written, 5 written from the sites\n"
           "that answered while others failed (each named on standard error)\n";
}

bool ParseCliOptions(const std::vector<std::string>& args, CliOptions* o, std::string* error) {
    return ParseCliOptionsAt(args, GetSysTime(), o, error);
}

bool ParseCliOptionsAt(const std::vector<std::string>& args, const SYSTEMTIME& now, CliOptions* o,
                       std::string* error) {
    *o = CliOptions();
    o->now = now;
    o->date = MakeSysTime(now.wYear, now.wMonth, now.wDay);
    const auto fail = [&](const std::string& why) {
        *error = why;
        return false;
    };
    if (args.empty()) return fail("no command given (expected \"report\")");
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        o->help = true;
        return true;
    }
    if (args[0] != "report") return fail("unknown command \"" + args[0] + "\"");

    static const std::set<std::string> kFlags = {"--quiet", "--all-sites", "--each-site",
                                                 "--help",  "-h",          "--coverage"};
    bool typeGiven = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (kFlags.count(name)) {
            if (name == "--quiet")
                o->quiet = true;
            else if (name == "--all-sites")
                o->allSites = true;
            else if (name == "--each-site")
                o->eachSite = true;
            else if (name == "--coverage")
                o->coverage = true;
            else
                o->help = true;
            continue;
        }
        if (name.rfind("--", 0) != 0) return fail("unexpected argument \"" + name + "\"");
        if (i + 1 >= args.size()) return fail(name + " needs a value");
        const std::string& v = args[++i];
        const auto bad = [&] { return fail("invalid value \"" + v + "\" for " + name); };
        if (name == "--type") {
            if (!ParseInt(v, 1, 7, &o->counterType)) return bad();
            typeGiven = true;
        } else if (name == "--range") {
            if (v == "day")
                o->range = 0;
            else if (v == "week")
                o->range = 1;
            else if (v == "month")
                o->range = 2;
            else
                return bad();
        } else if (name == "--date") {
            if (!ResolveCliDate(v, now, &o->date)) return bad();
        } else if (name == "--local") {
            if (v.empty()) return bad();
            o->locals.push_back(v);
        } else if (name == "--server" || name == "--device") {
            CliEndpoint e;
            if (!ParseEndpoint(v, &e)) return bad();
            (name == "--server" ? o->servers : o->devices).push_back(e);
        } else if (name == "--user") {
            o->user = v;
        } else if (name == "--password-file") {
            o->passwordFile = v;
        } else if (name == "--ca") {
            if (v.empty()) return bad();
            o->caFile = v;
        } else if (name == "--site-list") {
            o->siteList = v;
        } else if (name == "--site") {
            o->siteNames.push_back(v);
        } else if (name == "--cameras") {
            if (!ParseList(v, 1, 64, &o->cameras)) return bad();
        } else if (name == "--period") {
            if (!ParseInt(v, 1, 60, &o->periodMinutes) || 60 % o->periodMinutes != 0 ||
                (o->periodMinutes != 5 && o->periodMinutes != 10 && o->periodMinutes != 15 &&
                 o->periodMinutes != 30 && o->periodMinutes != 60))
                return bad();
        } else if (name == "--direction") {
            if (!ParseInt(v, 0, 2, &o->direction)) return bad();
        } else if (name == "--height-class") {
            if (!ParseInt(v, 0, 3, &o->heightClass)) return bad();
        } else if (name == "--height-low") {
            if (!ParseInt(v, 0, 100000, &o->heightLow)) return bad();
            o->heightLowGiven = true;
        } else if (name == "--height-high") {
            if (!ParseInt(v, 0, 100000, &o->heightHigh)) return bad();
        } else if (name == "--unit") {
            if (v == "cm")
                o->heightUnit = 0;
            else if (v == "in")
                o->heightUnit = 1;
            else
                return bad();
        } else if (name == "--regions") {
            if (!ParseList(v, 1, 10, &o->regions)) return bad();
        } else if (name == "--queue-measure") {
            if (!ParseInt(v, 0, 3, &o->queueMeasure)) return bad();
        } else if (name == "--settings") {
            o->settingsFile = v;
        } else if (name == "--lang") {
            o->langFile = v;
        } else if (name == "--code-page") {
            if (!zl::SetLegacyCodePage(v, true)) return fail("unknown code page: " + v);
            o->codePage = zl::CodePageName(v);
        } else if (name == "--format") {
            if (v == "table")
                o->format = CliFormat::Table;
            else if (v == "csv")
                o->format = CliFormat::Csv;
            else if (v == "xml")
                o->format = CliFormat::Xml;
            else if (v == "json")
                o->format = CliFormat::Json;
            else if (v == "xlsx")
                o->format = CliFormat::Xlsx;
            else
                return bad();
        } else if (name == "--output") {
            if (v.empty()) return bad();
            o->output = v;
        } else if (name == "--chart") {
            if (v.empty()) return bad();
            o->chartDir = v;
        } else if (name == "--png") {
            if (v.empty()) return bad();
            o->pngFile = v;
        } else if (name == "--bmp") {
            if (v.empty()) return bad();
            o->bmpFile = v;
        } else if (name == "--pdf") {
            if (v.empty()) return bad();
            o->pdfFile = v;
        } else if (name == "--paper") {
            if (v == "a4")
                o->paper = CliPaper::A4;
            else if (v == "letter")
                o->paper = CliPaper::Letter;
            else
                return bad();
        } else if (name == "--chart-view") {
            if (v == "line")
                o->chartView = 0;
            else if (v == "bar")
                o->chartView = 1;
            else
                return bad();
        } else if (name == "--chart-size") {
            const size_t x = v.find('x');
            if (x == std::string::npos || !ParseInt(v.substr(0, x), 100, 8000, &o->chartWidth) ||
                !ParseInt(v.substr(x + 1), 100, 8000, &o->chartHeight))
                return bad();
        } else if (name == "--compare") {
            CompareMode mode = kCompareNone;
            if (!ParseCompareMode(v, &mode)) return bad();
            o->compareMode = mode;
        } else if (name == "--retries") {
            if (!ParseInt(v, 0, INT_MAX, &o->retries)) return bad();
        } else {
            return fail("unknown option " + name);
        }
    }
    if (o->help) return true;
    if (!typeGiven) return fail("--type is required");
    if (o->locals.empty() && o->servers.empty() && o->devices.empty() && !UsesSiteList(*o))
        return fail(
            "no site given (use --local, --server, --device, --site-list, --site or --all-sites)");
    if (o->format == CliFormat::Xlsx && o->output.empty())
        return fail("--format xlsx needs --output FILE");
    // The window sets the threshold edit to 150 when "above a height" is chosen.
    if (o->heightClass == 2 && !o->heightLowGiven) o->heightLow = 150;
    if (!o->eachSite) return ExpandCliOutputNames(o, "", error);
    // A report per site: the names are filled in per site, and each must tell the sites apart.
    CliOptions probe = *o;
    if (!ExpandCliOutputNames(&probe, "site", error)) return false;
    for (const std::string* name : {&o->output, &o->pdfFile, &o->pngFile, &o->bmpFile})
        if (!name->empty() && name->find("{site}") == std::string::npos)
            return fail("with --each-site, " + *name + " needs {site}");
    return true;
}

}  // namespace zl
