// Pictures of the report window for the documentation: the window at start, a Day query of
// sample data in the line chart, bar chart and table views, a 15-minute access counter chart,
// a chart with its values, the window at its least size, the question before sites are
// deleted, and the progress dialog over the window. Run under a real
// display (xvfb-run) so the pictures are the screen's pixels:
//   report_screenshots OUTDIR
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "ReportTestKit.h"
#include "ScreenshotKit.h"
#include "query/QueryRun.h"
#include "store/ChartSettingsStore.h"
#include "ui/chartview/WebBrowserHost.h"
#include "ui/reportwin/CReportDlg.h"
#include "ui/reportwin/ProgressDlg.h"
#include "ui/sitetree/CDragDropTreeCtrl.h"

namespace zl {

namespace {

using screenshots::Save;
using screenshots::WaitForPage;
using screenshots::WaitForSteadyPicture;

}  // namespace

int Main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: report_screenshots OUTDIR\n");
        return 2;
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);

    TestProgramFolder folder;
    GenerateData(folder.Path("data"), {1, 2, 3, 4, 5, 6, 7}, 7, 15, 4, true);
    TestSite site;
    site.localDB = folder.Path("data").toStdString();
    // A generated name, longer than the tree is wide: shown elided in the middle.
    site.name = "Local - demo-data2 - 2026/12/08 22:27:33";
    folder.WriteSiteList({site});

    CReportDlg w;
    w.show();
    w.move(0, 0);
    if (!QTest::qWaitForWindowExposed(&w)) std::fprintf(stderr, "the window was not exposed\n");
    int failures = 0;
    WaitForSteadyPicture(&w);
    failures += !Save(&w, out + "/guide-start.png");
    auto* counter = qobject_cast<QComboBox*>(w.Control(kIdCounterType));
    counter->setCurrentIndex(0);
    emit counter->activated(0);
    QTreeWidgetItem* item = w.Tree()->topLevelItem(0);
    item->setCheckState(0, Qt::Checked);
    emit w.Tree()->treeLeftClicked(item, QPoint());
    WaitForSteadyPicture(&w);

    w.RunQuery();
    WaitForPage(w);
    failures += !Save(&w, out + "/report-chart.png");
    failures += !Save(&w, out + "/guide-day-chart.png");
    // The same chart with the value of every point.
    {
        ChartSettings settings;
        CChartSettingsStore::Instance()->GetSettings(settings, 1);
        const ChartSettings kept = settings;
        settings.line.gridNote = 1;
        CChartSettingsStore::Instance()->SetSettings(settings, 1);
        w.SwitchView(kViewChart);
        WaitForPage(w);
        WaitForSteadyPicture(&w);
        failures += !Save(&w, out + "/guide-values.png");
        CChartSettingsStore::Instance()->SetSettings(kept, 1);
        w.SwitchView(kViewChart);
        WaitForPage(w);
    }
    w.SwitchView(kViewBar);
    WaitForPage(w);
    failures += !Save(&w, out + "/report-bar.png");
    w.SwitchView(kViewTable);
    WaitForSteadyPicture(&w);
    failures += !Save(&w, out + "/report-table.png");

    // A 3D people counter in three height classes: two-line column captions.
    counter->setCurrentIndex(1);
    emit counter->activated(1);
    item = w.Tree()->topLevelItem(0);
    item->setCheckState(0, Qt::Checked);
    emit w.Tree()->treeLeftClicked(item, QPoint());
    auto* height = qobject_cast<QComboBox*>(w.Control(kIdHeight));
    height->setCurrentIndex(1);
    emit height->activated(1);
    w.RunQuery();
    w.SwitchView(kViewTable);
    WaitForSteadyPicture(&w);
    failures += !Save(&w, out + "/report-table-3d.png");
    w.SwitchView(kViewChart);
    WaitForPage(w);
    failures += !Save(&w, out + "/report-chart-3d.png");

    // An access counter in 15-minute periods: 96 buckets, their labels thinned to what fits.
    counter->setCurrentIndex(2);
    emit counter->activated(2);
    item = w.Tree()->topLevelItem(0);
    item->setCheckState(0, Qt::Checked);
    emit w.Tree()->treeLeftClicked(item, QPoint());
    auto* period = qobject_cast<QComboBox*>(w.Control(kIdPeriod));
    for (int i = 0; i < period->count(); ++i) {
        if (period->itemText(i).startsWith(QStringLiteral("15 "))) {
            period->setCurrentIndex(i);
            emit period->activated(i);
        }
    }
    w.RunQuery();
    w.SwitchView(kViewChart);
    WaitForPage(w);
    failures += !Save(&w, out + "/guide-access-15min.png");

    // Made narrower than it can be: the window stays at its least size, the date readable.
    w.resize(900, 560);
    QTest::qWait(600);
    WaitForPage(w);
    failures += !Save(&w, out + "/guide-narrow.png");

    // The question before the checked sites go (answered Cancel: nothing is deleted).
    QTimer::singleShot(800, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) {
            ++failures;
            return;
        }
        const QRect r = box->frameGeometry().united(w.frameGeometry());
        QPixmap shot = w.screen()->grabWindow(0, r.x(), r.y(), r.width(), r.height());
        failures += !shot.save(out + "/guide-delete-question.png");
        std::fprintf(stderr, "wrote %s\n", qPrintable(out + "/guide-delete-question.png"));
        if (auto* question = qobject_cast<QMessageBox*>(box))
            question->button(QMessageBox::Cancel)->click();
    });
    qobject_cast<QPushButton*>(w.Control(kIdRemove))->click();

    // The progress dialog over the window, on a run that steps slowly.
    QueryRun run;
    std::atomic<bool> release{false};
    run.Start([&](QueryRun& self) {
        while (!release && self.Step(nullptr))
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        return 1;
    });
    CProgressDlg progress(&w);
    QTimer::singleShot(1200, [&] {
        failures += !Save(&progress, out + "/report-progress.png");
        failures += !Save(&w, out + "/report-progress-window.png");
        release = true;
    });
    progress.RunFor(run);
    return failures ? 1 : 0;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
