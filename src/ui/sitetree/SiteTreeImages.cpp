#include "ui/sitetree/SiteTreeImages.h"

#include <QPainter>
#include <QPainterPath>

namespace zl {

namespace {

QPixmap Blank() {
    QPixmap pm(kTreeImageWidth, kTreeImageHeight);
    pm.fill(Qt::transparent);
    return pm;
}

// A shop front: roof, walls, door and two windows.
QPixmap DrawSite() {
    QPixmap pm = Blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath roof;
    roof.moveTo(3, 11);
    roof.lineTo(15, 2);
    roof.lineTo(27, 11);
    roof.closeSubpath();
    p.setPen(QPen(QColor(120, 30, 20), 1));
    p.setBrush(QColor(205, 70, 45));
    p.drawPath(roof);
    p.setPen(QPen(QColor(70, 60, 50), 1));
    p.setBrush(QColor(240, 225, 190));
    p.drawRect(QRectF(6, 11, 18, 11));
    p.setBrush(QColor(110, 75, 40));
    p.drawRect(QRectF(13, 15, 4, 7));
    p.setBrush(QColor(120, 180, 230));
    p.drawRect(QRectF(8, 13.5, 3.5, 3.5));
    p.drawRect(QRectF(18.5, 13.5, 3.5, 3.5));
    return pm;
}

// A camera body with one lens, or two lenses for a stereo (3D) camera.
QPixmap DrawCamera(bool stereo) {
    QPixmap pm = Blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor body = stereo ? QColor(40, 120, 60) : QColor(45, 70, 130);
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.setBrush(QColor(90, 90, 90));
    p.drawRect(QRectF(12, 3, 6, 3));  // mount
    p.setBrush(body);
    p.drawRoundedRect(QRectF(2.5, 6.5, 25, 14), 3, 3);
    p.setBrush(QColor(15, 15, 15));
    p.setPen(QPen(QColor(210, 210, 210), 1.2));
    if (stereo) {
        p.drawEllipse(QPointF(9.5, 13.5), 4.2, 4.2);
        p.drawEllipse(QPointF(20.5, 13.5), 4.2, 4.2);
        p.setBrush(QColor(90, 160, 230));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(9.5, 13.5), 1.6, 1.6);
        p.drawEllipse(QPointF(20.5, 13.5), 1.6, 1.6);
    } else {
        p.drawEllipse(QPointF(15, 13.5), 5, 5);
        p.setBrush(QColor(90, 160, 230));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(15, 13.5), 2, 2);
        p.setBrush(QColor(230, 40, 40));
        p.drawEllipse(QPointF(24, 9.5), 1.2, 1.2);  // recording light
    }
    return pm;
}

QPixmap DrawFolder() {
    QPixmap pm = Blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(140, 100, 20), 1));
    p.setBrush(QColor(235, 190, 80));
    QPainterPath tab;
    tab.moveTo(3, 6);
    tab.lineTo(11, 6);
    tab.lineTo(13, 8);
    tab.lineTo(27, 8);
    tab.lineTo(27, 21);
    tab.lineTo(3, 21);
    tab.closeSubpath();
    p.drawPath(tab);
    p.setBrush(QColor(250, 210, 110));
    p.drawRect(QRectF(3, 10, 24, 11));
    return pm;
}

}  // namespace

std::vector<QPixmap> BuildSiteTreeImages() {
    std::vector<QPixmap> images;
    images.reserve(kTreeImageCount);
    const QPixmap site = DrawSite();
    const QPixmap camera = DrawCamera(false);
    const QPixmap camera3D = DrawCamera(true);
    for (int i = 0; i < 4; ++i) images.push_back(site);
    for (int i = 0; i < 4; ++i) images.push_back(camera);
    for (int i = 0; i < 4; ++i) images.push_back(camera3D);
    images.push_back(DrawFolder());
    return images;
}

}  // namespace zl
