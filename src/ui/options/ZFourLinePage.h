// The chart page of the settings dialog: the chart title and the titles, widths and colours of
// four pairs of lines ("in" and "out"; pairs 1 and 2 in the left column, 3 and 4 in the right),
// and the grid-line and value-text switches. It edits one line-style record. Control ids are
// the object names "id<number>".
#pragma once

#include <QColor>
#include <QWidget>
#include <array>
#include <functional>

#include "store/ChartSettingsStore.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zl {

enum FourLineControl {
    kIdChartTitle = 1019,
    kIdInTitle = 1281,  // + pair
    kIdCountTitle = 1285,
    kIdCountTitleLabel = 1037,
    kIdOutTitle = 1286,   // + pair
    kIdInWidth = 1290,    // + pair
    kIdOutWidth = 1294,   // + pair
    kIdInSwatch = 1298,   // + pair
    kIdOutSwatch = 1302,  // + pair
    kIdInColor = 1306,    // + pair
    kIdOutColor = 1310,   // + pair
    kIdGridLineOn = 1055,
    kIdGridLineOff = 1056,
    kIdGridNoteOn = 1057,
    kIdGridNoteOff = 1058,
};

QColor ColorOfRef(COLORREF c);
COLORREF RefOfColor(const QColor& c);

class ZFourLinePage : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kPairs = 4;
    // Asks the user for a colour, starting from `color`; true with the choice in `color`.
    using ColorChooser = std::function<bool(QColor& color, QWidget* parent)>;

    explicit ZFourLinePage(QWidget* parent = nullptr);

    // Copies the record into the controls.
    void LoadRecord(const LineStyleRecord& record);
    // Reads titles, widths and the two switches back into the record (colours change only
    // through the colour buttons).
    void ReadControls();
    const LineStyleRecord& Record() const { return record_; }

    // Default: the system colour dialog.
    void SetColorChooser(ColorChooser chooser) { chooser_ = std::move(chooser); }
    // The colour a swatch shows.
    QColor SwatchColor(int swatchId) const;

  private:
    void ChooseColor(int pair, bool out);
    void PaintSwatch(QLabel* swatch, COLORREF color);
    QWidget* BuildPair(int pair);

    LineStyleRecord record_;
    QLineEdit* title_;
    QLineEdit* countTitle_;
    std::array<QLineEdit*, kPairs> inTitle_{};
    std::array<QLineEdit*, kPairs> outTitle_{};
    std::array<QComboBox*, kPairs> inWidth_{};
    std::array<QComboBox*, kPairs> outWidth_{};
    std::array<QLabel*, kPairs> inSwatch_{};
    std::array<QLabel*, kPairs> outSwatch_{};
    QRadioButton* gridLineOn_;
    QRadioButton* gridLineOff_;
    QRadioButton* gridNoteOn_;
    QRadioButton* gridNoteOff_;
    ColorChooser chooser_;
};

}  // namespace zl
