// The date picker as the user meets it: the text before and after a pick, the pop-up under the
// control, a click outside, and the frames of the highlighted days (drawn pixels included).
#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "UiTestMain.h"
#include "ui/datepicker/CCalendarPopup.h"
#include "ui/datepicker/CHighlightMonthCal.h"
#include "ui/datepicker/PickerDates.h"
#include "ui/datepicker/ZPickCalendar.h"

namespace zl {

namespace {

constexpr QRgb kBlue = 0xFF0000FF;

// A window holding the picker and one other control to click on.
class PickerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window_);
        picker_ = new ZPickCalendar(&window_);
        picker_->setObjectName(QStringLiteral("id1015"));
        other_ = new QPushButton(QStringLiteral("elsewhere"), &window_);
        layout->addWidget(other_);
        layout->addWidget(picker_);
        layout->addStretch(1);
        window_.resize(420, 320);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }
    void Open() {
        QTest::mouseClick(picker_->Arrow(), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return picker_->IsCalendarOpen(); }, 30000));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(picker_->Popup()));
    }
    CHighlightMonthCal* Cal() const { return picker_->Calendar(); }
    QWidget* Grid() const { return Cal()->findChild<QTableView*>()->viewport(); }
    // Clicks the middle of a day's cell.
    void ClickDay(QDate day) {
        const QRect cell = Cal()->CellRect(day);
        ASSERT_FALSE(cell.isEmpty()) << day.toString().toStdString();
        const QPoint inGrid = Grid()->mapFrom(Cal(), cell.center());
        QTest::mouseClick(Grid(), Qt::LeftButton, {}, inGrid);
    }
    // Waits until the highlight pass has put the stored days on screen, then paints.
    void WaitForFrames() {
        ASSERT_TRUE(QTest::qWaitFor([&] { return Cal()->FramesShown(); }, 30000));
        image_ = Cal()->grab().toImage();
    }
    bool BlueAtLeftEdge(QDate day) const {
        const QRect cell = Cal()->CellRect(day);
        const qreal dpr = image_.devicePixelRatio();
        return image_.pixel(int((cell.left() + 1) * dpr), int(cell.center().y() * dpr)) == kBlue;
    }
    int BluePixels() const {
        int n = 0;
        for (int y = 0; y < image_.height(); ++y)
            for (int x = 0; x < image_.width(); ++x) n += image_.pixel(x, y) == kBlue;
        return n;
    }

    QWidget window_;
    ZPickCalendar* picker_ = nullptr;
    QPushButton* other_ = nullptr;
    QImage image_;
};

TEST_F(PickerTest, BeforeAnyPickTheFieldShowsTodayAndTheTimeOfCreation) {
    const SYSTEMTIME now = GetSysTime();
    EXPECT_EQ(picker_->Text(),
              QString::asprintf("%04d/%02d/%02d", now.wYear, now.wMonth, now.wDay));
    SYSTEMTIME t;
    picker_->Get_Select_Time(t);
    const SYSTEMTIME& created = picker_->Popup()->ConstructionTime();
    EXPECT_EQ(t, created);
    EXPECT_LE(std::abs(MinusTime(t, now)), 2);  // the current time, not midnight
    // Closed calendar: both ends of the range are the pop-up's construction time.
    SYSTEMTIME first, last;
    picker_->GetMonthRange(first, last, ZPickCalendar::kMonthRangeDayState);
    EXPECT_EQ(first, created);
    EXPECT_EQ(last, created);
}

TEST_F(PickerTest, ATypedDateIsTakenWhenWholeAndValidAndPutBackOtherwise) {
    auto* field = picker_->findChild<QLineEdit*>(QStringLiteral("id10202"));
    ASSERT_TRUE(field);
    EXPECT_FALSE(field->isReadOnly());
    int changes = 0;
    QObject::connect(picker_, &ZPickCalendar::dateChanged, [&] { ++changes; });
    const auto type = [&](const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    };
    SYSTEMTIME t;
    type(QStringLiteral("2025/3/7"));
    picker_->Get_Select_Time(t);
    EXPECT_EQ(t, MakeSysTime(2025, 3, 7, 0, 0, 1));
    EXPECT_EQ(DateOf(picker_->Popup()->SelectedTime()), QDate(2025, 3, 7));  // the calendar too
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(picker_->Text(), QStringLiteral("2025/03/07"));
    EXPECT_GE(changes, 1);

    // Letters are refused as they are typed; a day that does not exist is never taken, and
    // leaving the field puts the selected date back.
    type(QStringLiteral("2025/02/3x"));
    EXPECT_EQ(field->text(), QStringLiteral("2025/02/3"));
    QTest::keyClick(field, Qt::Key_Backspace);
    type(QStringLiteral("2025/02/30"));
    picker_->Get_Select_Time(t);
    EXPECT_EQ(DateOf(t), QDate(2025, 2, 3));  // "2025/02/3" on the way was a whole date
    field->setText(QString());
    type(QStringLiteral("2025/13/01"));
    picker_->Get_Select_Time(t);
    EXPECT_EQ(DateOf(t), QDate(2025, 2, 3));
    other_->setFocus();
    EXPECT_EQ(picker_->Text(), QStringLiteral("2025/02/03"));
    EXPECT_FALSE(ZPickCalendar::ParseDate(QStringLiteral("1969/12/31")).isValid());
    EXPECT_EQ(ZPickCalendar::ParseDate(QStringLiteral("2024-02-29")), QDate(2024, 2, 29));
}

TEST_F(PickerTest, TheFieldNeverGetsNarrowerThanItsText) {
    const int text = picker_->fontMetrics().horizontalAdvance(QStringLiteral("0000/00/00"));
    EXPECT_GT(picker_->minimumSizeHint().width(), text);
    window_.resize(60, 320);  // far too narrow for the layout
    QCoreApplication::sendPostedEvents();
    window_.layout()->activate();
    EXPECT_GE(picker_->width(), picker_->minimumSizeHint().width());
}

TEST_F(PickerTest, TheArrowOpensTheCalendarUnderTheControlOnTheSelectedDate) {
    Open();
    EXPECT_EQ(picker_->Popup()->pos(), picker_->mapToGlobal(QPoint(0, picker_->height())));
    SYSTEMTIME t;
    picker_->Get_Select_Time(t);
    EXPECT_EQ(Cal()->selectedDate(), DateOf(t));
    EXPECT_TRUE(Cal()->NeedsData());
    // The grid rule matches what the calendar draws: the first cell is GridFirstDay.
    QTableView* view = Cal()->findChild<QTableView*>();
    EXPECT_EQ(view->model()->index(1, 0).data().toInt(), Cal()->GridFirstDay().day());
    EXPECT_EQ(view->model()->index(6, 6).data().toInt(), Cal()->GridLastDay().day());
    SYSTEMTIME first, last;
    picker_->GetMonthRange(first, last, ZPickCalendar::kMonthRangeDayState);
    EXPECT_EQ(DateOf(first), Cal()->GridFirstDay());
    EXPECT_EQ(DateOf(last), Cal()->GridLastDay());
    EXPECT_EQ(first.wHour + first.wMinute + first.wSecond, 0);
    picker_->GetMonthRange(first, last, ZPickCalendar::kMonthRangeVisible);
    EXPECT_EQ(DateOf(first), QDate(Cal()->yearShown(), Cal()->monthShown(), 1));
    EXPECT_EQ(DateOf(last).addDays(1).day(), 1);
}

TEST_F(PickerTest, AClickedDayIsSelectedAtOneSecondPastMidnight) {
    int changes = 0;
    QObject::connect(picker_, &ZPickCalendar::dateChanged, [&] { ++changes; });
    Open();
    Cal()->setCurrentPage(2024, 3);
    ClickDay(QDate(2024, 3, 14));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !picker_->IsCalendarOpen(); }, 30000));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(picker_->Text(), QStringLiteral("2024/03/14"));
    SYSTEMTIME t;
    picker_->Get_Select_Time(t);
    const SYSTEMTIME want = MakeSysTime(2024, 3, 14, 0, 0, 1);
    EXPECT_EQ(t, want);
    EXPECT_EQ(t.wDayOfWeek, 4);  // Thursday
    EXPECT_EQ(t.wMilliseconds, 0);

    // The next opening shows the picked day; a day of the month before in the grid counts too.
    Open();
    EXPECT_EQ(Cal()->selectedDate(), QDate(2024, 3, 14));
    const QDate february = Cal()->GridFirstDay();
    ClickDay(february);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !picker_->IsCalendarOpen(); }, 30000));
    picker_->Get_Select_Time(t);
    EXPECT_EQ(DateOf(t), february);
    EXPECT_EQ(t.wMonth, 2);
}

TEST_F(PickerTest, AClickElsewhereClosesTheCalendarAndKeepsTheDate) {
    SYSTEMTIME before;
    picker_->Get_Select_Time(before);
    const QString text = picker_->Text();
    int changes = 0;
    QObject::connect(picker_, &ZPickCalendar::dateChanged, [&] { ++changes; });
    Open();
    Cal()->setCurrentPage(2020, 1);  // browsing alone changes nothing
    // A click on another control of the window (it is above the picker, out of the pop-up's way).
    QTest::mouseClick(window_.windowHandle(), Qt::LeftButton, {},
                      other_->mapTo(&window_, other_->rect().center()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !picker_->IsCalendarOpen(); }, 30000));
    SYSTEMTIME after;
    picker_->Get_Select_Time(after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(picker_->Text(), text);
    EXPECT_EQ(changes, 0);

    // Escape closes it the same way.
    Open();
    QTest::keyClick(picker_->Popup(), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !picker_->IsCalendarOpen(); }, 30000));
    picker_->Get_Select_Time(after);
    EXPECT_EQ(after, before);
}

TEST_F(PickerTest, SetHighlightIsIgnoredWhileTheCalendarIsClosed) {
    const SYSTEMTIME day = MakeSysTime(2024, 3, 5);
    picker_->SetHighlight(&day, 1);
    EXPECT_EQ(Cal()->HighlightCount(), 0);
    EXPECT_TRUE(Cal()->NeedsData());
}

TEST_F(PickerTest, OpeningAndEveryMonthChangeAskForDaysOnce) {
    int requests = 0;
    QObject::connect(picker_, &ZPickCalendar::highlightRequested, [&] { ++requests; });
    Open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return requests == 1; }, 30000));
    QTest::qWait(400);  // repaints while the request is open do not ask again
    EXPECT_EQ(requests, 1);

    const SYSTEMTIME day = SysTimeOf(Cal()->GridFirstDay().addDays(10));
    picker_->SetHighlight(&day, 1);
    EXPECT_FALSE(Cal()->NeedsData());
    WaitForFrames();
    EXPECT_EQ(Cal()->LastFramedDays(), std::vector<QDate>{DateOf(day)});

    Cal()->showNextMonth();
    EXPECT_TRUE(Cal()->NeedsData());
    ASSERT_TRUE(QTest::qWaitFor([&] { return requests == 2; }, 30000));
    Cal()->showPreviousMonth();
    ASSERT_TRUE(QTest::qWaitFor([&] { return requests == 3; }, 30000));
}

TEST_F(PickerTest, FramesArePureBlueOneLineInsideTheCellsOfTheStoredDays) {
    Open();
    const QDate day = Cal()->GridFirstDay().addDays(16);
    const SYSTEMTIME t = SysTimeOf(day);
    picker_->SetHighlight(&t, 1);
    // Nothing before the pass 150 ms later.
    image_ = Cal()->grab().toImage();
    EXPECT_EQ(BluePixels(), 0);
    WaitForFrames();
    EXPECT_TRUE(BlueAtLeftEdge(day));
    EXPECT_FALSE(BlueAtLeftEdge(day.addDays(1)));
    // A one-pixel outline: left, top and bottom one pixel in, right two pixels in.
    const QRect cell = Cal()->CellRect(day);
    const qreal dpr = image_.devicePixelRatio();
    const auto px = [&](int x, int y) { return image_.pixel(int(x * dpr), int(y * dpr)); };
    const int midY = cell.center().y();
    const int midX = cell.center().x();
    EXPECT_NE(px(cell.left(), midY), kBlue);
    EXPECT_EQ(px(cell.left() + 1, midY), kBlue);
    EXPECT_NE(px(cell.left() + 2, midY), kBlue);
    EXPECT_EQ(px(cell.right() - 1, midY), kBlue);
    EXPECT_NE(px(cell.right(), midY), kBlue);
    EXPECT_EQ(px(midX, cell.top() + 1), kBlue);
    EXPECT_EQ(px(midX, cell.bottom()), kBlue);

    // An empty list takes the frames away.
    picker_->SetHighlight(nullptr, 0);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            image_ = Cal()->grab().toImage();
            return BluePixels() == 0;
        },
        30000));
}

TEST_F(PickerTest, OfFiftyDaysOnlyTheFirstFortyTwoAreKept) {
    Open();
    // Eight days before the grid, then every day of it: the last eight grid days fall off.
    std::vector<SYSTEMTIME> days;
    const QDate start = Cal()->GridFirstDay().addDays(-8);
    for (int i = 0; i < 50; ++i) days.push_back(SysTimeOf(start.addDays(i)));
    picker_->SetHighlight(days);
    EXPECT_EQ(Cal()->HighlightCount(), 42);
    WaitForFrames();
    EXPECT_EQ(Cal()->LastFramedDays().size(), 34u);
    EXPECT_TRUE(BlueAtLeftEdge(Cal()->GridFirstDay()));
    EXPECT_TRUE(BlueAtLeftEdge(Cal()->GridFirstDay().addDays(33)));
    EXPECT_FALSE(BlueAtLeftEdge(Cal()->GridFirstDay().addDays(34)));
    EXPECT_FALSE(BlueAtLeftEdge(Cal()->GridLastDay()));
}

}  // namespace

}  // namespace zl
