// The command line of reporter-cli: what it accepts, its defaults (those of the window with
// untouched controls) and how it is read.
#pragma once

#include <string>
#include <vector>

#include "base/SysTime.h"

namespace zl {

enum class CliFormat { Table, Csv, Xml, Json, Xlsx };

enum class CliPaper { A4, Letter };

struct CliEndpoint {
    std::string host;
    int port = 0;
};

struct CliOptions {
    bool help = false;
    int counterType = 0;  // required, 1..7
    int range = 0;        // 0 day, 1 week, 2 month
    SYSTEMTIME date{};    // default today
    std::vector<std::string> locals;
    std::vector<CliEndpoint> servers;
    std::vector<CliEndpoint> devices;
    std::string user;
    std::string passwordFile;
    std::string caFile;    // servers use TLS: the certificate (PEM) to trust
    std::string siteList;  // empty: the program folder's site list (for --site, --all-sites)
    std::vector<std::string> siteNames;
    bool allSites = false;     // every site of the site list
    bool eachSite = false;     // a report per site, {site} in the file names
    std::vector<int> cameras;  // empty = every camera found
    int periodMinutes = 60;
    int direction = 0;
    int heightClass = 0;
    int heightLow = 110;  // the "above" class starts at 150, as the window shows it
    int heightHigh = 150;
    bool heightLowGiven = false;
    int heightUnit = 0;  // 0 cm, 1 in
    std::vector<int> regions{1};
    int queueMeasure = 0;
    std::string settingsFile;
    std::string langFile;
    // The code page of files that are neither UTF-8 nor UTF-16 ("950", "1252", ...); given, it
    // is set as the legacy code page while the options are read and wins over the settings.
    std::string codePage;
    CliFormat format = CliFormat::Table;
    std::string output;
    int retries = 0;
    bool quiet = false;
    int compareMode = 0;    // CompareMode: none, previous, previous-weekday, last-year
    bool coverage = false;  // CSV and XML get the coverage columns
    // The chart page and its picture.
    std::string chartDir;  // write the page folder here
    std::string pngFile;   // render the page to a PNG file
    std::string bmpFile;   // render the page to a 24-bit BMP file
    int chartView = 0;     // 0 line chart, 1 bar chart
    int chartWidth = 1000, chartHeight = 600;
    // The printable report: heading, chart, table with totals.
    std::string pdfFile;
    CliPaper paper = CliPaper::A4;
    // When the run started: relative dates count from its day, {now} in file names is it.
    SYSTEMTIME now{};
};

// Fills in the placeholders of every output file name; `site` for {site} (see ExpandOutputName).
bool ExpandCliOutputNames(CliOptions* options, const std::string& site, std::string* error);

// True when the sites come (also) from a site list.
bool UsesSiteList(const CliOptions& options);

// Reads the arguments after the program name. False with a one-line reason in *error.
bool ParseCliOptions(const std::vector<std::string>& args, CliOptions* options, std::string* error);
// The same as seen at the local time `now` (relative dates, {now} in file names).
bool ParseCliOptionsAt(const std::vector<std::string>& args, const SYSTEMTIME& now,
                       CliOptions* options, std::string* error);

// The usage text.
const char* CliUsage();

// "day", "week" or "month".
const char* RangeName(int range);

}  // namespace zl
