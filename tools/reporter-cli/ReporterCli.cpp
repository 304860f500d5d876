#include "ReporterCli.h"

#include <sys/stat.h>

#include <fstream>
#include <memory>

#include "CliChart.h"
#include "CliDates.h"
#include "CliFiles.h"
#include "CliInsights.h"
#include "CliOptions.h"
#include "CliOutput.h"
#include "CliReport.h"
#include "base/AtomicFile.h"
#include "base/CounterTypes.h"
#include "base/Version.h"
#include "data/QueryExec.h"
#include "data/SqlText.h"
#include "export/CsvExporter.h"
#include "export/XlsxReport.h"
#include "export/XmlExporter.h"
#include "query/DeviceBuckets.h"
#include "query/QueryRun.h"
#include "query/QueryWorker.h"
#include "query/ReportColumns.h"
#include "query/SiteConnect.h"
#include "query/SiteRunner.h"
#include "recnet/RecNetTls.h"
#include "store/ChartSettingsStore.h"
#include "store/IString.h"
#include "store/SiteListStore.h"
#include "store/StringIds.h"

namespace zl {

namespace {

constexpr const char* kPrefix = "reporter-cli: ";
constexpr const char* kExportSiteName = "Site Name";

bool FileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

const char* Text(unsigned id) {
    return IString::Instance()->LoadStringA(id);
}

// Answers Yes a fixed number of times, then No; says on standard error what it answered.
class ScriptedPrompt : public IRetryPrompt {
  public:
    ScriptedPrompt(int yes, std::ostream* err, bool quiet)
        : yesLeft_(yes), err_(err), quiet_(quiet) {}
    bool AskRetry(const std::string&, const std::string& message) override {
        ++asked_;
        lastMessage_ = message;
        const bool yes = yesLeft_ > 0;
        if (yes) --yesLeft_;
        if (!quiet_ && err_)
            *err_ << kPrefix << message << (yes ? " yes" : " no") << "\n" << std::flush;
        return yes;
    }
    int Asked() const { return asked_; }
    const std::string& LastMessage() const { return lastMessage_; }

  private:
    int yesLeft_;
    std::ostream* err_;
    bool quiet_;
    int asked_ = 0;
    std::string lastMessage_;
};

// A progress bar on one line of standard error.
class ProgressBar : public IProgressDisplay {
  public:
    ProgressBar(std::ostream* err, int total) : err_(err), total_(total > 0 ? total : 1) {}
    void ShowStep(const char*) override {
        ++done_;
        Draw();
    }
    void CloseDisplay() override {
        if (drawn_) *err_ << "\r\033[K" << std::flush;
        drawn_ = false;
    }
    void Draw() {
        const int shown = done_ > total_ ? total_ : done_;
        const int width = 40;
        const int filled = shown * width / total_;
        *err_ << "\r[" << std::string(static_cast<size_t>(filled), '#')
              << std::string(static_cast<size_t>(width - filled), '.') << "] "
              << shown * 100 / total_ << "%" << std::flush;
        drawn_ = true;
    }

  private:
    std::ostream* err_;
    int total_;
    int done_ = 0;
    bool drawn_ = false;
};

struct CliSite {
    SiteRecord record;
    std::string label;  // how the messages name it
};

std::string EndpointText(const CliEndpoint& e) {
    return e.host + ":" + std::to_string(e.port);
}

SiteRecord RemoteSite(const CliEndpoint& e, int connectionType, const CliOptions& o,
                      const std::string& password) {
    SiteRecord s;
    s.connectionType = connectionType;
    s.ipAddress = e.host;
    s.port = std::to_string(e.port);
    s.userName = o.user;
    s.password = password;
    s.counterType = o.counterType;
    return s;
}

// Progress steps a run takes: one per hour (Day) or per day, per builder run.
int ExpectedSteps(const std::vector<SiteRecord>& sites, const QueryParams& p) {
    const int sqlSteps =
        p.range == kReportDay
            ? 24
            : static_cast<int>(ReportBuckets(p.range, p.startDate, 60, p.hours).size());
    const int deviceSteps = static_cast<int>(DeviceBuckets(p.range, p.startDate, p.hours).size());
    int total = 0;
    for (const SiteRecord& s : sites) {
        const bool has2D = !CheckedCameras(s, false).empty();
        const bool has3D = !CheckedCameras(s, true).empty();
        if (IsPeopleCounterType(p.counterType)) {
            if (has2D) total += s.connectionType == kConnDevice ? deviceSteps : sqlSteps;
            if (has3D) total += sqlSteps;
        } else if (has2D) {
            total += sqlSteps;
        }
    }
    return total;
}

int WriteText(const CliOptions& o, const CliIo& io, const std::string& text) {
    if (o.output.empty()) {
        *io.out << text << std::flush;
        return kCliDone;
    }
    std::string why;
    if (!zl::WriteFileAtomically(o.output, text, &why)) {
        *io.err << kPrefix << "cannot write " << o.output << ": " << why << "\n";
        return kCliOutputFailed;
    }
    return kCliDone;
}

int UsageError(const CliIo& io, const std::string& why) {
    *io.err << kPrefix << why << " (see reporter-cli --help)\n";
    return kCliUsage;
}

// What the build can do and whether the files named can be read; 0 or kCliUsage.
int CheckOptionFiles(const CliOptions& o, const CliIo& io) {
    if (!o.chartDir.empty() && !CliCanWriteChart())
        return UsageError(io, "--chart is not available in this build");
    if ((!o.pngFile.empty() || !o.bmpFile.empty() || !o.pdfFile.empty()) && !CliCanRenderChart())
        return UsageError(io, "--png, --bmp and --pdf are not available in this build");
    for (const std::string* f :
         {&o.settingsFile, &o.langFile, &o.siteList, &o.passwordFile, &o.caFile})
        if (!f->empty() && !FileExists(*f)) return UsageError(io, "cannot read " + *f);
    std::string error;
    if (!o.caFile.empty() && !RecNetTrustCertificateFile(o.caFile, &error))
        return UsageError(io, error);
    return kCliDone;
}

// Language texts and chart settings: the program folder's, or the files given.
ChartSettings LoadTextsAndSettings(const CliOptions& o) {
    if (o.langFile.empty())
        IString::Instance()->Load();
    else
        IString::Instance()->SetFile(o.langFile);
    CChartSettingsStore* store = CChartSettingsStore::Instance();
    if (!o.settingsFile.empty()) store->SetFile(o.settingsFile);
    store->Load();
    ChartSettings settings;
    store->GetSettings(settings, o.counterType);
    return settings;
}

// The first line of the password file, without a trailing carriage return.
std::string ReadPassword(const std::string& file) {
    std::string password;
    if (file.empty()) return password;
    std::ifstream in(file, std::ios::binary);
    std::getline(in, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return password;
}

// The sites of a site list, all or those named; false with *why when a name is missing.
bool SitesFromList(const CliOptions& o, std::vector<CliSite>* sites, std::string* why) {
    CSiteListStore list;
    if (!o.siteList.empty()) list.SetFile(o.siteList);
    if (!list.Load()) {
        *why = "cannot read " + list.File();
        return false;
    }
    for (const std::string& name : o.siteNames) {
        bool found = false;
        for (const SiteRecord& s : list.Sites()) found = found || s.name == name;
        if (!found) {
            *why = "no site named \"" + name + "\" in " + list.File();
            return false;
        }
    }
    for (SiteRecord s : list.Sites()) {
        bool chosen = o.siteNames.empty();
        for (const std::string& name : o.siteNames) chosen = chosen || s.name == name;
        if (!chosen) continue;
        s.client2D = s.client3D = s.clientOther = nullptr;
        s.localDb = nullptr;
        s.deviceLink = nullptr;
        sites->push_back({s, s.name});
    }
    return true;
}

// The sites, in the order given: folders, servers, devices, then those of the site list.
bool CollectSites(const CliOptions& o, const std::string& password, std::vector<CliSite>* sites,
                  std::string* why) {
    for (const std::string& path : o.locals) {
        SiteRecord s;
        s.connectionType = kConnLocal;
        s.localDB = path;
        s.port = "700";
        s.counterType = o.counterType;
        sites->push_back({s, path});
    }
    for (const CliEndpoint& e : o.servers)
        sites->push_back({RemoteSite(e, kConnServer, o, password), EndpointText(e)});
    for (const CliEndpoint& e : o.devices)
        sites->push_back({RemoteSite(e, kConnDevice, o, password), EndpointText(e)});
    return !UsesSiteList(o) || SitesFromList(o, sites, why);
}

// Why a site takes no part, or empty when it does.
std::string SiteFailure(const SiteConnectResult& r, const std::string& transportProblem,
                        int counterType) {
    if (!r.connected) {
        std::string why = r.message
                              ? Text(r.message)
                              : "not a database of counter type " + std::to_string(counterType);
        // The transport's own reason (TLS on one side only) says what to do.
        if (!transportProblem.empty()) why += " (" + transportProblem + ")";
        return why;
    }
    if (!r.cameras) return Text(r.message ? r.message : kMsgNoCameraDatabase);
    return {};
}

// Checks the cameras of a connected site that the options choose; cameras given on the
// command line are named and used without discovery.
void ChooseCameras(const CliOptions& o, const SiteConnectResult& r, SiteRecord* s) {
    const bool discover = o.cameras.empty();
    s->checked = 1;
    for (int k = 1; k <= kCameraSlots; ++k) {
        CameraSlot& slot = s->cameras[static_cast<size_t>(k - 1)];
        bool chosen = o.cameras.empty();
        for (int c : o.cameras) chosen = chosen || c == k;
        if (!discover && chosen && s->connectionType != kConnDevice) {
            char name[16];
            std::snprintf(name, sizeof name, "Camera%02d", k);
            slot.used = 1;
            slot.name = name;
            slot.is3D = r.threeD;
        }
        slot.checked = slot.used && chosen ? 1 : 0;
    }
}

struct ConnectedSites {
    std::vector<SiteRecord> connected;
    std::vector<JsonSite> states;  // every site, in order, and whether it answered
    std::string firstFailure;
};

// Connects every site and discovers its cameras, several at once. A site that cannot be
// connected or whose cameras cannot be found takes no part and is named: its rows are
// missing, never zeros. Cameras given on the command line are read without discovery.
ConnectedSites ConnectSites(std::vector<CliSite>& sites, const CliOptions& o, const CliIo& io) {
    const bool discover = o.cameras.empty();
    std::vector<SiteConnectResult> results(sites.size());
    std::vector<std::string> transportProblems(sites.size());
    ForEachAtOnce(sites.size(), QueryParams().siteThreads, [&](size_t i) {
        results[i] = ReconnectSite(sites[i].record, o.counterType, o.queueMeasure, discover);
        // Kept by the thread that connected.
        if (!results[i].connected) transportProblems[i] = RecNetLastConnectProblem();
    });
    ConnectedSites out;
    for (size_t i = 0; i < sites.size(); ++i) {
        CliSite& site = sites[i];
        const std::string why = SiteFailure(results[i], transportProblems[i], o.counterType);
        if (!why.empty()) {
            const std::string line = site.label + ": " + why;
            if (out.firstFailure.empty()) out.firstFailure = line;
            *io.err << kPrefix << "site failed: " << line << "\n";
            ReleaseSiteHandles(site.record);
            out.states.push_back({site.label, false, why});
            continue;
        }
        ChooseCameras(o, results[i], &site.record);
        out.connected.push_back(site.record);
        out.states.push_back({site.label, true, ""});
    }
    return out;
}

QueryParams ParamsOf(const CliOptions& o, const ChartSettings& settings) {
    QueryParams params;
    params.counterType = o.counterType;
    params.range = o.range;
    params.startDate = o.date;
    params.direction = o.direction;
    params.heightClass = o.heightClass;
    params.heightUnit = o.heightUnit;
    params.heightLow = o.heightLow;
    params.heightHigh = o.heightHigh;
    params.periodMinutes = o.periodMinutes;
    params.regionVisible.fill(0);
    for (int r : o.regions) params.regionVisible[static_cast<size_t>(r - 1)] = 1;
    params.queueType = o.queueMeasure;
    params.hours = WorkingHoursOf(settings);
    // The clients ConnectSites logged in belong to this run alone (released after it): the run
    // reads through them rather than logging in to every server a second time.
    params.ownClientsReady = true;
    return params;
}

// Runs the query on the connected sites with the progress bar and the scripted answers; the
// sites' handles are released afterwards. kCliDone, or kCliQueryFailed with its reason said.
int RunTheQuery(const QueryParams& params, std::vector<SiteRecord>& connected,
                const std::vector<std::string>& siteNames, const CliOptions& o, const CliIo& io,
                CliInsights* insights) {
    ScriptedPrompt prompt(o.retries, io.err, o.quiet);
    std::unique_ptr<ProgressBar> bar;
    if (io.errIsTerminal && !o.quiet)
        bar = std::make_unique<ProgressBar>(io.err, ExpectedSteps(connected, params));
    int outcome;
    bool cancelled;
    {
        QueryRun run;
        if (io.cancel && io.cancel->load()) run.Cancel();
        // The compared period and the coverage are part of the same run: one progress, one
        // cancel.
        run.Start([&](QueryRun& self) {
            return RunReportWithInsights(params, connected, siteNames, &self, &prompt, insights);
        });
        if (bar && run.AttachDisplay(bar.get())) bar->Draw();
        while (!run.WaitFor(50))
            if (io.cancel && io.cancel->load()) run.Cancel();
        outcome = run.Wait();
        run.DetachDisplay();
        cancelled = run.CancelledByUser();
    }
    for (SiteRecord& s : connected) ReleaseSiteHandles(s);
    if (outcome == kQueryDone) return kCliDone;
    if (cancelled)
        *io.err << kPrefix << "the query was cancelled\n";
    else
        *io.err << kPrefix << "a query failed and was given up after " << prompt.Asked()
                << (prompt.Asked() == 1 ? " question" : " questions") << ": "
                << prompt.LastMessage() << "\n";
    return kCliQueryFailed;
}

// The value columns of the result as the options choose them.
struct ResultColumns {
    std::vector<std::string> captions;  // every value, in value order
    std::array<int, 10> visible{};
    std::vector<std::string> shown;  // the captions of the shown values
};

ResultColumns ColumnsOf(const CliOptions& o, const ChartSettings& settings) {
    ResultColumns c;
    c.captions = ReportValueCaptions(settings.line, o.counterType, o.heightClass, o.heightLow,
                                     o.heightHigh, o.queueMeasure);
    c.visible = LineVisibleFor(o.counterType, o.direction);
    c.shown = VisibleCaptions(c.captions, c.visible);
    return c;
}

std::string DateText(const SYSTEMTIME& d) {
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", d.wYear, d.wMonth, d.wDay);
    return date;
}

int WriteJson(const CliOptions& o, const CliIo& io, const std::vector<CountRecord>& rows,
              const ResultColumns& c, const std::vector<JsonSite>& states,
              const CliInsights& insights) {
    JsonReport report;
    report.counterType = o.counterType;
    report.range = RangeName(o.range);
    report.date = DateText(o.date);
    report.columns = ExportColumns("", "", c.captions);
    report.columns.erase(report.columns.begin(), report.columns.begin() + 2);
    report.records = rows;
    report.sites = states;
    report.extra = JsonInsights(insights, rows);
    return WriteText(o, io, FormatJsonReport(report));
}

int WriteTable(const CliOptions& o, const CliIo& io, const std::vector<CountRecord>& rows,
               const ResultColumns& c, const CliInsights& insights) {
    std::vector<int> indexes;
    for (int j = 0; j < static_cast<int>(c.captions.size()); ++j)
        if (c.visible[static_cast<size_t>(j)]) indexes.push_back(j);
    const TableExtras extras = TableInsightColumns(insights, rows, c.shown);
    return WriteText(
        o, io,
        FormatTableReport(Text(93), Text(94), Text(155), c.shown, indexes, rows, &extras) +
            TableInsightLines(insights, rows));
}

// The CSV or XML file (or text on standard output without --output).
int WriteCsvOrXml(const CliOptions& o, const CliIo& io, const std::vector<CountRecord>& rows,
                  const ResultColumns& c, const CliInsights& insights) {
    std::vector<std::string> columns = ExportColumns(Text(156), Text(157), c.shown);
    std::vector<CountRecord> exportRows =
        ShownValueRows(rows, static_cast<int>(c.captions.size()), c.visible);
    if (o.coverage)
        AppendCoverageColumns(insights, rows, static_cast<int>(c.shown.size()), &exportRows,
                              &columns);
    CExporter* exporter = o.format == CliFormat::Csv
                              ? static_cast<CExporter*>(CCsvExporter::Instance())
                              : CXmlExporter::Instance();
    if (o.output.empty()) {
        const std::string text =
            o.format == CliFormat::Csv
                ? CCsvExporter::Instance()->Format(kExportSiteName, exportRows, columns)
                : CXmlExporter::Instance()->Format(kExportSiteName, exportRows, columns);
        return WriteText(o, io, text);
    }
    if (rows.empty() && !o.quiet) *io.err << kPrefix << "no records: nothing written\n";
    std::string error;
    if (!exporter->Export(o.output, kExportSiteName, exportRows, columns, &error)) {
        *io.err << kPrefix << "cannot write " << o.output << ": " << error << "\n";
        return kCliOutputFailed;
    }
    return kCliDone;
}

// The document the workbook and the PDF report are made from.
ReportDocument DocumentOf(const CliOptions& o, const std::vector<CountRecord>& rows,
                          const ResultColumns& c, const std::vector<JsonSite>& states) {
    CliReportTexts texts;
    texts.counterType = Text(kStrCounterType2DPeople + static_cast<unsigned>(o.counterType) - 1);
    texts.fromTitle = Text(156);
    texts.toTitle = Text(157);
    texts.totalTitle = Text(155);
    return MakeCliReport(o, texts, c.shown,
                         ShownValueRows(rows, static_cast<int>(c.captions.size()), c.visible),
                         states);
}

int WriteWorkbook(const CliOptions& o, const CliIo& io, const ReportDocument& document) {
    std::string error;
    if (WriteXlsxReport(o.output, document, &error)) return kCliDone;
    *io.err << kPrefix << "cannot write " << o.output << ": " << error << "\n";
    return kCliOutputFailed;
}

// The chart files, then the result in the form asked for.
int WriteResult(const CliOptions& o, const CliIo& io, const ChartSettings& settings,
                const QueryParams& params, const std::vector<JsonSite>& states,
                CliInsights& insights) {
    const std::vector<CountRecord>& rows = CReportTable::Instance()->Records();
    const ResultColumns c = ColumnsOf(o, settings);
    CompleteInsights(rows, params, static_cast<int>(c.captions.size()), &insights);
    const ReportDocument document = DocumentOf(o, rows, c, states);
    const ChartInsightData chartInsights = ChartInsightsOf(insights, rows);
    if (const int code = WriteCliChart(o, rows, document, *io.err, &chartInsights)) return code;
    switch (o.format) {
        case CliFormat::Xlsx:
            return WriteWorkbook(o, io, document);
        case CliFormat::Json:
            return WriteJson(o, io, rows, c, states, insights);
        case CliFormat::Table:
            return WriteTable(o, io, rows, c, insights);
        case CliFormat::Csv:
        case CliFormat::Xml:
            break;
    }
    return WriteCsvOrXml(o, io, rows, c, insights);
}

// One report of `sites`: connected, queried, written.
int RunReport(const CliOptions& o, const CliIo& io, const ChartSettings& settings,
              std::vector<CliSite>& sites) {
    ConnectedSites c = ConnectSites(sites, o, io);
    if (c.connected.empty()) {
        *io.err << kPrefix << "no site could be connected"
                << (c.firstFailure.empty() ? "" : " (" + c.firstFailure + ")") << "\n";
        return kCliNoSite;
    }
    const size_t failed = sites.size() - c.connected.size();
    const QueryParams params = ParamsOf(o, settings);
    CliInsights insights;
    insights.mode = static_cast<CompareMode>(o.compareMode);
    insights.closedDays = LoadClosedDays(CChartSettingsStore::Instance()->File());
    insights.hasCoverage =
        o.coverage || o.format == CliFormat::Json || o.format == CliFormat::Table;
    std::vector<std::string> siteNames;
    for (const JsonSite& s : c.states)
        if (s.answered) siteNames.push_back(s.name);
    if (const int code = RunTheQuery(params, c.connected, siteNames, o, io, &insights)) return code;

    const int code = WriteResult(o, io, settings, params, c.states, insights);
    // Written from the sites that answered: the run still says that some did not.
    if (code != kCliDone || failed == 0) return code;
    *io.err << kPrefix << failed << " of " << sites.size()
            << " sites failed; the report holds the others only\n";
    return kCliSomeSitesFailed;
}

// A report per site, one after the other, each into the files named for it. The exit code is
// that of the first query or output failure; else 2 when no site answered, 5 when some did
// not, 0 when all did.
int RunEachSite(const CliOptions& o, const CliIo& io, const ChartSettings& settings,
                const std::vector<CliSite>& sites) {
    size_t answered = 0;
    for (const CliSite& site : sites) {
        if (io.cancel && io.cancel->load()) {
            *io.err << kPrefix << "the query was cancelled\n";
            return kCliQueryFailed;
        }
        CliOptions one = o;
        std::string error;
        // Checked when the options were read: only the site's name is new.
        ExpandCliOutputNames(&one, FileNamePart(site.label), &error);
        std::vector<CliSite> single{site};
        const int code = RunReport(one, io, settings, single);
        if (code == kCliDone) ++answered;
        if (code == kCliQueryFailed || code == kCliOutputFailed) return code;
    }
    if (answered == sites.size()) return kCliDone;
    if (answered == 0) return kCliNoSite;
    *io.err << kPrefix << sites.size() - answered << " of " << sites.size()
            << " sites failed; the reports of the others were written\n";
    return kCliSomeSitesFailed;
}

}  // namespace

int RunReporterCli(const std::vector<std::string>& args, const CliIo& io) {
    if (zl::AsksForVersion(args)) {
        *io.out << zl::VersionText("reporter-cli");
        return kCliDone;
    }
    CliOptions o;
    std::string error;
    if (!ParseCliOptions(args, &o, &error)) return UsageError(io, error);
    if (o.help) {
        *io.out << CliUsage() << "       reporter-cli --version\n" << CliFileLocations();
        return kCliDone;
    }
    if (const int code = CheckOptionFiles(o, io)) return code;
    const ChartSettings settings = LoadTextsAndSettings(o);

    std::vector<CliSite> sites;
    if (!CollectSites(o, ReadPassword(o.passwordFile), &sites, &error))
        return UsageError(io, error);
    return o.eachSite ? RunEachSite(o, io, settings, sites) : RunReport(o, io, settings, sites);
}

}  // namespace zl
