#include "ui/chartview/PdfReport.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <algorithm>

namespace zl {

namespace {

constexpr int kDpi = 300;
constexpr double kMarginMm = 15;
constexpr double kHeadingPt = 14;
constexpr double kTextPt = 9;
constexpr double kTablePt = 8;
constexpr double kMinTablePt = 5;
// The chart takes at most this share of the first page's height.
constexpr double kChartShare = 0.42;

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont Font(double points, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The table as texts: the header cells (captions may hold a line feed), the rows and the
// totals row.
struct TableTexts {
    QStringList header;
    std::vector<QStringList> rows;
    QStringList totals;
};

TableTexts TextsOf(const ReportDocument& d) {
    TableTexts t;
    t.header << Q(d.fromTitle) << Q(d.toTitle);
    for (const std::string& c : d.captions) t.header << Q(c);
    for (const CountRecord& r : d.rows) {
        QStringList row{Q(RowStartText(r)), Q(RowEndText(r))};
        for (size_t c = 0; c < d.captions.size(); ++c) row << QString::number(r.values[c]);
        t.rows.push_back(row);
    }
    t.totals << Q(d.totalTitle) << QString();
    for (unsigned long long total : ColumnTotals(d)) t.totals << QString::number(total);
    return t;
}

struct TableLayout {
    QFont font, bold;
    std::vector<int> widths;
    int rowHeight = 0, headerHeight = 0;
};

// Column widths for the widest text of each column, the font made smaller until the table
// fits the page's width.
TableLayout LayOutTable(const TableTexts& t, QPaintDevice* device, int pageWidth) {
    TableLayout l;
    for (double pt = kTablePt; pt >= kMinTablePt; pt -= 0.5) {
        l.font = Font(pt);
        l.bold = Font(pt, true);
        const QFontMetrics m(l.font, device), mb(l.bold, device);
        const int pad = m.averageCharWidth();
        l.widths.assign(static_cast<size_t>(t.header.size()), 0);
        int lines = 1;
        for (int c = 0; c < t.header.size(); ++c) {
            int w = 0;
            const QStringList parts = t.header[c].split(QLatin1Char('\n'));
            lines = std::max(lines, static_cast<int>(parts.size()));
            for (const QString& part : parts) w = std::max(w, mb.horizontalAdvance(part));
            for (const QStringList& row : t.rows) w = std::max(w, m.horizontalAdvance(row[c]));
            w = std::max(w, mb.horizontalAdvance(t.totals[c]));
            l.widths[static_cast<size_t>(c)] = w + 2 * pad;
        }
        l.rowHeight = m.height() + pad / 2;
        l.headerHeight = mb.height() * lines + pad / 2;
        int total = 0;
        for (int w : l.widths) total += w;
        if (total <= pageWidth) {
            // Spread what is left over the value columns.
            const size_t values = l.widths.size() > 2 ? l.widths.size() - 2 : 0;
            if (values > 0)
                for (size_t c = 2; c < l.widths.size(); ++c)
                    l.widths[c] += (pageWidth - total) / static_cast<int>(values);
            break;
        }
    }
    return l;
}

class Pages {
  public:
    Pages(QPainter& p, QPdfWriter& writer, const PdfReportOptions& o, int pageCount)
        : p_(p), writer_(writer), o_(o), count_(pageCount) {}
    int number() const { return number_; }
    // The footer of the page being ended: the time of printing and the page number.
    void Footer(const QRect& area) {
        p_.setFont(Font(kTablePt));
        p_.setPen(Qt::black);
        const QRect foot(area.left(), area.bottom(), area.width(), area.height());
        const QString printed = o_.printedCaption + QLatin1Char(' ') +
                                o_.printedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        p_.drawText(foot, Qt::AlignLeft | Qt::AlignTop, printed);
        p_.drawText(foot, Qt::AlignRight | Qt::AlignTop, o_.pageCaption.arg(number_).arg(count_));
    }
    bool Next() {
        ++number_;
        return writer_.newPage();
    }

  private:
    QPainter& p_;
    QPdfWriter& writer_;
    const PdfReportOptions& o_;
    int count_;
    int number_ = 1;
};

// Draws (or, with `draw` false, only measures) the document; answers the number of pages.
int Layout(QPainter& p, QPdfWriter& writer, const ReportDocument& d, const QImage& chart,
           const PdfReportOptions& o, bool draw, int pageCount) {
    const QRect page = p.viewport();
    const int footer = QFontMetrics(Font(kTablePt), &writer).height() * 2;
    const QRect body(page.left(), page.top(), page.width(), page.height() - footer);
    const QRect footArea(page.left(), body.bottom() + footer / 2, page.width(), footer / 2);
    Pages pages(p, writer, o, pageCount);
    int y = body.top();

    // The heading: the title, then one line per query item (wrapped when long).
    p.setPen(Qt::black);
    const QFont title = Font(kHeadingPt, true);
    const int titleHeight = QFontMetrics(title, &writer).height();
    if (draw) {
        p.setFont(title);
        p.drawText(QRect(body.left(), y, body.width(), titleHeight), Qt::AlignLeft, Q(d.title));
    }
    y += titleHeight * 3 / 2;
    const QFont text = Font(kTextPt), label = Font(kTextPt, true);
    int labelWidth = 0;
    for (const ReportQueryItem& q : d.query)
        labelWidth =
            std::max(labelWidth, QFontMetrics(label, &writer).horizontalAdvance(Q(q.label)));
    labelWidth += QFontMetrics(text, &writer).averageCharWidth() * 2;
    for (const ReportQueryItem& q : d.query) {
        const QRect valueArea(body.left() + labelWidth, y, body.width() - labelWidth,
                              body.height());
        const QRect used =
            QFontMetrics(text, &writer)
                .boundingRect(valueArea, Qt::TextWordWrap | Qt::AlignLeft, Q(q.value));
        if (draw) {
            p.setFont(label);
            p.drawText(QRect(body.left(), y, labelWidth, used.height()), Qt::AlignLeft, Q(q.label));
            p.setFont(text);
            p.drawText(valueArea, Qt::TextWordWrap | Qt::AlignLeft, Q(q.value));
        }
        y += used.height();
    }
    y += titleHeight / 2;

    if (!chart.isNull()) {
        QSize size = chart.size();
        size.scale(body.width(), static_cast<int>(body.height() * kChartShare),
                   Qt::KeepAspectRatio);
        if (draw) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(QRect(QPoint(body.left() + (body.width() - size.width()) / 2, y), size),
                        chart);
        }
        y += size.height() + titleHeight / 2;
    }

    const TableTexts t = TextsOf(d);
    const TableLayout l = LayOutTable(t, &writer, body.width());
    const auto drawRow = [&](const QStringList& cells, bool header, bool bold) {
        int x = body.left();
        const int h = header ? l.headerHeight : l.rowHeight;
        if (draw) {
            p.setFont(bold ? l.bold : l.font);
            const int pad = QFontMetrics(l.font, &writer).averageCharWidth();
            for (int c = 0; c < cells.size(); ++c) {
                const int w = l.widths[static_cast<size_t>(c)];
                const QRect cell(x + pad, y, w - 2 * pad, h);
                const Qt::Alignment align =
                    header ? Qt::AlignHCenter | Qt::AlignVCenter
                           : (c >= 2 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
                p.drawText(cell, align, cells[c]);
                x += w;
            }
            if (header || bold) {
                const int lineY = header ? y + h : y;
                p.drawLine(body.left(), lineY, x, lineY);
            }
        }
        y += h;
    };
    const auto room = [&](int h) {
        if (y + h <= body.bottom()) return;
        if (draw) pages.Footer(footArea);
        pages.Next();
        y = body.top();
        drawRow(t.header, true, true);
    };
    room(l.headerHeight + l.rowHeight);
    drawRow(t.header, true, true);
    for (const QStringList& row : t.rows) {
        room(l.rowHeight);
        drawRow(row, false, false);
    }
    room(l.rowHeight);
    drawRow(t.totals, false, true);
    if (draw) pages.Footer(footArea);
    return pages.number();
}

}  // namespace

QPageSize::PageSizeId DefaultPaper() {
    static const QLocale::Territory kLetter[] = {QLocale::UnitedStates, QLocale::Canada,
                                                 QLocale::Mexico,       QLocale::Chile,
                                                 QLocale::Colombia,     QLocale::Philippines};
    const QLocale::Territory here = QLocale().territory();
    return std::find(std::begin(kLetter), std::end(kLetter), here) != std::end(kLetter)
               ? QPageSize::Letter
               : QPageSize::A4;
}

bool WritePdfReport(const QString& path, const ReportDocument& d, const QImage& chart,
                    const PdfReportOptions& o, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    {
        QPdfWriter writer(&file);
        writer.setResolution(kDpi);
        writer.setPageSize(QPageSize(o.paper));
        writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                              QPageLayout::Millimeter);
        writer.setTitle(Q(d.title));
        writer.setCreator(QStringLiteral("zelkoReporter"));
        QPainter painter;
        if (!painter.begin(&writer)) return fail(QStringLiteral("cannot start the PDF output"));
        // Measured first, so that every page can say how many there are.
        QPdfWriter measure(QStringLiteral("/dev/null"));
        measure.setResolution(kDpi);
        measure.setPageSize(QPageSize(o.paper));
        measure.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                               QPageLayout::Millimeter);
        QPainter measuring(&measure);
        const int pages = Layout(measuring, measure, d, chart, o, false, 0);
        measuring.end();
        Layout(painter, writer, d, chart, o, true, pages);
        if (!painter.end()) return fail(QStringLiteral("the PDF output failed"));
    }
    if (!file.commit()) return fail(file.errorString());
    return true;
}

}  // namespace zl
