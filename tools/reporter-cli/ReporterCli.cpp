#include "ReporterCli.h"

#include <sys/stat.h>

#include <fstream>
#include <memory>

#include "CliChart.h"
#include "CliFiles.h"
#include "CliInsights.h"
#include "CliOptions.h"
#include "CliOutput.h"
#include "base/AtomicFile.h"
#include "base/Version.h"
#include "data/CounterTypes.h"
#include "data/QueryExec.h"
#include "data/SqlText.h"
#include "export/CsvExporter.h"
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

}  // namespace

int RunReporterCli(const std::vector<std::string>& args, const CliIo& io) {
    CliOptions o;
    std::string error;
    const auto usageError = [&](const std::string& why) {
        *io.err << kPrefix << why << " (see reporter-cli --help)\n";
        return kCliUsage;
    };
    if (zl::AsksForVersion(args)) {
        *io.out << zl::VersionText("reporter-cli");
        return kCliDone;
    }
    if (!ParseCliOptions(args, &o, &error)) return usageError(error);
    if (o.help) {
        *io.out << CliUsage() << "       reporter-cli --version\n" << CliFileLocations();
        return kCliDone;
    }
    if (!o.chartDir.empty() && !CliCanWriteChart())
        return usageError("--chart is not available in this build");
    if ((!o.pngFile.empty() || !o.bmpFile.empty()) && !CliCanRenderChart())
        return usageError("--png and --bmp are not available in this build");
    for (const std::string* f :
         {&o.settingsFile, &o.langFile, &o.siteList, &o.passwordFile, &o.caFile})
        if (!f->empty() && !FileExists(*f)) return usageError("cannot read " + *f);
    if (!o.caFile.empty() && !RecNetTrustCertificateFile(o.caFile, &error))
        return usageError(error);

    // Language texts and chart settings: the program folder's, or the files given.
    if (o.langFile.empty())
        IString::Instance()->Load();
    else
        IString::Instance()->SetFile(o.langFile);
    CChartSettingsStore* store = CChartSettingsStore::Instance();
    if (!o.settingsFile.empty()) store->SetFile(o.settingsFile);
    store->Load();
    ChartSettings settings;
    store->GetSettings(settings, o.counterType);

    std::string password;
    if (!o.passwordFile.empty()) {
        std::ifstream in(o.passwordFile, std::ios::binary);
        std::getline(in, password);
        if (!password.empty() && password.back() == '\r') password.pop_back();
    }

    // The sites, in the order given.
    std::vector<CliSite> sites;
    for (const std::string& path : o.locals) {
        SiteRecord s;
        s.connectionType = kConnLocal;
        s.localDB = path;
        s.port = "700";
        s.counterType = o.counterType;
        sites.push_back({s, path});
    }
    for (const CliEndpoint& e : o.servers)
        sites.push_back({RemoteSite(e, kConnServer, o, password), EndpointText(e)});
    for (const CliEndpoint& e : o.devices)
        sites.push_back({RemoteSite(e, kConnDevice, o, password), EndpointText(e)});
    if (!o.siteList.empty()) {
        CSiteListStore list;
        list.SetFile(o.siteList);
        if (!list.Load()) return usageError("cannot read " + o.siteList);
        for (const std::string& name : o.siteNames) {
            bool found = false;
            for (const SiteRecord& s : list.Sites()) found = found || s.name == name;
            if (!found) return usageError("no site named \"" + name + "\" in " + o.siteList);
        }
        for (SiteRecord s : list.Sites()) {
            bool chosen = o.siteNames.empty();
            for (const std::string& name : o.siteNames) chosen = chosen || s.name == name;
            if (!chosen) continue;
            s.client2D = s.client3D = s.clientOther = nullptr;
            s.localDb = nullptr;
            s.deviceLink = nullptr;
            sites.push_back({s, s.name});
        }
    }

    // Connect every site and discover its cameras, several at once. A site that cannot be
    // connected or whose cameras cannot be found takes no part and is named: its rows are
    // missing, never zeros. Cameras given on the command line are read without discovery.
    const bool discover = o.cameras.empty();
    std::vector<SiteConnectResult> results(sites.size());
    std::vector<std::string> transportProblems(sites.size());
    ForEachAtOnce(sites.size(), QueryParams().siteThreads, [&](size_t i) {
        results[i] = ReconnectSite(sites[i].record, o.counterType, o.queueMeasure, discover);
        // Kept by the thread that connected.
        if (!results[i].connected) transportProblems[i] = RecNetLastConnectProblem();
    });
    std::vector<SiteRecord> connected;
    std::vector<JsonSite> siteStates;
    std::string firstFailure;
    for (size_t i = 0; i < sites.size(); ++i) {
        CliSite& site = sites[i];
        const SiteConnectResult& r = results[i];
        std::string why;
        if (!r.connected) {
            why = r.message ? Text(r.message)
                            : "not a database of counter type " + std::to_string(o.counterType);
            // The transport's own reason (TLS on one side only) says what to do.
            if (!transportProblems[i].empty()) why += " (" + transportProblems[i] + ")";
        } else if (!r.cameras) {
            why = Text(r.message ? r.message : kMsgNoCameraDatabase);
        }
        if (!why.empty()) {
            const std::string line = site.label + ": " + why;
            if (firstFailure.empty()) firstFailure = line;
            *io.err << kPrefix << "site failed: " << line << "\n";
            ReleaseSiteHandles(site.record);
            siteStates.push_back({site.label, false, why});
            continue;
        }
        SiteRecord& s = site.record;
        s.checked = 1;
        for (int k = 1; k <= kCameraSlots; ++k) {
            CameraSlot& slot = s.cameras[static_cast<size_t>(k - 1)];
            bool chosen = o.cameras.empty();
            for (int c : o.cameras) chosen = chosen || c == k;
            if (!discover && chosen && s.connectionType != kConnDevice) {
                char name[16];
                std::snprintf(name, sizeof name, "Camera%02d", k);
                slot.used = 1;
                slot.name = name;
                slot.is3D = r.threeD;
            }
            slot.checked = slot.used && chosen ? 1 : 0;
        }
        connected.push_back(s);
        siteStates.push_back({site.label, true, ""});
    }
    const bool someFailed = connected.size() < sites.size();
    if (connected.empty()) {
        *io.err << kPrefix << "no site could be connected"
                << (firstFailure.empty() ? "" : " (" + firstFailure + ")") << "\n";
        return kCliNoSite;
    }

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

    ScriptedPrompt prompt(o.retries, io.err, o.quiet);
    std::unique_ptr<ProgressBar> bar;
    if (io.errIsTerminal && !o.quiet)
        bar = std::make_unique<ProgressBar>(io.err, ExpectedSteps(connected, params));
    int outcome;
    bool cancelled;
    // The compared period and the coverage are part of the same run: one progress, one cancel.
    CliInsights insights;
    insights.mode = static_cast<CompareMode>(o.compareMode);
    insights.closedDays = LoadClosedDays(store->File());
    insights.hasCoverage =
        o.coverage || o.format == CliFormat::Json || o.format == CliFormat::Table;
    std::vector<std::string> siteNames;
    for (const JsonSite& s : siteStates)
        if (s.answered) siteNames.push_back(s.name);
    {
        QueryRun run;
        if (io.cancel && io.cancel->load()) run.Cancel();
        run.Start([&](QueryRun& self) {
            return RunReportWithInsights(params, connected, siteNames, &self, &prompt, &insights);
        });
        if (bar && run.AttachDisplay(bar.get())) bar->Draw();
        while (!run.WaitFor(50))
            if (io.cancel && io.cancel->load()) run.Cancel();
        outcome = run.Wait();
        run.DetachDisplay();
        cancelled = run.CancelledByUser();
    }
    for (SiteRecord& s : connected) ReleaseSiteHandles(s);

    if (outcome != kQueryDone) {
        if (cancelled)
            *io.err << kPrefix << "the query was cancelled\n";
        else
            *io.err << kPrefix << "a query failed and was given up after " << prompt.Asked()
                    << (prompt.Asked() == 1 ? " question" : " questions") << ": "
                    << prompt.LastMessage() << "\n";
        return kCliQueryFailed;
    }

    // Written from the sites that answered: the run still says that some did not.
    const auto Finish = [&](int code) {
        if (code != kCliDone || !someFailed) return code;
        *io.err << kPrefix << sites.size() - connected.size() << " of " << sites.size()
                << " sites failed; the report holds the others only\n";
        return static_cast<int>(kCliSomeSitesFailed);
    };

    // The result in the form asked for.
    const std::vector<CountRecord>& rows = CReportTable::Instance()->Records();
    const std::vector<std::string> captions = ReportValueCaptions(
        settings.line, o.counterType, o.heightClass, o.heightLow, o.heightHigh, o.queueMeasure);
    const int n = static_cast<int>(captions.size());
    const std::array<int, 10> visible = LineVisibleFor(o.counterType, o.direction);
    const std::vector<std::string> shown = VisibleCaptions(captions, visible);

    CompleteInsights(rows, params, n, &insights);

    const ChartInsightData chartInsights = ChartInsightsOf(insights, rows);
    if (const int code = WriteCliChart(o, rows, *io.err, &chartInsights)) return code;

    if (o.format == CliFormat::Json) {
        JsonReport report;
        report.counterType = o.counterType;
        report.range = RangeName(o.range);
        char date[32];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", o.date.wYear, o.date.wMonth,
                      o.date.wDay);
        report.date = date;
        report.columns = ExportColumns("", "", captions);
        report.columns.erase(report.columns.begin(), report.columns.begin() + 2);
        report.records = rows;
        report.sites = siteStates;
        report.extra = JsonInsights(insights, rows);
        return Finish(WriteText(o, io, FormatJsonReport(report)));
    }
    if (o.format == CliFormat::Table) {
        std::vector<int> indexes;
        for (int j = 0; j < n; ++j)
            if (visible[static_cast<size_t>(j)]) indexes.push_back(j);
        const TableExtras extras = TableInsightColumns(insights, rows, shown);
        return Finish(WriteText(
            o, io,
            FormatTableReport(Text(93), Text(94), Text(155), shown, indexes, rows, &extras) +
                TableInsightLines(insights, rows)));
    }

    std::vector<std::string> columns = ExportColumns(Text(156), Text(157), shown);
    std::vector<CountRecord> exportRows = ShownValueRows(rows, n, visible);
    if (o.coverage)
        AppendCoverageColumns(insights, rows, static_cast<int>(shown.size()), &exportRows,
                              &columns);
    CExporter* exporter = o.format == CliFormat::Csv
                              ? static_cast<CExporter*>(CCsvExporter::Instance())
                              : CXmlExporter::Instance();
    if (o.output.empty()) {
        const std::string text =
            o.format == CliFormat::Csv
                ? CCsvExporter::Instance()->Format(kExportSiteName, exportRows, columns)
                : CXmlExporter::Instance()->Format(kExportSiteName, exportRows, columns);
        return Finish(WriteText(o, io, text));
    }
    if (rows.empty() && !o.quiet) *io.err << kPrefix << "no records: nothing written\n";
    if (!exporter->Export(o.output, kExportSiteName, exportRows, columns, &error)) {
        *io.err << kPrefix << "cannot write " << o.output << ": " << error << "\n";
        return kCliOutputFailed;
    }
    return Finish(kCliDone);
}
