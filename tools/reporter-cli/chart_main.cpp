// reporter-chart: draws a chart page folder into a PNG or 24-bit BMP file with the browser
// engine. reporter-cli starts it only when a picture is asked for, so that a report without
// one never loads the engine.
//   reporter-chart FOLDER WIDTH HEIGHT OUTPUT [--bmp]
// Exit 0 when the file was written, 1 for a bad command line, 4 when drawing failed (one line
// on standard error).
#include <cstdlib>
#include <iostream>
#include <string>

#include "ui/chartview/ChartRenderer.h"

namespace {

bool ParseSize(const char* text, int* value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != 0 || v < 1 || v > 10000) return false;
    *value = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int width = 0, height = 0;
    const bool bmp = argc == 6 && std::string(argv[5]) == "--bmp";
    if ((argc != 5 && !bmp) || !ParseSize(argv[2], &width) || !ParseSize(argv[3], &height)) {
        std::cerr << "usage: reporter-chart FOLDER WIDTH HEIGHT OUTPUT [--bmp]\n";
        return 1;
    }
    // The browser engine's start-up report is not for the user of a command-line tool.
    setenv("QT_LOGGING_RULES", "qt.webenginecontext=false", 0);
    std::string error;
    if (RenderChartFolder(argv[1], width, height, argv[4], bmp, &error) != 0) {
        // Marked, so the caller can tell it from what the libraries print on the way out.
        std::cerr << "reporter-chart: " << error << "\n";
        return 4;
    }
    return 0;
}
