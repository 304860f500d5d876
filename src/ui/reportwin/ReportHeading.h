// The heading printed and exported reports carry, so that a sheet or a picture says what it
// shows: the sites, the counter type, the range with its dates, the filters in force and when
// it was made.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>

namespace zl {

struct ReportHeadingFields {
    QStringList sites;    // names of the sites queried
    QString counterType;  // the counter type's name
    QString range;        // "Day", "Week" or "Month"
    QString firstDay;     // "yyyy/MM/dd" of the first and the last bucket (may be equal)
    QString lastDay;
    QStringList filters;  // "Direction: In", "Period: 15 min", ...
    QDateTime madeAt;
    // The captions of the lines (language texts).
    QString sitesCaption = QStringLiteral("Sites:");
    QString rangeCaption = QStringLiteral("Range:");
    QString filtersCaption = QStringLiteral("Filters:");
    QString madeCaption = QStringLiteral("Printed:");
};

// The heading's lines: the counter type with the range; the sites; the filters (left out when
// there are none); the time it was made.
QStringList ReportHeadingLines(const ReportHeadingFields& fields);

// `image` under a white strip holding `lines` (as wide as the image, the text elided at its right
// end where a line is too long). A null image stays null.
QImage WithHeading(const QImage& image, const QStringList& lines);

}  // namespace zl
