// zelkoReporter: one copy per user; a later start brings the first copy's window to the front
// and ends without a window of its own.
#include <unistd.h>

#include <QApplication>
#include <QLoggingCategory>
#include <cstdio>
#include <cstdlib>

#include "SingleInstance.h"
#include "base/Version.h"
#include "recnet/RecNetTls.h"
#include "store/SettingsFile.h"
#include "ui/reportwin/CReportDlg.h"

namespace zl {

namespace {

// The browser engine that shows the chart refuses to start its sandbox for root; run as root
// (containers, kiosks) it runs without. Set before the engine starts.
void PrepareBrowserEngine() {
    if (::geteuid() == 0 && !std::getenv("QTWEBENGINE_DISABLE_SANDBOX"))
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
}

}  // namespace

int Main(int argc, char** argv) {
    // Answered before anything needs a display.
    if (zl::AsksForVersion(std::vector<std::string>(argv + 1, argv + argc))) {
        std::fputs(zl::VersionText("zelkoReporter").c_str(), stdout);
        return 0;
    }
    PrepareBrowserEngine();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zelkoReporter"));
    QApplication::setApplicationVersion(QString::fromUtf8(zl::ProjectVersion()));
    // The desktop entry's name, so the window is matched to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.zelkoreporter.reporter"));
    // The browser engine's start-up report is of no use to the user.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));

    SingleInstance instance(QStringLiteral("zelkoReporter"));
    if (!instance.Acquire()) {
        instance.ActivateRunning();
        return 0;
    }

    // Servers that use TLS: the certificate to trust, named in the settings file.
    const std::string caFile = zl::LoadTrustedCaFile(zl::DefaultSettingsFile());
    std::string tlsError;
    if (!caFile.empty() && !RecNetTrustCertificateFile(caFile, &tlsError))
        std::fprintf(stderr, "zelkoReporter: %s\n", tlsError.c_str());

    int result = 0;
    {
        CReportDlg window;
        QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] {
            window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
            window.show();
            window.raise();
            window.activateWindow();
        });
        window.show();
        result = app.exec();
    }
    return result;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
