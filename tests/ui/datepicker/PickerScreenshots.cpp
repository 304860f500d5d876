// Writes pictures of the open start-date calendar (days of a countgen database framed) and of
// the two pages of the settings dialog into the folder given as the first argument, offscreen.
// Not a test: for looking at. Usage: picker_screenshots OUT [LANGUAGE-FILE]
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>
#include <cstdio>
#include <filesystem>

#include "CountGen.h"
#include "recnet/RecNet.h"
#include "store/IString.h"
#include "ui/datepicker/CCalendarPopup.h"
#include "ui/datepicker/CHighlightMonthCal.h"
#include "ui/datepicker/CalendarDatePicker.h"
#include "ui/options/ZOptionDlg.h"

namespace zl {

namespace {

bool Save(const QImage& image, const QString& path) {
    const bool ok = image.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", path.toLocal8Bit().constData());
    return ok;
}

}  // namespace

int Main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: picker_screenshots OUT [LANGUAGE-FILE]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    if (argc > 2) IString::Instance()->SetFile(argv[2]);

    // A local site whose database countgen wrote: 2024-03-04 .. 2024-03-19.
    const std::string root = (std::filesystem::temp_directory_path() / "zl_picker_shots").string();
    std::filesystem::remove_all(root);
    CountGenOptions options;
    options.root = root;
    options.types = {1};
    options.days = 16;
    options.endYear = 2024;
    options.endMonth = 3;
    options.endDay = 19;
    std::string error;
    std::vector<GeneratedFile> files;
    if (GenerateDatabases(options, &files, &error) != 1) {
        std::fprintf(stderr, "countgen: %s\n", error.c_str());
        return 1;
    }
    SiteRecord site;
    site.connectionType = kConnLocal;
    site.localDB = root;
    site.cameras[0].used = 1;
    site.checked = 1;
    RecNetCreateLocal(&site.localDb);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Start time"));
    auto* layout = new QHBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Start time:"), &window));
    CalendarDatePicker picker([&] {
        DayMarksQuery q;
        q.sites = {site};
        q.counterType = 1;
        return q;
    });
    picker.Widget()->setFixedSize(130, 24);
    layout->addWidget(picker.Widget());
    layout->addStretch(1);
    window.resize(360, 44);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    picker.Set_Select_Time(MakeSysTime(2024, 3, 14, 0, 0, 1));
    picker.Picker()->ShowCalendar();
    CHighlightMonthCal* cal = picker.Picker()->Calendar();
    if (!QTest::qWaitFor([&] { return cal->FramesShown(); }, 10000)) {
        std::fprintf(stderr, "no frames\n");
        return 1;
    }

    // The window with the pop-up painted where it opens.
    const QImage under = window.grab().toImage();
    const QImage popup = picker.Picker()->Popup()->grab().toImage();
    const QPoint at = window.mapFromGlobal(picker.Picker()->Popup()->pos());
    QImage both(std::max(under.width(), at.x() + popup.width()), at.y() + popup.height(),
                QImage::Format_RGB32);
    both.fill(Qt::white);
    QPainter p(&both);
    p.drawImage(0, 0, under);
    p.drawImage(at, popup);
    p.end();
    bool ok = Save(both, out + QStringLiteral("/datepicker-calendar.png"));
    picker.Picker()->Popup()->close();
    DestroyRecNetLocal(&site.localDb);
    std::filesystem::remove_all(root);

    CChartSettingsStore store;  // defaults only; nothing is written
    ZOptionDlg dlg(6, nullptr, &store);
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg)) return 1;
    ok = Save(dlg.grab().toImage(), out + QStringLiteral("/settings-chart-page.png")) && ok;
    dlg.Tabs()->setCurrentIndex(1);
    ok = Save(dlg.grab().toImage(), out + QStringLiteral("/settings-working-hours.png")) && ok;
    return ok ? 0 : 1;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
