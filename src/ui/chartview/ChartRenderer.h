// Renders a chart page folder (ZLXChart.html and its files) offscreen in the browser engine
// and saves what it shows as a PNG or a 24-bit BMP file. For reporter-cli --png/--bmp.
#pragma once

#include <QImage>
#include <string>

namespace zl {

// Loads `folder`/ZLXChart.html in a browser view of w x h pixels, waits for the page to load
// and draw, captures it and writes `outPath` (BMP when `bmp`, else PNG). Returns 0 on success,
// else 1 with *error (when given) saying why.
//
// Without a running QApplication one is made for the process (and kept): Qt then draws
// offscreen unless QT_QPA_PLATFORM says otherwise, and, unless set already,
// QTWEBENGINE_CHROMIUM_FLAGS gets --disable-gpu and, for root, QTWEBENGINE_DISABLE_SANDBOX=1
// (the browser engine refuses to start its sandbox as root).
int RenderChartFolder(const std::string& folder, int w, int h, const std::string& outPath, bool bmp,
                      std::string* error);

// The same, answering the picture: the page laid out at w x h and drawn `scale` times as
// finely (1..4), for print.
int CaptureChartFolder(const std::string& folder, int w, int h, double scale, QImage* image,
                       std::string* error);

}  // namespace zl
