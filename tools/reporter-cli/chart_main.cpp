// reporter-chart: draws a chart page folder into a PNG or 24-bit BMP file with the browser
// engine, or makes the PDF report of a report document with that chart in it. reporter-cli
// starts it only when a picture or a PDF is asked for, so that a report without one never
// loads the engine.
//   reporter-chart FOLDER WIDTH HEIGHT OUTPUT [--bmp]
//   reporter-chart FOLDER WIDTH HEIGHT OUTPUT --pdf DOCUMENT.json [--paper a4|letter]
// Exit 0 when the file was written, 1 for a bad command line, 4 when drawing failed (one line
// on standard error).
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "ui/chartview/ChartRenderer.h"
#include "ui/chartview/PdfReport.h"

namespace zl {

namespace {

// The chart of a PDF is drawn this many times as finely as its layout size.
constexpr double kPdfChartScale = 2.5;

bool ParseSize(const char* text, int* value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != 0 || v < 1 || v > 10000) return false;
    *value = static_cast<int>(v);
    return true;
}

struct HelperArgs {
    bool bmp = false;
    std::string document;  // --pdf
    QPageSize::PageSizeId paper = QPageSize::A4;
};

bool ParseOptions(const std::vector<std::string>& options, HelperArgs* a) {
    for (size_t i = 0; i < options.size(); ++i) {
        if (options[i] == "--bmp") {
            a->bmp = true;
        } else if (options[i] == "--pdf" && i + 1 < options.size()) {
            a->document = options[++i];
        } else if (options[i] == "--paper" && i + 1 < options.size()) {
            const std::string& paper = options[++i];
            if (paper != "a4" && paper != "letter") return false;
            a->paper = paper == "letter" ? QPageSize::Letter : QPageSize::A4;
        } else {
            return false;
        }
    }
    return !(a->bmp && !a->document.empty());
}

int MakePdf(const char* folder, int width, int height, const char* output, const HelperArgs& a,
            std::string* error) {
    std::ifstream in(a.document, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (!in) {
        *error = "cannot read " + a.document;
        return 1;
    }
    ReportDocument document;
    if (!ReportDocumentFromJson(text.str(), &document, error)) return 1;
    QImage chart;
    if (CaptureChartFolder(folder, width, height, kPdfChartScale, &chart, error) != 0) return 1;
    PdfReportOptions options;
    options.paper = a.paper;
    QString why;
    if (!WritePdfReport(QString::fromLocal8Bit(output), document, chart, options, &why)) {
        *error = why.toStdString();
        return 1;
    }
    return 0;
}

}  // namespace

int Main(int argc, char** argv) {
    int width = 0, height = 0;
    HelperArgs a;
    if (argc < 5 || !ParseSize(argv[2], &width) || !ParseSize(argv[3], &height) ||
        !ParseOptions(std::vector<std::string>(argv + 5, argv + argc), &a)) {
        std::cerr << "usage: reporter-chart FOLDER WIDTH HEIGHT OUTPUT [--bmp | --pdf "
                     "DOCUMENT.json [--paper a4|letter]]\n";
        return 1;
    }
    // The browser engine's start-up report is not for the user of a command-line tool.
    setenv("QT_LOGGING_RULES", "qt.webenginecontext=false", 0);
    std::string error;
    const int failed = a.document.empty()
                           ? RenderChartFolder(argv[1], width, height, argv[4], a.bmp, &error)
                           : MakePdf(argv[1], width, height, argv[4], a, &error);
    if (failed != 0) {
        // Marked, so the caller can tell it from what the libraries print on the way out.
        std::cerr << "reporter-chart: " << error << "\n";
        return 4;
    }
    return 0;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
