#include "ui/reportwin/ProgressAnimation.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace zl {

namespace {

// A database drum: an ellipse on top of a cylinder.
void DrawDatabase(QPainter& p, const QRectF& r) {
    const qreal capH = r.height() * 0.28;
    QPainterPath body;
    body.moveTo(r.left(), r.top() + capH / 2);
    body.lineTo(r.left(), r.bottom() - capH / 2);
    body.arcTo(QRectF(r.left(), r.bottom() - capH, r.width(), capH), 180, 180);
    body.lineTo(r.right(), r.top() + capH / 2);
    p.setBrush(QColor(70, 110, 160));
    p.setPen(QPen(QColor(40, 60, 90), 1.2));
    p.drawPath(body);
    p.setBrush(QColor(120, 160, 210));
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), capH));
    p.setBrush(Qt::NoBrush);
    for (int band = 1; band <= 2; ++band) {
        const qreal y = r.top() + capH / 2 + band * (r.height() - capH) / 3;
        p.drawArc(QRectF(r.left(), y - capH / 2, r.width(), capH), 180 * 16, 180 * 16);
    }
}

// A sheet with bars: where the counts end up.
void DrawChartSheet(QPainter& p, const QRectF& r, int frame) {
    p.setPen(QPen(QColor(90, 90, 90), 1.2));
    p.setBrush(Qt::white);
    p.drawRect(r);
    const int bars = 4;
    const qreal gap = r.width() / (bars * 2 + 1);
    for (int i = 0; i < bars; ++i) {
        // The bars grow a little with the frames, so the sheet looks as if it were filling.
        const qreal share = 0.25 + 0.6 * std::fmod((i * 0.37 + frame / 16.0), 1.0);
        const qreal h = (r.height() - 8) * share;
        p.setBrush(i % 2 ? QColor(230, 120, 40) : QColor(40, 140, 80));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(r.left() + gap * (1 + 2 * i), r.bottom() - 4 - h, gap, h));
    }
}

}  // namespace

ProgressAnimation::ProgressAnimation(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("id1004"));
    setMinimumSize(272, 60);
}

void ProgressAnimation::Advance() {
    frame_ = (frame_ + 1) % kFrames;
    repaint();
}

void ProgressAnimation::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = width();
    const qreal h = height();
    const QRectF from(12, h / 2 - 22, 34, 44);
    const QRectF to(w - 50, h / 2 - 22, 38, 44);
    DrawDatabase(p, from);
    DrawChartSheet(p, to, frame_);

    // The flying record: a small card on an arc from the database to the sheet.
    const qreal t = static_cast<qreal>(frame_) / (kFrames - 1);
    const qreal x0 = from.right() + 6;
    const qreal x1 = to.left() - 22;
    const qreal x = x0 + (x1 - x0) * t;
    const qreal y = h / 2 - 6 - std::sin(t * M_PI) * (h / 2 - 14);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(250, 240, 190));
    p.drawRoundedRect(QRectF(x, y, 18, 12), 2, 2);
    p.setPen(QPen(QColor(150, 120, 40), 1));
    p.drawLine(QPointF(x + 3, y + 4), QPointF(x + 15, y + 4));
    p.drawLine(QPointF(x + 3, y + 8), QPointF(x + 12, y + 8));

    // A dotted trail behind it.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 150, 150));
    for (int k = 1; k <= 3; ++k) {
        const qreal tk = t - 0.06 * k;
        if (tk < 0) break;
        const qreal xk = x0 + (x1 - x0) * tk + 9;
        const qreal yk = h / 2 - std::sin(tk * M_PI) * (h / 2 - 14);
        p.drawEllipse(QPointF(xk, yk), 1.6, 1.6);
    }
}

}  // namespace zl
