// The report window end to end, in the real browser engine on the offscreen platform: a site
// list over sample databases, a counter type chosen, the site checked, Query pressed; the table
// and the exports compared with what reporter-cli makes of the same site and day; the views;
// a cancelled query; a server whose database went away; the start-up and shutdown files.
#include <sqlite3.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <memory>
#include <vector>

#include "RecNetServer.h"
#include "ReportTestKit.h"
#include "UserStore.h"
#include "base/Profile.h"
#include "base/Version.h"
#include "query/CountTable.h"
#include "query/QueryWorker.h"
#include "sites/SiteLogic.h"
#include "store/ChartSettingsStore.h"
#include "store/SiteListStore.h"
#include "ui/chartview/WebBrowserHost.h"
#include "ui/datepicker/IDatePicker.h"
#include "ui/options/ISettingsDialog.h"
#include "ui/reportwin/CReportDlg.h"
#include "ui/reportwin/ProgressDlg.h"
#include "ui/reportwin/RetryPrompt.h"
#include "ui/sitetree/CDragDropTreeCtrl.h"

namespace zl {

namespace {

QString TextOf(QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

// Everything after the first line (which holds the time of the export).
QByteArray AfterFirstLine(const QByteArray& text) {
    const int end = text.indexOf('\n');
    return end < 0 ? QByteArray() : text.mid(end + 1);
}

QByteArray WithoutDateElement(QByteArray text) {
    const int start = text.indexOf("<date>");
    const int end = text.indexOf("</date>");
    if (start >= 0 && end > start) text.remove(start, end - start);
    return text;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class ReportWindowTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<TestProgramFolder> folder_;
    std::unique_ptr<CReportDlg> window_;

    // The Compare combo beside the range fits the least width: the window is no wider, and the
    // row keeps every control at its full size, in order up to the Query button, each text
    // whole. With ZL_SHOT_DIR set the window's picture is saved there as `shot`.
    void CheckQueryRowAtLeastSize(const QString& shot = QString()) {
        QCOMPARE(window_->minimumWidth(), CReportDlg::kCreationSize.width());
        window_->resize(CReportDlg::kCreationSize);
        QCoreApplication::sendPostedEvents();
        window_->layout()->activate();
        const QString shots = qEnvironmentVariable("ZL_SHOT_DIR");
        if (!shots.isEmpty() && !shot.isEmpty()) window_->grab().save(shots + "/" + shot);
        QWidget* month = window_->Control(kIdMonth);
        QWidget* compare = window_->Control(kIdCompare);
        QWidget* query = window_->Control(kIdQuery);
        QVERIFY(compare->isVisible());
        QVERIFY(compare->geometry().left() > month->geometry().right());
        QVERIFY(compare->geometry().right() < query->geometry().left());
        QVERIFY(compare->geometry().center().y() > month->geometry().top() &&
                compare->geometry().center().y() < month->geometry().bottom());
        QVERIFY(query->geometry().right() <= query->parentWidget()->width());
        // Every control of the row, left to right, at least as wide as it asks to be.
        const std::vector<int> row = {kIdDay, kIdWeek, kIdMonth, kIdCompare, kIdQuery};
        int right = -1;
        for (int id : row) {
            QWidget* control = window_->Control(id);
            QVERIFY2(control->isVisible(), qPrintable(QString::number(id)));
            QVERIFY2(control->geometry().left() > right, qPrintable(QString::number(id)));
            QVERIFY2(control->width() >= control->sizeHint().width(),
                     qPrintable(QStringLiteral("%1: %2 < %3")
                                    .arg(id)
                                    .arg(control->width())
                                    .arg(control->sizeHint().width())));
            right = control->geometry().right();
        }
        // The longest item of the combo shows whole.
        auto* combo = qobject_cast<QComboBox*>(compare);
        QVERIFY(combo && combo->count() > 1);
        for (int i = 0; i < combo->count(); ++i) {
            const int text = combo->fontMetrics().horizontalAdvance(combo->itemText(i));
            QVERIFY2(combo->width() > text, qPrintable(combo->itemText(i)));
        }
    }

    // A window on the folder's site list, shown and exposed.
    void OpenWindow() {
        window_ = std::make_unique<CReportDlg>();
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    void ChooseCounterType(int index) {
        auto* combo = qobject_cast<QComboBox*>(window_->Control(kIdCounterType));
        QVERIFY(combo);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        QCOMPARE(window_->CounterType(), index + 1);
    }

    // Checks the first site of the tree as a click on its box does.
    void CheckFirstSite() {
        CDragDropTreeCtrl* tree = window_->Tree();
        QVERIFY(tree->topLevelItemCount() > 0);
        QTreeWidgetItem* site = tree->topLevelItem(0);
        QVERIFY(site->childCount() > 0);
        site->setCheckState(0, Qt::Checked);
        emit tree->treeLeftClicked(site, QPoint());
        for (int i = 0; i < site->childCount(); ++i)
            QCOMPARE(site->child(i)->checkState(0), Qt::Checked);
    }

    void PressQuery() {
        auto* query = qobject_cast<QPushButton*>(window_->Control(kIdQuery));
        QTest::mouseClick(query, Qt::LeftButton);
        // The progress dialog has closed by itself: nothing modal is left.
        QVERIFY(!QApplication::activeModalWidget());
    }

    void PressButton(int id) {
        auto* button = qobject_cast<QAbstractButton*>(window_->Control(id));
        QVERIFY(button);
        QVERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // The table against reporter-cli --format json: rows, values and totals.
    // `shown`: the value indexes the table shows (empty: all of them).
    void CompareTableWithCli(const QStringList& cliArgs, int expectedRows,
                             std::vector<int> shown = {}) {
        QTableWidget* table = window_->Table();
        QCOMPARE(table->rowCount(), expectedRows + 1);
        QCOMPARE(TextOf(table, expectedRows, 1), QStringLiteral("Total"));
        QCOMPARE(TextOf(table, expectedRows, 0), QString::number(expectedRows + 1));

        const QJsonObject json =
            QJsonDocument::fromJson(RunCli(*folder_, cliArgs + QStringList{"--format", "json"}))
                .object();
        const QJsonArray records = json.value(QStringLiteral("records")).toArray();
        const QJsonArray totals = json.value(QStringLiteral("totals")).toArray();
        QCOMPARE(records.size(), expectedRows);
        if (shown.empty())
            for (int c = 0; c < totals.size(); ++c) shown.push_back(c);
        QCOMPARE(table->columnCount(), 2 + static_cast<int>(shown.size()));
        qint64 all = 0;
        // A bucket without any record shows the no-data mark, as the JSON coverage says.
        const QJsonArray coverage = json.value(QStringLiteral("coverage"))
                                        .toObject()
                                        .value(QStringLiteral("buckets"))
                                        .toArray();
        QCOMPARE(coverage.size(), expectedRows);
        for (int r = 0; r < expectedRows; ++r) {
            const QJsonArray values =
                records[r].toObject().value(QStringLiteral("values")).toArray();
            const bool any = coverage[r]
                                 .toObject()
                                 .value(QStringLiteral("total"))
                                 .toObject()
                                 .value(QStringLiteral("any"))
                                 .toBool();
            for (size_t c = 0; c < shown.size(); ++c) {
                const qint64 v = values[shown[c]].toInteger();
                QCOMPARE(TextOf(table, r, 2 + static_cast<int>(c)),
                         any ? QString::number(v) : QStringLiteral("–"));
                all += v;
            }
        }
        for (size_t c = 0; c < shown.size(); ++c)
            QCOMPARE(TextOf(table, expectedRows, 2 + static_cast<int>(c)),
                     QString::number(totals[shown[c]].toInteger()));
        QVERIFY2(all > 0, "the sample day has no counts");
    }

    // A record-database server on 127.0.0.1 (a free port) over `root`, with the user "viewer"
    // (password "secret").
    bool ServerConfigFor(const QString& root, const char* name, zl::recnetd::ServerConfig* config) {
        config->address = "127.0.0.1";
        config->port = 0;
        config->serverName = name;
        config->dataRoots = {root.toStdString()};
        config->usersFile = folder_->Path("users").toStdString();
        config->logLevel = zl::recnetd::LogLevel::Error;
        std::string error;
        return zl::recnetd::UserStore::AddUser(config->usersFile, "viewer", "secret", &error);
    }

    // Exports through the Export button with the path the "dialog" answers.
    bool ExportAs(const QString& path) {
        QString askedFilter;
        window_->chooseExportPath = [&](const QString& filter, const QString&) {
            askedFilter = filter;
            return path;
        };
        PressButton(kIdExport);
        const bool table = window_->View() == kViewTable;
        return askedFilter ==
               (table ? QStringLiteral("CSV(*.csv)") : QStringLiteral("BMP(*.bmp) ")) +
                   QStringLiteral(";;Excel workbook(*.xlsx);;PDF(*.pdf)");
    }

    void CompareExportsWithCli(const QStringList& cliArgs, const QString& tag) {
        window_->SwitchView(kViewTable);
        const QString csv = folder_->Path(tag + ".csv");
        const QString xml = folder_->Path(tag + ".xml");
        QVERIFY(ExportAs(csv));
        QVERIFY(ExportAs(xml));  // a typed ".xml" name writes XML whatever the filter
        const QString cliCsv = folder_->Path(tag + "-cli.csv");
        const QString cliXml = folder_->Path(tag + "-cli.xml");
        RunCli(*folder_, cliArgs + QStringList{"--format", "csv", "--output", cliCsv});
        RunCli(*folder_, cliArgs + QStringList{"--format", "xml", "--output", cliXml});
        const QByteArray mine = ReadAll(csv);
        QVERIFY(mine.startsWith("Sitename: Site Name Report date: "));
        QVERIFY(!AfterFirstLine(mine).isEmpty());
        QCOMPARE(AfterFirstLine(mine), AfterFirstLine(ReadAll(cliCsv)));
        QCOMPARE(WithoutDateElement(ReadAll(xml)), WithoutDateElement(ReadAll(cliXml)));
        QVERIFY(QFile::exists(folder_->Path("ParseCount.xsl")));
    }

  private slots:
    void init() { folder_ = std::make_unique<TestProgramFolder>(); }

    void cleanup() {
        window_.reset();
        folder_.reset();
    }

    void startsWithTheDefaultsAndTheLanguageTexts() {
        ModalWatcher watcher;
        OpenWindow();
        QCOMPARE(window_->windowTitle(), QStringLiteral("zelkoReporter"));
        auto* counter = qobject_cast<QComboBox*>(window_->Control(kIdCounterType));
        QCOMPARE(counter->currentIndex(), -1);  // no selection until the user picks one
        QCOMPARE(counter->count(), 7);
        QCOMPARE(counter->itemText(0), QStringLiteral("2D People Counter"));
        QCOMPARE(window_->CounterType(), 1);
        QVERIFY(qobject_cast<QRadioButton*>(window_->Control(kIdDay))->isChecked());
        QCOMPARE(window_->View(), static_cast<int>(kViewChart));
        auto* period = qobject_cast<QComboBox*>(window_->Control(kIdPeriod));
        QCOMPARE(period->itemText(0), QStringLiteral("60 min"));
        QCOMPARE(period->currentIndex(), 0);
        auto* direction = qobject_cast<QComboBox*>(window_->Control(kIdDirection));
        QCOMPARE(direction->count(), 3);
        QCOMPARE(direction->itemText(0), QStringLiteral("In and Out"));
        QCOMPARE(qobject_cast<QLineEdit*>(window_->Control(kIdHeightLow))->text(),
                 QStringLiteral("110"));
        for (int id : {kIdRegion, kIdPeriod, kIdQueueType, kIdHeight, kIdHeightLow})
            QVERIFY2(!window_->Control(id)->isVisible(), qPrintable(QString::number(id)));
        QVERIFY(window_->Control(kIdDirection)->isVisible());
        QVERIFY(!window_->Control(kIdPrint)->isEnabled());
        QVERIFY(!window_->Control(kIdExport)->isEnabled());
        // Captions and tool tips.
        QCOMPARE(qobject_cast<QPushButton*>(window_->Control(kIdQuery))->text(),
                 QStringLiteral("Query"));
        QCOMPARE(qobject_cast<QLabel*>(window_->Control(kIdStartTimeLabel))->text(),
                 QStringLiteral("Start time:"));
        QCOMPARE(window_->Control(kIdAdd)->toolTip(), QStringLiteral("Add a site"));
        QCOMPARE(window_->Table()->horizontalHeaderItem(0)->text(), QStringLiteral("No."));
        QCOMPARE(window_->Table()->columnWidth(1), 280);
        QVERIFY(watcher.texts.isEmpty());

        // The About entry.
        auto* about = window_->findChild<QAction*>(QStringLiteral("aboutAction"));
        QVERIFY(about);
        about->trigger();
        // The project version of the build, e.g. "zelkoReporter , version 1.0".
        QCOMPARE(watcher.texts, QStringList{QStringLiteral("zelkoReporter , version ") +
                                            QString::fromUtf8(zl::ProjectVersion())});
    }

    void regionAndQueueListsFollowTheCounterType() {
        ModalWatcher watcher;
        QVERIFY(GenerateData(folder_->Path("data"), {3, 7}, 1, 60, 1, true));
        folder_->WriteSiteList({LocalSite(folder_->Path("data"))});
        OpenWindow();
        auto* region = qobject_cast<QComboBox*>(window_->Control(kIdRegion));
        auto* regionLabel = qobject_cast<QLabel*>(window_->Control(kIdRegionLabel));
        ChooseCounterType(2);
        QVERIFY(region->isVisible());
        QCOMPARE(region->count(), 11);
        QCOMPARE(region->itemText(0), QStringLiteral("Region A"));
        QCOMPARE(region->itemText(10), QStringLiteral("All Regions"));
        QCOMPARE(regionLabel->text(), QStringLiteral("Region"));
        region->setCurrentIndex(10);
        emit region->activated(10);
        QCOMPARE(window_->Filters().RegionVisible(), RegionVisibleFor(10));

        ChooseCounterType(6);
        QCOMPARE(region->count(), 10);
        QCOMPARE(region->itemText(1), QStringLiteral("Queue B"));
        QCOMPARE(regionLabel->text(), QStringLiteral("Queue"));
        QVERIFY(window_->Control(kIdQueueType)->isVisible());
        auto* queue = qobject_cast<QComboBox*>(window_->Control(kIdQueueType));
        QCOMPARE(queue->itemText(0), QStringLiteral("Waiting Events"));
        queue->setCurrentIndex(2);
        emit queue->activated(2);
        QCOMPARE(window_->Filters().QueueType(), 2);
        // The local site now reads the served-events file.
        QVERIFY(QString::fromStdString(CSiteListStore::Instance()->Sites()[0].localDB)
                    .startsWith(folder_->Path("data")));
        QVERIFY(watcher.texts.isEmpty());
    }

    void theSettingsDialogRebuildsTheCaptions() {
        // A settings dialog that renames the first line and is confirmed.
        class Rename : public ISettingsDialog {
          public:
            int asked = 0;
            bool Run(QWidget*, int counterType) override {
                ++asked;
                ChartSettings settings;
                CChartSettingsStore::Instance()->GetSettings(settings, counterType);
                settings.line.inTitle[0] = "Entries";
                CChartSettingsStore::Instance()->SetSettings(settings, counterType);
                return true;
            }
        } dialog;
        ModalWatcher watcher;
        QVERIFY(GenerateData(folder_->Path("data"), {1, 2}, 1, 60, 1, true));
        folder_->WriteSiteList({LocalSite(folder_->Path("data"))});
        OpenWindow();
        window_->SetSettingsDialog(&dialog);
        ChooseCounterType(0);
        CheckFirstSite();
        PressQuery();
        PressButton(kIdSettings);
        QCOMPARE(dialog.asked, 1);
        QCOMPARE(window_->Table()->horizontalHeaderItem(2)->text(), QStringLiteral("Entries"));
        QCOMPARE(window_->Chart().SeriesLabel(0), std::string("Entries"));
        // A new counter type drops the result: nothing to print or export.
        ChooseCounterType(1);
        QCOMPARE(window_->HasResult(), 0);
        QVERIFY(!window_->Control(kIdPrint)->isEnabled());
        QVERIFY(!window_->Control(kIdExport)->isEnabled());
        QVERIFY(watcher.texts.isEmpty());
    }

    void theShutdownWritesTheCounterTypeAndTheLists() {
        ModalWatcher watcher;
        GenerateData(folder_->Path("data"), {4}, 2, 60, 2, true);
        folder_->WriteSiteList({LocalSite(folder_->Path("data"))});
        OpenWindow();
        ChooseCounterType(3);
        window_->close();
        window_.reset();
        zl::ProfileFile settings(folder_->Path("Setting .ini").toStdString());
        QVERIFY(settings.Load());
        QCOMPARE(settings.GetString("P_Count_Setting", "CounterType", ""), std::string("4"));
        CSiteListStore list;
        list.SetFile(folder_->Path("SiteList.ini").toStdString());
        QVERIFY(list.Load());
        QCOMPARE(list.Size(), 1);
        // The next start reads the counter type again.
        OpenWindow();
        QCOMPARE(window_->CounterType(), 4);
        QVERIFY(watcher.texts.isEmpty());
    }

    void aPeopleCounterDayMatchesTheCommandLine() {
        ModalWatcher watcher;
        QVERIFY(GenerateData(folder_->Path("data"), {1}, 3, 15, 4, true));
        folder_->WriteSiteList({LocalSite(folder_->Path("data"))});
        OpenWindow();
        ChooseCounterType(0);
        CheckFirstSite();
        PressQuery();
        QCOMPARE(window_->LastOutcome(), static_cast<int>(kQueryDone));
        QCOMPARE(window_->HasResult(), 1);
        const QStringList cli{"--type", "1",     "--range",     "day",
                              "--date", Today(), "--site-list", folder_->Path("SiteList.ini")};
        CompareTableWithCli(cli, 24);
        QVERIFY(window_->Control(kIdPrint)->isEnabled());
        QVERIFY(window_->Control(kIdExport)->isEnabled());

        // The chart got one point per hour in each of the two series and hour labels.
        int points = 0;
        QVERIFY(window_->Chart().GetPointCount(0, &points));
        QCOMPARE(points, 24);
        QCOMPARE(window_->Chart().Labels().front(), std::string("00"));
        QCOMPARE(window_->Chart().Labels().back(), std::string("23"));
        QTRY_VERIFY_WITH_TIMEOUT(window_->Host()->Navigated(), 30000);

        // The views.
        PressButton(kIdViewBar);
        QCOMPARE(window_->View(), static_cast<int>(kViewBar));
        QVERIFY(window_->Host()->isVisible());
        QVERIFY(!window_->Table()->isVisible());
        int type = 0;
        QVERIFY(window_->Chart().GetSeriesType(0, &type));
        QCOMPARE(type, 2);
        PressButton(kIdViewTable);
        QCOMPARE(window_->View(), static_cast<int>(kViewTable));
        QVERIFY(window_->Table()->isVisible());
        QVERIFY(!window_->Host()->isVisible());
        QVERIFY(window_->Control(kIdExport)->isEnabled());

        CompareExportsWithCli(cli, QStringLiteral("people"));

        // The chart as a bitmap: what the browser shows, 24 bits, rows padded to 4 bytes.
        PressButton(kIdViewChart);
        QTRY_VERIFY_WITH_TIMEOUT(window_->Host()->Navigated(), 30000);
        // The engine shows the drawing at its next frame: export until it is there.
        const QString bmp = folder_->Path("chart.bmp");
        const auto colourCount = [](const QImage& image) {
            QSet<QRgb> colours;
            for (int y = 0; y < image.height(); y += 7)
                for (int x = 0; x < image.width(); x += 7) colours.insert(image.pixel(x, y));
            return colours.size();
        };
        QVERIFY(
            QTest::qWaitFor([&] { return ExportAs(bmp) && colourCount(QImage(bmp)) > 4; }, 30000));
        const QByteArray bytes = ReadAll(bmp);
        QVERIFY(bytes.startsWith("BM"));
        const QImage image(bmp);
        // The chart under the report's heading.
        QCOMPARE(image.width(), window_->Host()->width());
        QVERIFY(image.height() > window_->Host()->height() + 40);
        const QStringList heading = window_->HeadingLines();
        QCOMPARE(heading.size(), 4);
        QCOMPARE(heading[0], QStringLiteral("2D People Counter - Range: Day ") +
                                 QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")));
        QCOMPARE(heading[1], QStringLiteral("Sites: Test site"));
        QCOMPARE(heading[2], QStringLiteral("Filters: Direction: In and Out"));
        QVERIFY(heading[3].startsWith(QStringLiteral("Printed: ")));
        const int row = (image.width() * 3 + 3) / 4 * 4;
        QCOMPARE(bytes.size(), 54 + row * image.height());
        QVERIFY2(colourCount(image) > 4, "the captured chart is blank");

        // The workbook and the PDF report from the same Export, made of the heading's facts
        // and the table's rows.
        const ReportDocument document = window_->Document();
        QCOMPARE(QString::fromStdString(document.title), heading[0]);
        QCOMPARE(document.rows.size(), CReportTable::Instance()->Records().size());
        QCOMPARE(document.captions.size(), size_t{2});
        const QString xlsx = folder_->Path("report.xlsx");
        const QString pdf = folder_->Path("report.pdf");
        QVERIFY(ExportAs(xlsx));
        QVERIFY(ReadAll(xlsx).startsWith("PK"));
        QVERIFY(ExportAs(pdf));
        QVERIFY(ReadAll(pdf).startsWith("%PDF"));

        // The chart prints as a picture; the table with its totals.
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(folder_->Path("chart.pdf"));
        QVERIFY(window_->PrintTo(printer));
        QVERIFY(QFileInfo(folder_->Path("chart.pdf")).size() > 1000);
        window_->SwitchView(kViewTable);
        printer.setOutputFileName(folder_->Path("table.pdf"));
        window_->choosePrinter = [](QPrinter&) { return true; };
        QVERIFY(window_->PrintTo(printer));
        QVERIFY(QFileInfo(folder_->Path("table.pdf")).size() > 1000);
        QVERIFY(watcher.texts.isEmpty());
    }

    void theDirectionHidesColumnsAndTheExportFollows() {
        ModalWatcher watcher;
        QVERIFY(GenerateData(folder_->Path("data"), {1}, 2, 60, 2, true));
        folder_->WriteSiteList({LocalSite(folder_->Path("data"))});
        OpenWindow();
        ChooseCounterType(0);
        CheckFirstSite();
        PressQuery();
        auto* direction = qobject_cast<QComboBox*>(window_->Control(kIdDirection));
        direction->setCurrentIndex(2);
        emit direction->activated(2);
        QTableWidget* table = window_->Table();
        QCOMPARE(table->columnCount(), 3);  // number, time, out
        QCOMPARE(window_->LineVisible()[0], 0);
        QCOMPARE(window_->LineVisible()[1], 1);
        const QStringList cli{
            "--type", "1",           "--range", "day",         "--date",
            Today(),  "--direction", "2",       "--site-list", folder_->Path("SiteList.ini")};
        CompareTableWithCli(cli, 24, {1});
        QCOMPARE(table->horizontalHeaderItem(2)->text(), QStringLiteral("Outward"));
        // The chart page holds the shown series only, so its legend matches the table.
        const std::string page = window_->Chart().LoadDataText();
        QVERIFY(page.find("label : \"Outward\"") != std::string::npos);
        QVERIFY(page.find("label : \"Inward\"") == std::string::npos);
        QVERIFY(window_->HeadingLines()[2].endsWith(QStringLiteral("Direction: Out")));
        // The export writes the shown column under its own title, as the command line does.
        CompareExportsWithCli(cli, QStringLiteral("out"));
        QVERIFY(watcher.texts.isEmpty());
    }

    void aFlowCounterWithFifteenMinutes() {
        ModalWatcher watcher;
        QVERIFY(GenerateData(folder_->Path("data"), {5}, 2, 15, 3, true));
        folder_->WriteSiteList({LocalSite(folder_->Path("data"))});
        OpenWindow();
        ChooseCounterType(4);
        QVERIFY(window_->Control(kIdPeriod)->isVisible());
        QVERIFY(!window_->Control(kIdRegion)->isVisible());
        QVERIFY(!window_->Control(kIdDirection)->isVisible());
        auto* period = qobject_cast<QComboBox*>(window_->Control(kIdPeriod));
        period->setCurrentIndex(2);
        emit period->activated(2);
        QCOMPARE(window_->Filters().PeriodMinutes(), 15);
        CheckFirstSite();
        PressQuery();
        QCOMPARE(window_->LastOutcome(), static_cast<int>(kQueryDone));
        const QStringList cli{
            "--type", "5",        "--range", "day",         "--date",
            Today(),  "--period", "15",      "--site-list", folder_->Path("SiteList.ini")};
        CompareTableWithCli(cli, 96);
        QCOMPARE(window_->Chart().Labels()[1], std::string("00:15"));
        QCOMPARE(window_->Chart().Labels()[4], std::string("01"));
        CompareExportsWithCli(cli, QStringLiteral("flow"));
        // A week hides the period.
        window_->SelectRange(1);
        QVERIFY(!window_->Control(kIdPeriod)->isVisible());
        QVERIFY(watcher.texts.isEmpty());
    }

    void aLongQueryIsCancelled() {
        ModalWatcher watcher;
        // Minute records of many cameras without an index: every query is a slow scan.
        QVERIFY(GenerateData(folder_->Path("data"), {1}, 60, 1, 16, false));
        folder_->WriteSiteList({LocalSite(folder_->Path("data"))});
        OpenWindow();
        ChooseCounterType(0);
        CheckFirstSite();
        window_->SelectRange(2);
        bool cancelled = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dlg = qobject_cast<CProgressDlg*>(QApplication::activeModalWidget());
            if (!dlg || cancelled || !dlg->isVisible()) return;
            cancelled = true;
            QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("id2")), Qt::LeftButton);
        });
        poll.start(20);
        PressQuery();
        QVERIFY(cancelled);
        QVERIFY(window_->LastCancelled());
        QCOMPARE(window_->LastOutcome(), static_cast<int>(kQueryFailed));
        // No report table was built: an empty table, no totals.
        QCOMPARE(window_->Table()->rowCount(), 0);
        // The window goes on: the next view switch works and nothing modal is left.
        PressButton(kIdViewTable);
        QCOMPARE(window_->View(), static_cast<int>(kViewTable));
        QVERIFY(watcher.texts.isEmpty());
    }

    // A counter type change connects the sites on a worker thread behind the progress
    // dialog: while every database is held by a writer the dialog is up and the window's
    // timers run. Cancel starts no further site; those show as not connected and are connected
    // before the next query, whose report is then whole.
    void aTypeChangeConnectsOffTheWindowThreadAndCancelLeavesItConsistent() {
        ModalWatcher watcher;
        constexpr int kSites = 6;  // more than connect at once
        std::vector<TestSite> sites;
        QStringList files;
        for (int i = 0; i < kSites; ++i) {
            const QString root = folder_->Path(QStringLiteral("site%1").arg(i));
            QVERIFY(GenerateData(root, {1, 5}, 1, 60, 1, true));
            TestSite site = LocalSite(root);
            site.name = "Site " + std::to_string(i);
            sites.push_back(site);
            files << root + "/PeopleCounterData/PeopleCounter.db";
        }
        folder_->WriteSiteList(sites);
        OpenWindow();
        ChooseCounterType(4);

        // Writers hold every people-counter file: a connection waits for them (its busy
        // timeout is longer than the test needs to see the dialog).
        struct Writers {
            std::vector<sqlite3*> dbs;
            void Release() {
                for (sqlite3* db : dbs) sqlite3_close_v2(db);  // ends the open transaction
                dbs.clear();
            }
            ~Writers() { Release(); }
        } writers;
        const auto lockAll = [&] {
            for (const QString& file : files) {
                sqlite3* db = nullptr;
                QCOMPARE(sqlite3_open(file.toUtf8().constData(), &db), SQLITE_OK);
                writers.dbs.push_back(db);
                sqlite3_busy_timeout(db, 20000);  // the window may still be reading
                QCOMPARE(sqlite3_exec(db, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr),
                         SQLITE_OK);
            }
        };
        const auto changeTypeWhileLocked = [&](int index, bool cancel) {
            lockAll();
            int ticks = 0;
            QTimer ticker;
            connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
            ticker.start(5);
            bool sawDialog = false;
            QTimer poll;
            connect(&poll, &QTimer::timeout, this, [&] {
                auto* dlg = qobject_cast<CProgressDlg*>(QApplication::activeModalWidget());
                if (!dlg || !dlg->isVisible() || writers.dbs.empty()) return;
                // The window thread runs while the files are held: the work is elsewhere.
                if (ticks < 3) return;
                sawDialog = true;
                if (cancel)
                    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("id2")),
                                      Qt::LeftButton);
                writers.Release();
            });
            poll.start(10);
            ChooseCounterType(index);
            QVERIFY(sawDialog);
            QVERIFY(!QApplication::activeModalWidget());
        };

        changeTypeWhileLocked(0, false);
        QVERIFY(!window_->LastReconnectCancelled());
        CDragDropTreeCtrl* tree = window_->Tree();
        QCOMPARE(tree->topLevelItemCount(), kSites);
        for (int i = 0; i < kSites; ++i) QVERIFY(tree->topLevelItem(i)->childCount() > 0);

        ChooseCounterType(4);
        changeTypeWhileLocked(0, true);
        QVERIFY(window_->LastReconnectCancelled());
        QCOMPARE(tree->topLevelItemCount(), kSites);
        int notConnected = 0;
        for (int i = 0; i < kSites; ++i) {
            QTreeWidgetItem* item = tree->topLevelItem(i);
            if (item->text(0).endsWith(QStringLiteral("(not connected)"))) {
                ++notConnected;
                QCOMPARE(item->childCount(), 0);
            } else {
                QVERIFY(item->childCount() > 0);
            }
        }
        QVERIFY(notConnected > 0);
        QVERIFY2(watcher.texts.isEmpty(), qPrintable(watcher.texts.join('|')));

        // All sites checked: the query connects the rest first, off this thread too; a
        // Cancel there runs no query and leaves them as they were.
        for (int i = 0; i < kSites; ++i) {
            QTreeWidgetItem* item = tree->topLevelItem(i);
            item->setCheckState(0, Qt::Checked);
            emit tree->treeLeftClicked(item, QPoint());
        }
        {
            lockAll();
            bool cancelled = false;
            QTimer poll;
            connect(&poll, &QTimer::timeout, this, [&] {
                auto* dlg = qobject_cast<CProgressDlg*>(QApplication::activeModalWidget());
                if (!dlg || !dlg->isVisible() || cancelled) return;
                cancelled = true;
                QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("id2")),
                                  Qt::LeftButton);
                writers.Release();
            });
            poll.start(10);
            PressQuery();
            QVERIFY(cancelled);
            QCOMPARE(window_->Table()->rowCount(), 0);
        }
        PressQuery();
        QCOMPARE(window_->LastOutcome(), static_cast<int>(kQueryDone));
        for (int i = 0; i < kSites; ++i) {
            QVERIFY(!tree->topLevelItem(i)->text(0).endsWith(QStringLiteral("(not connected)")));
            QVERIFY(tree->topLevelItem(i)->childCount() > 0);
        }
        QVERIFY2(watcher.texts.isEmpty(), qPrintable(watcher.texts.join('|')));
    }

    void aServerWhoseDatabaseWentAwayAsksAndNoLeavesTheWindowUsable() {
        ModalWatcher watcher;
        const QString root = folder_->Path("served");
        QVERIFY(GenerateData(root, {1}, 2, 60, 2, true));
        zl::recnetd::ServerConfig config;
        QVERIFY(ServerConfigFor(root, "test-server", &config));
        std::string error;
        zl::recnetd::RecNetServer server(config);
        QVERIFY2(server.Start(&error), error.c_str());

        TestSite site;
        site.connectionType = 0;
        site.port = std::to_string(server.Port());
        site.user = "viewer";
        site.password = "secret";
        folder_->WriteSiteList({site});
        OpenWindow();
        ChooseCounterType(0);
        QVERIFY2(watcher.texts.isEmpty(), qPrintable(watcher.texts.join('|')));
        CheckFirstSite();
        QVERIFY(QFile::remove(root + "/PeopleCounterData/PeopleCounter.db"));

        watcher.answer = QMessageBox::No;
        PressQuery();
        QCOMPARE(window_->RetryPrompt()->Asked(), 1);
        QCOMPARE(watcher.texts.size(), 2);
        // Named by the site, then the worker's text with the address.
        QVERIFY2(watcher.texts[0].startsWith(QStringLiteral("Site \"Test site\": 127.0.0.1")),
                 qPrintable(watcher.texts[0]));
        QVERIFY(watcher.texts[0].contains(QStringLiteral("Do you want to try again?")));
        // After No, the site whose query failed is named: no report, no zeros.
        QCOMPARE(watcher.texts[1],
                 QStringLiteral("Site \"Test site\": its query failed, so no report was made "
                                "(the other sites were not counted without it)."));
        QCOMPARE(window_->LastOutcome(), static_cast<int>(kQueryFailed));
        QVERIFY(!window_->LastCancelled());
        QCOMPARE(window_->Table()->rowCount(), 0);
        // Usable: the controls answer and another query can be started.
        QVERIFY(window_->isEnabled());
        PressButton(kIdViewBar);
        QCOMPARE(window_->View(), static_cast<int>(kViewBar));
        PressQuery();
        QCOMPARE(window_->RetryPrompt()->Asked(), 2);
        window_.reset();
        server.Stop();
    }

    void deletingSitesAsksFirstAndCancelKeepsThemAll() {
        QVERIFY(GenerateData(folder_->Path("a"), {1}, 1, 60, 1, true));
        QVERIFY(GenerateData(folder_->Path("b"), {1}, 1, 60, 1, true));
        TestSite a = LocalSite(folder_->Path("a"));
        a.name = "Front door";
        TestSite b = LocalSite(folder_->Path("b"));
        b.name = "Back door";
        folder_->WriteSiteList({a, b});
        ModalWatcher watcher;
        OpenWindow();
        ChooseCounterType(0);
        CDragDropTreeCtrl* tree = window_->Tree();
        QCOMPARE(tree->topLevelItemCount(), 2);
        for (int i = 0; i < 2; ++i) {
            tree->topLevelItem(i)->setCheckState(0, Qt::Checked);
            emit tree->treeLeftClicked(tree->topLevelItem(i), QPoint());
        }
        watcher.answer = QMessageBox::Cancel;
        PressButton(kIdRemove);
        QCOMPARE(watcher.texts.size(), 1);
        QVERIFY2(watcher.texts[0].contains(QStringLiteral("these 2 sites")),
                 qPrintable(watcher.texts[0]));
        QVERIFY(watcher.texts[0].contains(QStringLiteral("Front door")));
        QVERIFY(watcher.texts[0].contains(QStringLiteral("Back door")));
        QCOMPARE(CSiteListStore::Instance()->Sites().size(), size_t(2));
        QCOMPARE(tree->topLevelItemCount(), 2);

        watcher.answer = QMessageBox::Ok;
        PressButton(kIdRemove);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.texts.size(), 2, 30000);
        QCOMPARE(CSiteListStore::Instance()->Sites().size(), size_t(0));
        QCOMPARE(tree->topLevelItemCount(), 0);
    }

    void theCreationSizeIsTheLeastAndTheDateStaysReadable() {
        ModalWatcher watcher;
        OpenWindow();
        QCOMPARE(window_->size(), CReportDlg::kCreationSize);
        QVERIFY(window_->minimumWidth() >= 1180);
        QVERIFY(window_->minimumHeight() >= 720);
        window_->resize(1032, 600);
        QCoreApplication::sendPostedEvents();
        QVERIFY(window_->width() >= 1180);
        QVERIFY(window_->height() >= 720);
        CheckQueryRowAtLeastSize();
        if (QTest::currentTestFailed()) return;
        QWidget* date = window_->Control(kIdDatePicker);
        const int text = date->fontMetrics().horizontalAdvance(QStringLiteral("0000/00/00"));
        QVERIFY2(date->width() > text, qPrintable(QString::number(date->width())));
        QVERIFY(date->isVisible());
        // Typed, the date is what the next query reads.
        auto* field = date->findChild<QLineEdit*>(QStringLiteral("id10202"));
        QVERIFY(field && !field->isReadOnly());
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("2026/02/03"));
        const SYSTEMTIME day = window_->DatePicker()->Get_Select_Time();
        QCOMPARE(QDate(day.wYear, day.wMonth, day.wDay), QDate(2026, 2, 3));
    }

    // Run in a process of its own (ctest app_report_window_chinese): texts a window fetched
    // stay those of the first language file for the life of the process.
    void theQueryRowFitsTheLeastSizeInChinese() {
        if (qEnvironmentVariable("ZL_WINDOW_LANGUAGE") != QStringLiteral("CHT"))
            QSKIP("run with ZL_WINDOW_LANGUAGE=CHT in a process of its own");
        QVERIFY(QFile::copy(QStringLiteral(ZL_LANG_CHT_FILE),
                            folder_->Path("LANG/zelkoReporter_CHT.ini")));
        QFile settings(folder_->Path("Setting .ini"));
        QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write("[LANGUAGE]\nTYPE=zelkoReporter_CHT.ini\n");
        settings.close();
        ModalWatcher watcher;
        OpenWindow();
        auto* combo = qobject_cast<QComboBox*>(window_->Control(kIdCompare));
        QVERIFY(combo);
        QCOMPARE(combo->itemText(0), QStringLiteral("不比較"));
        CheckQueryRowAtLeastSize(QStringLiteral("window-cht-1180.png"));
    }

    void emptyStatesSayWhatToDoAndKeysWork() {
        QVERIFY(GenerateData(folder_->Path("data"), {1, 3}, 1, 60, 1, true));
        folder_->WriteSiteList({LocalSite(folder_->Path("data"))});
        ModalWatcher watcher;
        OpenWindow();
        QLabel* hint = window_->Hint();
        QVERIFY(hint->isVisible());
        QCOMPARE(hint->text(),
                 QStringLiteral("Choose a counter type, check sites and cameras, press Query."));
        QVERIFY(!window_->Host()->isVisible());
        // Enter on a control that does not use it runs Query; with nothing chosen it says what
        // is missing, runs nothing and leaves Print and Export off.
        int exports = 0, prints = 0;
        window_->chooseExportPath = [&](const QString&, const QString&) {
            ++exports;
            return QString();
        };
        window_->choosePrinter = [&](QPrinter&) {
            ++prints;
            return false;
        };
        QTest::keyClick(window_->Control(kIdDay), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.texts.size(), 1, 30000);
        QVERIFY2(watcher.texts[0].contains(QStringLiteral("choose a counter type")),
                 qPrintable(watcher.texts[0]));
        ChooseCounterType(0);
        PressButton(kIdQuery);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.texts.size(), 2, 30000);
        QVERIFY2(watcher.texts[1].contains(QStringLiteral("check at least one site")),
                 qPrintable(watcher.texts[1]));
        QVERIFY(!window_->Control(kIdPrint)->isEnabled());
        QVERIFY(!window_->Control(kIdExport)->isEnabled());
        QTest::keySequence(window_.get(), QKeySequence(Qt::CTRL | Qt::Key_E));
        QTest::keySequence(window_.get(), QKeySequence::Print);
        QCOMPARE(exports + prints, 0);
        QCOMPARE(window_->LastOutcome(), 0);

        // A query with rows: the chart in place of the hint, the keys print and export.
        CheckFirstSite();
        QTest::keyClick(window_->Control(kIdDay), Qt::Key_Enter);
        QCOMPARE(window_->HasResult(), 1);
        QVERIFY(!hint->isVisible());
        QVERIFY(window_->Host()->isVisible());
        // The shortcuts belong to the window: it has to be the active one.
        QApplication::setActiveWindow(window_.get());
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        QWidget* focus = window_->Control(kIdQuery);
        focus->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(focus->hasFocus(), 30000);
        QTest::keyClick(focus, Qt::Key_E, Qt::ControlModifier);
        QTest::keyClick(focus, Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(focus, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(exports, 2);
        QCOMPARE(prints, 1);

        // Another counter type clears the result at once.
        ChooseCounterType(2);
        QCOMPARE(window_->HasResult(), 0);
        QCOMPARE(window_->Table()->rowCount(), 0);
        QVERIFY(hint->isVisible());
        QVERIFY(hint->text().contains(QStringLiteral("counter type changed")));
        QVERIFY(!window_->Control(kIdExport)->isEnabled());
        QCOMPARE(watcher.texts.size(), 2);

        // Tab walks the query row in reading order.
        QWidget* order[] = {window_->Control(kIdCounterType), window_->Control(kIdDatePicker),
                            window_->Control(kIdDay),         window_->Control(kIdWeek),
                            window_->Control(kIdMonth),       window_->Control(kIdQuery)};
        for (size_t i = 1; i < std::size(order); ++i) {
            QWidget* next = order[i - 1]->focusProxy() ? order[i - 1]->focusProxy() : order[i - 1];
            next = next->nextInFocusChain();
            while (next &&
                   (next->window() != window_.get() || !(next->focusPolicy() & Qt::TabFocus)))
                next = next->nextInFocusChain();
            QWidget* want = order[i]->focusProxy() ? order[i]->focusProxy() : order[i];
            QCOMPARE(next, want);
        }
    }

    void aSiteWhoseServerIsDownStaysInTheTreeAndIsNamed() {
        ModalWatcher watcher;
        int port = 0;
        {
            zl::recnetd::ServerConfig config;
            QVERIFY(ServerConfigFor(folder_->Path(), "gone", &config));
            std::string error;
            zl::recnetd::RecNetServer server(config);
            QVERIFY2(server.Start(&error), error.c_str());
            port = server.Port();
            server.Stop();
        }
        TestSite site;
        site.connectionType = 0;
        site.port = std::to_string(port);
        site.user = "viewer";
        site.password = "secret";
        site.name = "Main entrance";
        folder_->WriteSiteList({site});
        OpenWindow();
        ChooseCounterType(0);
        QCOMPARE(watcher.texts.size(), 1);
        QVERIFY2(
            watcher.texts[0].startsWith(QStringLiteral("Site \"Main entrance\": cannot connect")),
            qPrintable(watcher.texts[0]));
        CDragDropTreeCtrl* tree = window_->Tree();
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Main entrance (not connected)"));
        // Checked and queried, it is tried again and named again; no query runs without it.
        tree->topLevelItem(0)->setCheckState(0, Qt::Checked);
        emit tree->treeLeftClicked(tree->topLevelItem(0), QPoint());
        PressQuery();
        QCOMPARE(watcher.texts.size(), 2);
        QVERIFY(watcher.texts[1].startsWith(QStringLiteral("Site \"Main entrance\"")));
        QCOMPARE(window_->HasResult(), 0);
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(CSiteListStore::Instance()->Sites().size(), size_t(1));
    }

    void resizingKeepsTheResultAreaFilling() {
        ModalWatcher watcher;
        OpenWindow();
        window_->resize(1200, 760);
        QTRY_COMPARE_WITH_TIMEOUT(window_->size(), QSize(1200, 760), 30000);
        QCoreApplication::sendPostedEvents();  // the layouts apply the new size
        // Before a query the result area shows its hint.
        QVERIFY(window_->Hint()->isVisible());
        const QRect before = window_->Hint()->geometry();
        const QRect queryBefore = window_->Control(kIdQuery)->geometry();
        const QRect addBefore = window_->Control(kIdAdd)->geometry();
        const QRect treeBefore = window_->Tree()->geometry();
        window_->resize(1400, 900);
        QTRY_COMPARE_WITH_TIMEOUT(window_->Hint()->geometry().width() - before.width(), 200, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(window_->Hint()->geometry().height() - before.height(), 140,
                                  30000);
        QCOMPARE(window_->Control(kIdQuery)->geometry().x() - queryBefore.x(), 200);
        QCOMPARE(window_->Control(kIdAdd)->geometry().y() - addBefore.y(), 140);
        QCOMPARE(window_->Tree()->geometry().height() - treeBefore.height(), 140);
        QCOMPARE(window_->Tree()->geometry().width(), treeBefore.width());
    }

    // A site list that is no text in any encoding (0xA4 0x20 is no character of code page 950)
    // is reported at start-up, and the shutdown never writes the empty list over it.
    void aSiteListThatIsNoTextIsReportedAndLeftAlone() {
        ModalWatcher watcher;
        const QByteArray bytes(
            "[SITE_LIST]\r\nCOUNT=1\r\n[SITE_LIST_COUNT00]\r\n"
            "strItemName=\xA4 x\r\nConnectionType=2\r\n");
        QFile file(folder_->Path("SiteList.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        OpenWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!watcher.texts.isEmpty(), 10000);
        QVERIFY2(watcher.texts.first().contains(QStringLiteral("SiteList.ini")),
                 qPrintable(watcher.texts.first()));
        window_->close();
        window_.reset();
        QCOMPARE(ReadAll(folder_->Path("SiteList.ini")), bytes);
    }

    // The site logic (and so the tree menu's "Add Site") takes the counter type of the last
    // session, as "+" does; a saved type outside 1..7 counts as none saved.
    void aComparisonAddsColumnsAndTheInsightLines() {
        ModalWatcher watcher;
        QVERIFY(GenerateData(folder_->Path("data"), {1}, 10, 15, 2, true));
        folder_->WriteSiteList({LocalSite(folder_->Path("data"))});
        // Saturday and Sunday always closed.
        QFile settings(folder_->Path("Setting .ini"));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[ClosedDays]\nWeekdays=0,6\nDates=\n");
        settings.close();
        OpenWindow();
        ChooseCounterType(0);
        auto* compare = qobject_cast<QComboBox*>(window_->Control(kIdCompare));
        QVERIFY(compare);
        QCOMPARE(compare->count(), 4);  // Day: none, day before, a week before, a year before
        window_->SelectRange(1);
        QCOMPARE(compare->count(), 3);
        compare->setCurrentIndex(1);  // the previous seven days
        CheckFirstSite();
        PressQuery();
        QCOMPARE(window_->LastOutcome(), static_cast<int>(kQueryDone));
        const ReportInsights& insights = window_->Insights();
        QCOMPARE(insights.mode, kComparePrevious);
        QCOMPARE(static_cast<int>(insights.compared.size()), 7);
        QVERIFY(insights.peak.in.found);
        // Two value columns, their compared values and their changes.
        QTableWidget* table = window_->Table();
        QCOMPARE(table->columnCount(), 2 + 2 * 3);
        QVERIFY(table->horizontalHeaderItem(4)->text().contains(QStringLiteral("(before)")));
        // Closed days are marked and the lines say how many there were.
        int closed = 0;
        for (int r = 0; r < 7; ++r)
            closed += TextOf(table, r, 1).endsWith(QStringLiteral("(closed)")) ? 1 : 0;
        QCOMPARE(closed, 2);
        const QString lines = window_->InsightLine()->text();
        QVERIFY2(lines.contains(QStringLiteral("Peak:")), qPrintable(lines));
        QVERIFY2(lines.contains(QStringLiteral("Closed days: 2")), qPrintable(lines));
        QVERIFY2(lines.contains(QStringLiteral("Compared with")), qPrintable(lines));
        // The compared series are on the chart, dashed, after the report's own.
        QVERIFY(window_->Chart().Series(2).dashed);
        QCOMPARE(window_->Chart().Series(2).points.size(), size_t{7});
        // The export keeps its columns.
        const QString csv = folder_->Path("week.csv");
        QVERIFY(window_->ExportTo(csv));
        const QByteArray text = ReadAll(csv);
        QVERIFY(!text.contains("(before)"));
        QVERIFY(watcher.texts.isEmpty());
    }

    void theSiteLogicStartsWithTheSavedCounterType() {
        ModalWatcher watcher;
        for (const auto& [saved, expected] : {std::pair{"5", 5}, std::pair{"9", 1}}) {
            QFile settings(folder_->Path("Setting .ini"));
            QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
            settings.write(QByteArray("[P_Count_Setting]\r\nCounterType=") + saved + "\r\n");
            settings.close();
            OpenWindow();
            QCOMPARE(window_->CounterType(), expected);
            QCOMPARE(window_->Sites().CounterType(), expected);
            window_.reset();
        }
        QVERIFY(watcher.texts.isEmpty());
    }
};

int Main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ReportWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}

#include "ReportWindowTest.moc"
