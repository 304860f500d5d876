#include "ui/chartview/ChartRenderer.h"

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>
#include <cstdlib>

#include "chart/PageFolder.h"
#include "ui/chartview/WebBrowserHost.h"

namespace zl {

namespace {

constexpr int kLoadTimeoutMs = 30000;
constexpr int kReadyTimeoutMs = 30000;
// Time for the engine to hand a drawn frame to the view after the page script has run.
constexpr int kSettleMs = 300;

void SetDefaultEnv(const char* name, const char* value) {
    if (!std::getenv(name)) setenv(name, value, 0);
}

bool EnsureApplication(std::string* why) {
    if (QCoreApplication::instance()) {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
            *why = "the running application has no widgets (QApplication is needed)";
            return false;
        }
        return true;
    }
    SetDefaultEnv("QT_QPA_PLATFORM", "offscreen");
    SetDefaultEnv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    if (geteuid() == 0) SetDefaultEnv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // Kept for the rest of the process: the browser engine cannot start twice in one process.
    static int argc = 1;
    static char name[] = "zl-chart-renderer";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    return true;
}

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Asks the page until its script says it has drawn everything.
bool WaitForPageReady(QWebEngineView& view) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kReadyTimeoutMs) {
        QEventLoop loop;
        bool ready = false;
        bool answered = false;
        view.page()->runJavaScript(
            QStringLiteral("typeof zlxPage !== 'undefined' && zlxPage.ready === true"),
            [&](const QVariant& v) {
                ready = v.toBool();
                answered = true;
                loop.quit();
            });
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        if (!answered) loop.exec();
        if (ready) return true;
        Wait(50);
    }
    return false;
}

int Fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return 1;
}

}  // namespace

int RenderChartFolder(const std::string& folder, int w, int h, const std::string& outPath, bool bmp,
                      std::string* error) {
    if (outPath.empty()) return Fail(error, "no output file");
    QImage image;
    if (const int failed = CaptureChartFolder(folder, w, h, 1.0, &image, error)) return failed;
    std::string why;
    const bool saved =
        bmp ? SaveImageAsBmp(image, outPath, &why) : SaveImageAsPng(image, outPath, &why);
    if (!saved) return Fail(error, outPath + ": " + why);
    return 0;
}

int CaptureChartFolder(const std::string& folder, int w, int h, double scale, QImage* image,
                       std::string* error) {
    if (scale < 1 || scale > 4) return Fail(error, "the scale must be between 1 and 4");
    w = static_cast<int>(w * scale);
    h = static_cast<int>(h * scale);
    if (w < 1 || h < 1 || w > 16384 || h > 16384) {
        return Fail(error, "the size must be between 1x1 and 16384x16384 pixels");
    }
    const std::string page = NormalizeFolder(folder) + "/" + kChartHtmlFile;
    if (!QFileInfo(QString::fromStdString(page)).isFile()) {
        return Fail(error, page + " does not exist");
    }
    std::string why;
    if (!EnsureApplication(&why)) return Fail(error, why);

    QWebEngineView view;
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(w, h);
    // The page keeps its layout at w/scale x h/scale and draws with scale device pixels each.
    view.setZoomFactor(scale);
    view.show();

    bool finished = false;
    bool loaded = false;
    QEventLoop loop;
    QObject::connect(&view, &QWebEngineView::loadFinished, &loop, [&](bool ok) {
        finished = true;
        loaded = ok;
        loop.quit();
    });
    QTimer::singleShot(kLoadTimeoutMs, &loop, &QEventLoop::quit);
    view.load(QUrl::fromLocalFile(QString::fromStdString(page)));
    if (!finished) loop.exec();
    if (!finished) return Fail(error, "the page did not load in time: " + page);
    if (!loaded) return Fail(error, "the page could not be loaded: " + page);
    if (!WaitForPageReady(view)) {
        return Fail(error, "the page did not draw its chart (is LoadData.js there?): " + page);
    }
    Wait(kSettleMs);

    *image = view.grab().toImage();
    if (image->isNull()) return Fail(error, "nothing could be captured");
    return 0;
}

}  // namespace zl
