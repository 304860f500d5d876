// Pictures of the report insights in the window for the documentation: a Week of a 2D people
// counter compared with the week before (weekends closed), as chart and as table with the
// lines under it. Run under a real display (xvfb-run):
//   insight_screenshots OUTDIR
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>

#include "ReportTestKit.h"
#include "ScreenshotKit.h"
#include "ui/chartview/WebBrowserHost.h"
#include "ui/reportwin/CReportDlg.h"
#include "ui/sitetree/CDragDropTreeCtrl.h"

namespace zl {

namespace {

using screenshots::Save;
using screenshots::WaitForPage;
using screenshots::WaitForSteadyPicture;

}  // namespace

int Main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: insight_screenshots OUTDIR\n");
        return 2;
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);

    TestProgramFolder folder;
    GenerateData(folder.Path("data"), {1}, 21, 15, 4, true);
    QFile settings(folder.Path("Setting .ini"));
    if (settings.open(QIODevice::WriteOnly)) settings.write("[ClosedDays]\nWeekdays=0\n");
    settings.close();
    TestSite site;
    site.localDB = folder.Path("data").toStdString();
    site.name = "Demo shop";
    folder.WriteSiteList({site});

    CReportDlg w;
    w.show();
    w.move(0, 0);
    if (!QTest::qWaitForWindowExposed(&w)) std::fprintf(stderr, "the window was not exposed\n");
    auto* counter = qobject_cast<QComboBox*>(w.Control(kIdCounterType));
    counter->setCurrentIndex(0);
    emit counter->activated(0);
    QTreeWidgetItem* item = w.Tree()->topLevelItem(0);
    item->setCheckState(0, Qt::Checked);
    emit w.Tree()->treeLeftClicked(item, QPoint());
    w.SelectRange(1);
    auto* compare = qobject_cast<QComboBox*>(w.Control(kIdCompare));
    compare->setCurrentIndex(1);
    WaitForSteadyPicture(&w);
    w.RunQuery();
    WaitForPage(w);
    int failures = !Save(&w, out + "/insights-window-chart.png");
    w.SwitchView(kViewTable);
    WaitForSteadyPicture(&w);
    failures += !Save(&w, out + "/insights-window-table.png");
    return failures == 0 ? 0 : 1;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
