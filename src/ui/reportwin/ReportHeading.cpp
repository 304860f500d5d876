#include "ui/reportwin/ReportHeading.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

namespace zl {

QStringList ReportHeadingLines(const ReportHeadingFields& f) {
    QString dates = f.firstDay;
    if (!f.lastDay.isEmpty() && f.lastDay != f.firstDay) dates += QStringLiteral(" - ") + f.lastDay;
    QStringList lines;
    lines << QStringLiteral("%1 - %2 %3 %4")
                 .arg(f.counterType, f.rangeCaption, f.range, dates)
                 .trimmed();
    lines << QStringLiteral("%1 %2").arg(f.sitesCaption, f.sites.join(QStringLiteral(", ")));
    if (!f.filters.isEmpty())
        lines << QStringLiteral("%1 %2").arg(f.filtersCaption,
                                             f.filters.join(QStringLiteral("; ")));
    lines << QStringLiteral("%1 %2").arg(f.madeCaption,
                                         f.madeAt.toString(QStringLiteral("yyyy/MM/dd HH:mm")));
    return lines;
}

QImage WithHeading(const QImage& image, const QStringList& lines) {
    if (image.isNull() || lines.isEmpty()) return image;
    QFont font;
    font.setPixelSize(qBound(11, image.width() / 70, 16));
    const QFontMetrics metrics(font);
    const int margin = 8;
    const int lineHeight = metrics.height() + 2;
    const int strip = margin * 2 + lineHeight * static_cast<int>(lines.size());
    QImage out(image.width(), image.height() + strip, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.setFont(font);
    painter.setPen(Qt::black);
    int y = margin + metrics.ascent();
    for (const QString& line : lines) {
        painter.drawText(margin, y,
                         metrics.elidedText(line, Qt::ElideRight, image.width() - 2 * margin));
        y += lineHeight;
    }
    painter.setPen(QColor(190, 190, 190));
    painter.drawLine(0, strip - 1, image.width(), strip - 1);
    painter.drawImage(0, strip, image);
    painter.end();
    return out;
}

}  // namespace zl
