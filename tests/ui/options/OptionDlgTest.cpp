// The settings dialog on a settings store of the test's own: what it shows for a counter type,
// what OK and Cancel leave in the store, the synchronised working hours, the check when the
// working-hour page is left, and the way to the file and to the next Week query.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "UiTestMain.h"
#include "base/Profile.h"
#include "data/SqlBuilders.h"
#include "store/IString.h"
#include "store/StringIds.h"
#include "ui/options/OptionDialogRunner.h"
#include "ui/options/ZFourLinePage.h"
#include "ui/options/ZOptionDlg.h"
#include "ui/options/ZWorkingHourPage.h"

namespace zl {

namespace {

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

QString Str(unsigned id) {
    return QString::fromUtf8(IString::Instance()->LoadStringA(id));
}

void ExpectSameRecord(const LineStyleRecord& a, const LineStyleRecord& b, const char* what) {
    EXPECT_EQ(a.title, b.title) << what;
    EXPECT_EQ(a.inTitle, b.inTitle) << what;
    EXPECT_EQ(a.countTitle, b.countTitle) << what;
    EXPECT_EQ(a.inWidth, b.inWidth) << what;
    EXPECT_EQ(a.inColor, b.inColor) << what;
    EXPECT_EQ(a.outTitle, b.outTitle) << what;
    EXPECT_EQ(a.outWidth, b.outWidth) << what;
    EXPECT_EQ(a.outColor, b.outColor) << what;
    EXPECT_EQ(a.gridLine, b.gridLine) << what;
    EXPECT_EQ(a.gridNote, b.gridNote) << what;
}

void ExpectSameSettings(const ChartSettings& a, const ChartSettings& b) {
    ExpectSameRecord(a.line, b.line, "line");
    ExpectSameRecord(a.bar, b.bar, "bar");
    EXPECT_EQ(a.synAdjust, b.synAdjust);
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(a.weekStart[k].wHour, b.weekStart[k].wHour) << k;
        EXPECT_EQ(a.weekStart[k].wMinute, b.weekStart[k].wMinute) << k;
        EXPECT_EQ(a.weekEnd[k].wHour, b.weekEnd[k].wHour) << k;
        EXPECT_EQ(a.weekEnd[k].wMinute, b.weekEnd[k].wMinute) << k;
    }
}

class OptionDlg : public ::testing::Test {
  protected:
    void SetUp() override {
        IString::Instance()->SetFile(ZL_TEST_LANG_FILE);
        std::string t = (std::filesystem::temp_directory_path() / "zl_options_XXXXXX").string();
        ASSERT_NE(::mkdtemp(t.data()), nullptr);
        dir_ = t;
        store_.SetFile(dir_ + "/Setting .ini");
        store_.Reset();
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    // A dialog on the store, with its messages caught.
    std::unique_ptr<ZOptionDlg> Open(int counterType) {
        auto dlg = std::make_unique<ZOptionDlg>(counterType, nullptr, &store_);
        dlg->WorkingHourPage()->SetMessageBox([this](const QString& caption, const QString& text) {
            captions_.push_back(caption);
            messages_.push_back(text);
        });
        dlg->show();
        return dlg;
    }
    template <typename W>
    static W* Control(const QWidget* dlg, int id) {
        W* w = dlg->findChild<W*>(QStringLiteral("id%1").arg(id));
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    static void SetRow(const QWidget* dlg, int row, int sh, int sm, int eh, int em) {
        Control<QSpinBox>(dlg, kIdStartHour + row)->setValue(sh);
        Control<QSpinBox>(dlg, kIdStartMinute + row)->setValue(sm);
        Control<QSpinBox>(dlg, kIdEndHour + row)->setValue(eh);
        Control<QSpinBox>(dlg, kIdEndMinute + row)->setValue(em);
    }
    static void ClickOk(const QWidget* dlg) {
        QTest::mouseClick(Control<QPushButton>(dlg, 1), Qt::LeftButton);
    }

    std::string dir_;
    CChartSettingsStore store_;
    std::vector<QString> captions_;
    std::vector<QString> messages_;
};

// The language choice lists the LANG folder, selects the settings file's language and writes
// the chosen one on OK (only then, and only when it changed).
TEST_F(OptionDlg, LanguageChoiceListsTheFolderAndWritesTheSettingsKey) {
    const std::string lang = dir_ + "/LANG";
    std::filesystem::create_directories(lang);
    for (const char* name : {"zelkoReporter_ENG.ini", "zelkoReporter_CHT.ini"})
        WriteText(lang + "/" + name, "[STRING]\r\n");
    const std::string settings = dir_ + "/Setting .ini";
    WriteText(settings, "[LANGUAGE]\r\nTYPE=zelkoReporter_ENG.ini\r\n");

    auto dlg = Open(1);
    dlg->SetLanguageFolder(QString::fromStdString(lang));
    QComboBox* combo = dlg->LanguageCombo();
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->currentText(), "zelkoReporter_ENG.ini");
    combo->setCurrentText("zelkoReporter_CHT.ini");
    ClickOk(dlg.get());
    zl::ProfileFile file(settings);
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.GetString("LANGUAGE", "TYPE", ""), "zelkoReporter_CHT.ini");
}

TEST_F(OptionDlg, OpensOnTheChartPageWithItsCaptions) {
    auto dlg = Open(1);
    EXPECT_EQ(dlg->windowTitle(), Str(kStrSettingsCaption));
    EXPECT_EQ(dlg->Tabs()->count(), 3);
    EXPECT_EQ(dlg->Tabs()->tabText(0), Str(kStrChartPageTitle));
    EXPECT_EQ(dlg->Tabs()->tabText(1), Str(kStrWorkingHourPageTitle));
    EXPECT_EQ(dlg->Tabs()->tabText(2), Str(kStrClosedDaysTitle));
    EXPECT_EQ(dlg->Tabs()->currentIndex(), 0);
    EXPECT_EQ(Control<QCheckBox>(dlg.get(), kIdSynchronized)->text(), Str(kStrSynchronizedAdjust));
    EXPECT_EQ(Control<QCheckBox>(dlg.get(), kIdSynchronized)->text(),
              QStringLiteral("Synchronized adust"));
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(Control<QWidget>(dlg.get(), kIdRowLabel + k)->property("text").toString(),
                  Str(kStrWeekdayRow0 + k));
    EXPECT_EQ(Control<QWidget>(dlg.get(), kIdRowLabel)->property("text").toString(),
              QStringLiteral("Monday:"));
    // Eight width lists of "1" .. "10"; the count title is kept out of sight.
    for (int id : {int(kIdInWidth), kIdInWidth + 3, int(kIdOutWidth), kIdOutWidth + 3}) {
        auto* list = Control<QComboBox>(dlg.get(), id);
        ASSERT_EQ(list->count(), 10);
        EXPECT_EQ(list->itemText(0), QStringLiteral("1"));
        EXPECT_EQ(list->itemText(9), QStringLiteral("10"));
    }
    EXPECT_FALSE(Control<QLineEdit>(dlg.get(), kIdCountTitle)->isVisible());
    EXPECT_EQ(dlg->findChildren<QPushButton*>().size(), 8u + 2u);  // colours, OK, Cancel
}

TEST_F(OptionDlg, TheTrafficCounterShowsItsBarRecordAndOkMakesBothRecordsEqual) {
    ChartSettings s;
    store_.GetSettings(s, 6);
    s.line.title = "Line chart";
    s.line.inWidth[0] = 1;
    s.bar.title = "Bar chart";
    s.bar.inTitle[1] = "Medium (bar)";
    s.bar.outWidth[3] = 5;
    s.bar.inColor[0] = 0x123456;
    s.bar.gridLine = 0;
    s.bar.gridNote = 1;
    store_.SetSettings(s, 6);
    ChartSettings people;
    store_.GetSettings(people, 1);

    auto dlg = Open(6);
    const QWidget* d = dlg.get();
    EXPECT_EQ(Control<QLineEdit>(d, kIdChartTitle)->text(), QStringLiteral("Bar chart"));
    EXPECT_EQ(Control<QLineEdit>(d, kIdInTitle + 1)->text(), QStringLiteral("Medium (bar)"));
    EXPECT_EQ(Control<QLineEdit>(d, kIdOutTitle + 3)->text(), QStringLiteral("PedestrianOut"));
    EXPECT_EQ(Control<QComboBox>(d, kIdOutWidth + 3)->currentText(), QStringLiteral("6"));
    EXPECT_EQ(dlg->FourLinePage()->SwatchColor(kIdInSwatch), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(dlg->FourLinePage()->SwatchColor(kIdOutSwatch), QColor(0, 128, 255));
    EXPECT_TRUE(Control<QRadioButton>(d, kIdGridLineOff)->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(d, kIdGridLineOn)->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(d, kIdGridNoteOn)->isChecked());

    Control<QLineEdit>(d, kIdChartTitle)->setText(QStringLiteral("Vehicles"));
    QTest::mouseClick(Control<QRadioButton>(d, kIdGridLineOn), Qt::LeftButton);
    QSignalSpy saved(dlg.get(), &ZOptionDlg::settingsSaved);
    ClickOk(d);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    ASSERT_EQ(saved.count(), 1);
    EXPECT_EQ(saved[0][0].toInt(), 6);

    ChartSettings after;
    store_.GetSettings(after, 6);
    ExpectSameRecord(after.line, after.bar, "line vs bar");
    EXPECT_EQ(after.bar.title, "Vehicles");
    EXPECT_EQ(after.bar.inColor[0], 0x123456u);
    EXPECT_EQ(after.line.inWidth[0], 3);  // the bar record's width, not the line record's 1
    EXPECT_EQ(after.bar.gridLine, 1);
    EXPECT_EQ(after.bar.gridNote, 1);
    ChartSettings peopleAfter;
    store_.GetSettings(peopleAfter, 1);
    ExpectSameRecord(peopleAfter.line, people.line, "other counter type");
}

TEST_F(OptionDlg, WidthsShowTheEntryOfTheirIndex) {
    ChartSettings s;
    store_.GetSettings(s, 2);
    s.bar.inWidth = {0, 3, 9, 3};
    s.bar.outWidth = {12, 3, 3, -1};
    store_.SetSettings(s, 2);
    auto dlg = Open(2);
    const QWidget* d = dlg.get();
    EXPECT_EQ(Control<QComboBox>(d, kIdInWidth)->currentText(), QStringLiteral("1"));
    EXPECT_EQ(Control<QComboBox>(d, kIdInWidth + 1)->currentText(), QStringLiteral("4"));
    EXPECT_EQ(Control<QComboBox>(d, kIdInWidth + 2)->currentText(), QStringLiteral("10"));
    EXPECT_EQ(Control<QComboBox>(d, kIdOutWidth)->currentIndex(), -1);  // 12 is not listed
    Control<QComboBox>(d, kIdInWidth + 3)->setCurrentIndex(7);          // "8"
    ClickOk(d);
    ChartSettings after;
    store_.GetSettings(after, 2);
    EXPECT_EQ(after.line.inWidth, (std::array<int, 4>{0, 3, 9, 7}));
    // A width the list cannot show stays as it was instead of becoming "no selection".
    EXPECT_EQ(after.line.outWidth, (std::array<int, 4>{12, 3, 3, -1}));
}

TEST_F(OptionDlg, SynchronisedHoursFollowTheTopRow) {
    auto dlg = Open(1);
    const QWidget* d = dlg.get();
    dlg->Tabs()->setCurrentIndex(1);
    SetRow(d, 3, 6, 0, 12, 0);
    auto* box = Control<QCheckBox>(d, kIdSynchronized);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));  // the indicator
    ASSERT_TRUE(Control<QCheckBox>(d, kIdSynchronized)->isChecked());
    for (int k = 1; k < 7; ++k) {
        EXPECT_FALSE(Control<QSpinBox>(d, kIdStartHour + k)->isEnabled()) << k;
        EXPECT_EQ(Control<QSpinBox>(d, kIdStartHour + k)->value(), 0) << k;  // copied at once
        EXPECT_EQ(Control<QSpinBox>(d, kIdEndMinute + k)->value(), 59) << k;
    }
    EXPECT_TRUE(Control<QSpinBox>(d, kIdStartHour)->isEnabled());
    // Stepping the top row's start hour up moves all seven.
    auto* top = Control<QSpinBox>(d, kIdStartHour);
    top->setFocus();
    for (int i = 0; i < 9; ++i) QTest::keyClick(top, Qt::Key_Up);
    EXPECT_EQ(top->value(), 9);
    for (int k = 0; k < 7; ++k) EXPECT_EQ(Control<QSpinBox>(d, kIdStartHour + k)->value(), 9) << k;
    Control<QSpinBox>(d, kIdEndMinute)->setValue(15);
    for (int k = 0; k < 7; ++k) EXPECT_EQ(Control<QSpinBox>(d, kIdEndMinute + k)->value(), 15);

    ClickOk(d);
    ChartSettings after;
    store_.GetSettings(after, 1);
    EXPECT_EQ(after.synAdjust, 1);
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(after.weekStart[k].wHour, 9) << k;
        EXPECT_EQ(after.weekEnd[k].wHour, 23) << k;
        EXPECT_EQ(after.weekEnd[k].wMinute, 15) << k;
    }

    // Opened again: rows follow the stored flag; unchecking frees them and stops the copying.
    auto again = Open(1);
    const QWidget* a = again.get();
    EXPECT_TRUE(Control<QCheckBox>(a, kIdSynchronized)->isChecked());
    EXPECT_FALSE(Control<QSpinBox>(a, kIdEndHour + 6)->isEnabled());
    Control<QCheckBox>(a, kIdSynchronized)->setChecked(false);
    EXPECT_TRUE(Control<QSpinBox>(a, kIdEndHour + 6)->isEnabled());
    Control<QSpinBox>(a, kIdStartHour)->setValue(5);
    EXPECT_EQ(Control<QSpinBox>(a, kIdStartHour + 1)->value(), 9);
}

TEST_F(OptionDlg, EqualStartAndEndAreAccepted) {
    auto dlg = Open(1);
    dlg->Tabs()->setCurrentIndex(1);
    SetRow(dlg.get(), 2, 8, 0, 8, 0);
    ClickOk(dlg.get());
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    ChartSettings after;
    store_.GetSettings(after, 1);
    EXPECT_EQ(after.weekStart[2].wHour, 8);
    EXPECT_EQ(after.weekEnd[2].wHour, 8);
    EXPECT_EQ(after.weekEnd[2].wMinute, 0);
}

TEST_F(OptionDlg, AStartAfterTheEndKeepsTheUserOnThePage) {
    ChartSettings before;
    store_.GetSettings(before, 1);
    auto dlg = Open(1);
    const QWidget* d = dlg.get();
    dlg->Tabs()->setCurrentIndex(1);
    SetRow(d, 4, 18, 0, 8, 0);  // Friday

    ClickOk(d);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_NE(dlg->result(), QDialog::Accepted);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(captions_[0], Str(kStrAppCaption));
    EXPECT_EQ(messages_[0], QStringLiteral("Friday:\n") + Str(kStrStartAfterEnd));
    ChartSettings now;
    store_.GetSettings(now, 1);
    ExpectSameSettings(now, before);

    // Another tab cannot be chosen either.
    dlg->Tabs()->setCurrentIndex(0);
    EXPECT_EQ(dlg->Tabs()->currentIndex(), 1);
    EXPECT_EQ(messages_.size(), 2u);

    // A field left empty is an invalid time: the top row's start, so Monday and string 118.
    SetRow(d, 4, 8, 0, 18, 0);
    Control<QSpinBox>(d, kIdStartHour)->findChild<QLineEdit*>()->clear();
    ClickOk(d);
    ASSERT_EQ(messages_.size(), 3u);
    EXPECT_EQ(messages_[2], QStringLiteral("Monday:\n") + Str(kStrStartTimeInvalid));

    Control<QSpinBox>(d, kIdStartHour)->setValue(7);
    dlg->Tabs()->setCurrentIndex(0);  // now it may be left
    EXPECT_EQ(dlg->Tabs()->currentIndex(), 0);
    ClickOk(d);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    store_.GetSettings(now, 1);
    EXPECT_EQ(now.weekStart[0].wHour, 7);
    EXPECT_EQ(now.weekStart[4].wHour, 8);
    EXPECT_EQ(now.weekEnd[4].wHour, 18);
}

TEST_F(OptionDlg, CancelAfterColourChangesLeavesTheStoreUnchanged) {
    ChartSettings before;
    store_.GetSettings(before, 3);
    auto dlg = Open(3);
    const QWidget* d = dlg.get();
    std::vector<QColor> offered;
    bool answer = true;
    dlg->FourLinePage()->SetColorChooser([&](QColor& color, QWidget*) {
        offered.push_back(color);
        color = QColor(1, 2, 3);
        return answer;
    });
    QTest::mouseClick(Control<QPushButton>(d, kIdInColor), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(d, kIdOutColor + 3), Qt::LeftButton);
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[0], QColor(255, 0, 0));  // the stored colour to start from
    EXPECT_EQ(offered[1], QColor(0, 0, 0));
    EXPECT_EQ(dlg->FourLinePage()->SwatchColor(kIdInSwatch), QColor(1, 2, 3));
    EXPECT_EQ(dlg->FourLinePage()->SwatchColor(kIdOutSwatch + 3), QColor(1, 2, 3));
    // Leaving the colour chooser without a choice changes nothing.
    answer = false;
    QTest::mouseClick(Control<QPushButton>(d, kIdInColor + 1), Qt::LeftButton);
    EXPECT_EQ(dlg->FourLinePage()->SwatchColor(kIdInSwatch + 1), QColor(0, 255, 0));

    QSignalSpy saved(dlg.get(), &ZOptionDlg::settingsSaved);
    QTest::mouseClick(Control<QPushButton>(d, 2), Qt::LeftButton);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_EQ(saved.count(), 0);
    ChartSettings after;
    store_.GetSettings(after, 3);
    ExpectSameSettings(after, before);
}

TEST_F(OptionDlg, ValuesReachTheFileAndTheNextWeekQuery) {
    auto dlg = Open(6);
    const QWidget* d = dlg.get();
    Control<QLineEdit>(d, kIdChartTitle)->setText(QStringLiteral("Vehicles"));
    dlg->FourLinePage()->SetColorChooser([](QColor& color, QWidget*) {
        color = QColor(0, 128, 255);
        return true;
    });
    QTest::mouseClick(Control<QPushButton>(d, kIdInColor + 2), Qt::LeftButton);
    dlg->Tabs()->setCurrentIndex(1);
    SetRow(d, 0, 7, 30, 19, 15);  // Monday
    SetRow(d, 6, 10, 0, 16, 0);   // Sunday
    ClickOk(d);
    ASSERT_EQ(dlg->result(), QDialog::Accepted);
    ASSERT_TRUE(store_.Save());

    zl::ProfileFile file(store_.File());
    ASSERT_TRUE(file.Load());
    EXPECT_EQ(file.GetString("P_Count_Setting_TrafficCounter", "strTitleText_00", ""), "Vehicles");
    EXPECT_EQ(file.GetString("P_Count_Setting_TrafficCounter", "strTitleText_01", ""), "Vehicles");
    EXPECT_EQ(file.GetString("P_Count_Setting_TrafficCounter", "nLine_In_Color3_01", ""),
              "16744448");
    EXPECT_EQ(file.GetString("P_Count_Setting", "stWeek_Start_Time_00", ""), "0730");
    EXPECT_EQ(file.GetString("P_Count_Setting", "stWeek_End_Time_00", ""), "1915");
    EXPECT_EQ(file.GetString("P_Count_Setting", "stWeek_Start_Time_06", ""), "1000");
    EXPECT_EQ(file.GetString("P_Count_Setting", "bSyn_Adust", ""), "0");

    // The program's next start reads them, and a Week report cuts its days by them.
    CChartSettingsStore next;
    next.SetFile(store_.File());
    next.Load();
    ChartSettings loaded;
    next.GetSettings(loaded, 6);
    WorkingHourTable hours;
    hours.start = loaded.weekStart;
    hours.end = loaded.weekEnd;
    const auto buckets = ReportBuckets(kReportWeek, MakeSysTime(2024, 3, 17), 60, hours);
    ASSERT_EQ(buckets.size(), 7u);
    EXPECT_EQ(FormatSqlTime(buckets[0].start), "2024-03-11 07:30:00");  // Monday
    EXPECT_EQ(FormatSqlTime(buckets[0].end), "2024-03-11 19:15:59");
    EXPECT_EQ(FormatSqlTime(buckets[6].start), "2024-03-17 10:00:00");  // Sunday
    EXPECT_EQ(FormatSqlTime(buckets[6].end), "2024-03-17 16:00:59");
    EXPECT_EQ(FormatSqlTime(buckets[1].start), "2024-03-12 00:00:00");  // Tuesday unchanged
}

}  // namespace

namespace {

TEST_F(OptionDlg, TheWindowsRunnerAnswersWhetherTheUserConfirmed) {
    OptionDialogRunner runner(&store_);
    QWidget window;
    // Confirms (or cancels) the dialog once it is up.
    const auto answer = [](int button) {
        QTimer::singleShot(0, [button] {
            auto* dlg = qobject_cast<ZOptionDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            dlg->FourLinePage()->findChild<QLineEdit*>(QStringLiteral("id1019"))->setText("T");
            QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("id%1").arg(button)),
                              Qt::LeftButton);
        });
    };
    answer(2);
    EXPECT_FALSE(runner.Run(&window, 4));
    ChartSettings s;
    store_.GetSettings(s, 4);
    EXPECT_EQ(s.bar.title, "");
    answer(1);
    EXPECT_TRUE(runner.Run(&window, 4));
    store_.GetSettings(s, 4);
    EXPECT_EQ(s.bar.title, "T");
    EXPECT_EQ(s.line.title, "T");
}

}  // namespace

}  // namespace zl
