#include "ui/options/ZFourLinePage.h"

#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/options/OptionRules.h"

namespace zl {

namespace {

QString IdName(int id) {
    return QStringLiteral("id%1").arg(id);
}

template <typename W>
W* Named(W* widget, int id) {
    widget->setObjectName(IdName(id));
    return widget;
}

QString Text(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string Utf8(const QString& s) {
    return s.toUtf8().toStdString();
}

void SelectWidth(QComboBox* list, int storedWidth) {
    list->setCurrentIndex(WidthListIndex(storedWidth));
}

}  // namespace

QColor ColorOfRef(COLORREF c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

COLORREF RefOfColor(const QColor& c) {
    return static_cast<COLORREF>(c.red()) | static_cast<COLORREF>(c.green()) << 8 |
           static_cast<COLORREF>(c.blue()) << 16;
}

ZFourLinePage::ZFourLinePage(QWidget* parent) : QWidget(parent) {
    chooser_ = [](QColor& color, QWidget* owner) {
        const QColor chosen = QColorDialog::getColor(color, owner);
        if (!chosen.isValid()) return false;
        color = chosen;
        return true;
    };

    auto* top = new QVBoxLayout(this);
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(new QLabel(QStringLiteral("Chart Tile:"), this));
    title_ = Named(new QLineEdit(this), kIdChartTitle);
    titleRow->addWidget(title_, 1);
    // The count title is kept in the record but not offered.
    auto* countLabel = Named(new QLabel(QStringLiteral("Count:"), this), kIdCountTitleLabel);
    countTitle_ = Named(new QLineEdit(this), kIdCountTitle);
    countLabel->hide();
    countTitle_->hide();
    titleRow->addWidget(countLabel);
    titleRow->addWidget(countTitle_);
    top->addLayout(titleRow);

    auto* pairs = new QGridLayout;
    for (int p = 0; p < kPairs; ++p) pairs->addWidget(BuildPair(p), p % 2, p / 2);
    top->addLayout(pairs);

    auto* switches = new QHBoxLayout;
    const auto radioGroup = [this](const QString& caption, int onId, int offId, QRadioButton** on,
                                   QRadioButton** off) {
        auto* box = new QGroupBox(caption, this);
        auto* row = new QHBoxLayout(box);
        *on = Named(new QRadioButton(QStringLiteral("On"), box), onId);
        *off = Named(new QRadioButton(QStringLiteral("Off"), box), offId);
        row->addWidget(*on);
        row->addWidget(*off);
        row->addStretch(1);
        return box;
    };
    switches->addWidget(radioGroup(QStringLiteral("Grid line"), kIdGridLineOn, kIdGridLineOff,
                                   &gridLineOn_, &gridLineOff_));
    switches->addWidget(radioGroup(QStringLiteral("Grid x-axis node text"), kIdGridNoteOn,
                                   kIdGridNoteOff, &gridNoteOn_, &gridNoteOff_));
    top->addLayout(switches);
    top->addStretch(1);

    LoadRecord(record_);
}

QWidget* ZFourLinePage::BuildPair(int p) {
    auto* box = new QGroupBox(QStringLiteral("Line %1").arg(p + 1), this);
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("Title"), box), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Width"), box), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Color"), box), 0, 3);
    const auto addRow = [&](int row, const QString& label, int titleId, int widthId, int swatchId,
                            int buttonId, bool out) {
        grid->addWidget(new QLabel(label, box), row, 0);
        auto* title = Named(new QLineEdit(box), titleId);
        title->setMinimumWidth(
            title->fontMetrics().horizontalAdvance(QStringLiteral("PedestrianOut")) + 16);
        auto* width = Named(new QComboBox(box), widthId);
        for (int w = 1; w <= kWidthListSize; ++w) width->addItem(QString::asprintf("%d", w));
        auto* swatch = Named(new QLabel(box), swatchId);
        swatch->setFixedSize(36, 20);
        swatch->setFrameShape(QFrame::Box);
        swatch->setAutoFillBackground(true);
        auto* button = Named(new QPushButton(QStringLiteral("Color.."), box), buttonId);
        connect(button, &QPushButton::clicked, this, [this, p, out] { ChooseColor(p, out); });
        grid->addWidget(title, row, 1);
        grid->addWidget(width, row, 2);
        grid->addWidget(swatch, row, 3);
        grid->addWidget(button, row, 4);
        (out ? outTitle_ : inTitle_)[p] = title;
        (out ? outWidth_ : inWidth_)[p] = width;
        (out ? outSwatch_ : inSwatch_)[p] = swatch;
    };
    addRow(1, QStringLiteral("In:"), kIdInTitle + p, kIdInWidth + p, kIdInSwatch + p,
           kIdInColor + p, false);
    addRow(2, QStringLiteral("Out:"), kIdOutTitle + p, kIdOutWidth + p, kIdOutSwatch + p,
           kIdOutColor + p, true);
    grid->setColumnStretch(1, 1);
    return box;
}

void ZFourLinePage::LoadRecord(const LineStyleRecord& record) {
    record_ = record;
    title_->setText(Text(record_.title));
    countTitle_->setText(Text(record_.countTitle[0]));
    for (int p = 0; p < kPairs; ++p) {
        inTitle_[p]->setText(Text(record_.inTitle[p]));
        outTitle_[p]->setText(Text(record_.outTitle[p]));
        SelectWidth(inWidth_[p], record_.inWidth[p]);
        SelectWidth(outWidth_[p], record_.outWidth[p]);
        PaintSwatch(inSwatch_[p], record_.inColor[p]);
        PaintSwatch(outSwatch_[p], record_.outColor[p]);
    }
    (record_.gridLine == 1 ? gridLineOn_ : gridLineOff_)->setChecked(true);
    (record_.gridNote == 1 ? gridNoteOn_ : gridNoteOff_)->setChecked(true);
}

void ZFourLinePage::ReadControls() {
    record_.title = Utf8(title_->text());
    record_.countTitle[0] = Utf8(countTitle_->text());
    for (int p = 0; p < kPairs; ++p) {
        record_.inTitle[p] = Utf8(inTitle_[p]->text());
        record_.outTitle[p] = Utf8(outTitle_[p]->text());
        record_.inWidth[p] = WidthFromList(inWidth_[p]->currentIndex(), record_.inWidth[p]);
        record_.outWidth[p] = WidthFromList(outWidth_[p]->currentIndex(), record_.outWidth[p]);
    }
    record_.gridLine = gridLineOn_->isChecked() ? 1 : 0;
    record_.gridNote = gridNoteOn_->isChecked() ? 1 : 0;
}

void ZFourLinePage::ChooseColor(int pair, bool out) {
    COLORREF& stored = (out ? record_.outColor : record_.inColor)[pair];
    QColor color = ColorOfRef(stored);
    if (!chooser_ || !chooser_(color, this)) return;
    stored = RefOfColor(color);
    PaintSwatch((out ? outSwatch_ : inSwatch_)[pair], stored);
}

void ZFourLinePage::PaintSwatch(QLabel* swatch, COLORREF color) {
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, ColorOfRef(color));
    swatch->setPalette(palette);
    swatch->repaint();
}

QColor ZFourLinePage::SwatchColor(int swatchId) const {
    const auto* swatch = findChild<QLabel*>(IdName(swatchId));
    return swatch ? swatch->palette().color(QPalette::Window) : QColor();
}

}  // namespace zl
