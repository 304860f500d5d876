// The working-hour page of the settings dialog: start and end time of the seven weekdays, row
// k (from the top) for entry k of the working hours, Monday first. With "Synchronized adust"
// checked the top row is the only editable one and the six others follow it. The page cannot
// be left while a row holds an invalid time or starts later than it ends. Each time is an hour
// and a minute spin box; the hour boxes are the edits 1200, 1240 + row and the minute boxes the
// edits 1220, 1260 + row (object names "id<number>").
#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <functional>

#include "ui/options/OptionRules.h"

class QCheckBox;
class QLabel;
class QSpinBox;

namespace zl {

enum WorkingHourControl {
    kIdSynchronized = 1055,
    kIdStartHour = 1200,    // + row
    kIdStartMinute = 1220,  // + row
    kIdEndHour = 1240,      // + row
    kIdEndMinute = 1260,    // + row
    kIdStartLabel = 1112,
    kIdEndLabel = 1113,
    kIdRowLabel = 1114,  // + row
};

class ZWorkingHourPage : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kRows = 7;
    // Shows a message box (caption, text) with an OK button.
    using MessageBox = std::function<void(const QString& caption, const QString& text)>;

    explicit ZWorkingHourPage(QWidget* parent = nullptr);

    // Copies the shared part into the controls and applies the synchronisation rule.
    void Load(int synAdjust, const std::array<SYSTEMTIME, 7>& weekStart,
              const std::array<SYSTEMTIME, 7>& weekEnd);
    // Reads the check box and the four fields of every row into the values below (a field that
    // holds no valid number leaves its value as it was).
    void ReadControls();
    int SynAdjust() const { return synAdjust_; }
    const std::array<SYSTEMTIME, 7>& WeekStart() const { return weekStart_; }
    const std::array<SYSTEMTIME, 7>& WeekEnd() const { return weekEnd_; }

    // The check made when the page is left: true when every row is valid; else the message of
    // the first bad row is shown and false answered.
    bool CheckOnLeave();
    // The four fields of every row as they read now (-1 for a field that holds no number).
    std::array<WorkingHourRow, 7> Rows() const;

    // Default: a modal message box.
    void SetMessageBox(MessageBox box) { messageBox_ = std::move(box); }

  private:
    void ApplySynchronisation();
    void CopyTopRow();

    struct Row {
        QSpinBox* startHour;
        QSpinBox* startMinute;
        QSpinBox* endHour;
        QSpinBox* endMinute;
    };
    QCheckBox* synchronized_;
    std::array<Row, kRows> rows_{};
    int synAdjust_ = 0;
    std::array<SYSTEMTIME, 7> weekStart_{};
    std::array<SYSTEMTIME, 7> weekEnd_{};
    MessageBox messageBox_;
    bool copying_ = false;
};

}  // namespace zl
