#include "ui/reportwin/PrintReport.h"

#include <QPainter>
#include <QPrinter>
#include <QTextDocument>

namespace zl {

bool PrintImage(QPrinter& printer, const QImage& image) {
    if (image.isNull()) return false;
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = painter.viewport();
    QSize size = image.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(page.x() + (page.width() - size.width()) / 2, page.y()), size),
                      image);
    return painter.end();
}

QString TableHtml(const QStringList& heading, const QStringList& headers,
                  const std::vector<QStringList>& rows) {
    QString html = QStringLiteral("<html><body>");
    for (int i = 0; i < heading.size(); ++i) {
        html += (i == 0 ? QStringLiteral("<h3>%1</h3>") : QStringLiteral("<div>%1</div>"))
                    .arg(heading[i].toHtmlEscaped());
    }
    if (heading.size() > 1) html += QStringLiteral("<br>");
    html += QStringLiteral(
        "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" style=\"border-collapse:"
        "collapse\"><thead><tr>");
    for (const QString& h : headers) {
        QString cell = h.toHtmlEscaped();
        cell.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        html += QStringLiteral("<th>%1</th>").arg(cell);
    }
    html += QStringLiteral("</tr></thead><tbody>");
    for (const QStringList& row : rows) {
        html += QStringLiteral("<tr>");
        for (int c = 0; c < row.size(); ++c) {
            const QString align = c >= 2 ? QStringLiteral(" align=\"right\"") : QString();
            html += QStringLiteral("<td%1>%2</td>").arg(align, row[c].toHtmlEscaped());
        }
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</tbody></table></body></html>");
    return html;
}

bool PrintTable(QPrinter& printer, const QStringList& heading, const QStringList& headers,
                const std::vector<QStringList>& rows) {
    QTextDocument document;
    document.setHtml(TableHtml(heading, headers, rows));
    document.print(&printer);
    return printer.printerState() != QPrinter::Error;
}

}  // namespace zl
