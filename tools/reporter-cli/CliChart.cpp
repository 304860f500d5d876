#include "CliChart.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "base/AtomicFile.h"

#ifdef ZL_CLI_HAS_CHART
#include "chart/ChartConfig.h"
#include "chart/ChartFill.h"
#include "chart/ChartInsights.h"
#include "chart/HtmlChart.h"
#endif
#ifdef ZL_CLI_HAS_RENDER
#include "ChartHelper.h"
#endif

namespace zl {

namespace {
// Beside the page's own files; not one of them.
constexpr const char* kReportDocumentFile = "ReportDocument.json";
}  // namespace

bool CliCanWriteChart() {
#ifdef ZL_CLI_HAS_CHART
    return true;
#else
    return false;
#endif
}

bool CliCanRenderChart() {
#if defined(ZL_CLI_HAS_CHART) && defined(ZL_CLI_HAS_RENDER)
    return true;
#else
    return false;
#endif
}

int WriteCliChart(const CliOptions& o, const std::vector<CountRecord>& rows,
                  const ReportDocument& document, std::ostream& err,
                  const ChartInsightData* insights) {
    if (o.chartDir.empty() && o.pngFile.empty() && o.bmpFile.empty() && o.pdfFile.empty()) return 0;
#ifdef ZL_CLI_HAS_CHART
    // A page folder of its own (removed afterwards) when only a picture is asked for.
    std::unique_ptr<CHtmlChart> chart = o.chartDir.empty()
                                            ? std::make_unique<CHtmlChart>()
                                            : std::make_unique<CHtmlChart>(o.chartDir);
    if (chart->PageFilesWritten() != 3) {
        err << "reporter-cli: cannot write the chart page into " << chart->Folder() << "\n";
        return 4;
    }
    FillChart(*chart, rows, o.counterType, o.heightClass, o.range);
    ChartSelection sel;
    sel.counterType = o.counterType;
    sel.view = o.chartView;
    sel.range = o.range;
    sel.heightClass = o.heightClass;
    sel.heightLow = o.heightLow;
    sel.heightHigh = o.heightHigh;
    sel.queueType = o.queueMeasure;
    sel.direction = o.direction;
    ApplyChartSettingsFromStore(*chart, sel, nullptr);
    if (insights)
        ApplyChartInsights(*chart, ChartSeriesOfType(o.counterType, o.heightClass), *insights);
    if (!chart->WritePage()) {
        err << "reporter-cli: cannot write " << chart->Folder() << "/LoadData.js\n";
        return 4;
    }
#ifdef ZL_CLI_HAS_RENDER
    // The picture is the helper program's: the browser engine stays out of this process.
    for (const std::string* file : {&o.pngFile, &o.bmpFile}) {
        if (file->empty()) continue;
        std::string error;
        if (!RunChartHelper(
                chart->Folder(), o.chartWidth, o.chartHeight, *file,
                file == &o.bmpFile ? std::vector<std::string>{"--bmp"} : std::vector<std::string>{},
                &error)) {
            err << "reporter-cli: cannot write " << *file << ": " << error << "\n";
            return 4;
        }
    }
    if (!o.pdfFile.empty()) {
        // The document goes to the helper as a file of the page folder, removed afterwards.
        const std::string documentFile = chart->Folder() + "/" + kReportDocumentFile;
        std::string error;
        const bool written =
            zl::WriteFileAtomically(documentFile, ReportDocumentToJson(document), &error) &&
            RunChartHelper(
                chart->Folder(), o.chartWidth, o.chartHeight, o.pdfFile,
                {"--pdf", documentFile, "--paper", o.paper == CliPaper::Letter ? "letter" : "a4"},
                &error);
        std::remove(documentFile.c_str());
        if (!written) {
            err << "reporter-cli: cannot write " << o.pdfFile << ": " << error << "\n";
            return 4;
        }
    }
#endif
    return 0;
#else
    (void)rows;
    (void)document;
    (void)insights;
    err << "reporter-cli: this build has no chart support\n";
    return 4;
#endif
}

}  // namespace zl
