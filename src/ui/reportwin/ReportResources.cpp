#include "ui/reportwin/ReportResources.h"

#include <QPainter>
#include <QPixmap>

namespace zl {

namespace {

QPixmap IconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 70, 110));
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
    const QColor colours[3] = {QColor(90, 200, 120), QColor(250, 170, 60), QColor(110, 170, 250)};
    const qreal heights[3] = {0.35, 0.6, 0.8};
    const qreal barW = s * 0.2;
    for (int i = 0; i < 3; ++i) {
        p.setBrush(colours[i]);
        const qreal h = s * heights[i] * 0.85;
        p.drawRect(QRectF(s * 0.14 + i * (barW + s * 0.08), s * 0.88 - h, barW, h));
    }
    return pixmap;
}

}  // namespace

QIcon ReportAppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) icon.addPixmap(IconPixmap(size));
    return icon;
}

}  // namespace zl
