// What the documentation's screenshot programs share: waiting until the window's picture has
// settled (the page loaded, the chart's animation over) and saving it.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <cstdio>

#include "ui/chartview/WebBrowserHost.h"
#include "ui/reportwin/CReportDlg.h"

namespace zl {

namespace screenshots {

inline QImage Grab(QWidget* w) {
    const QRect r = w->frameGeometry();
    return w->screen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
}

// Waits until two looks at the window 150 ms apart show the same picture; at most 30 s.
inline void WaitForSteadyPicture(QWidget* w) {
    QImage last;
    QElapsedTimer sinceLook;
    sinceLook.start();
    const bool steady = QTest::qWaitFor(
        [&] {
            if (!last.isNull() && sinceLook.elapsed() < 150) return false;
            const QImage now = Grab(w);
            const bool same = !last.isNull() && now == last;
            last = now;
            sinceLook.restart();
            return same;
        },
        30000);
    if (!steady) std::fprintf(stderr, "the window's picture did not settle in 30 s\n");
}

// The chart page loaded, then its picture settled.
inline void WaitForPage(CReportDlg& w) {
    if (!QTest::qWaitFor([&] { return w.Host()->Navigated(); }, 30000))
        std::fprintf(stderr, "the chart page did not load in 30 s\n");
    WaitForSteadyPicture(&w);
}

inline bool Save(QWidget* w, const QString& path) {
    QApplication::processEvents();
    const QImage shot = Grab(w);
    const bool ok = shot.save(path);
    std::fprintf(stderr, "%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", qPrintable(path), shot.width(),
                 shot.height());
    return ok;
}

}  // namespace screenshots

}  // namespace zl
