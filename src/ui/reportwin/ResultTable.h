// The result table of the report window (a QTableWidget): column 0 the row number, column 1 the
// bucket, then one column per shown value, captions of one or two lines; rows and the totals
// row as ReportTableText has them.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "chart/ReportTableText.h"

class QTableWidget;

namespace zl {

constexpr int kNumberColumnWidth = 40;
constexpr int kTimeColumnWidth = 280;
constexpr int kValueColumnWidth = 83;

// The start-up columns: number, time and two value columns.
void SetUpResultTable(QTableWidget* table, const QString& numberCaption, const QString& timeCaption,
                      const QStringList& valueCaptions);
// Columns from 2 on take the captions: an existing column keeps its width and gets the new
// text, a new one is 83 pixels wide; columns beyond the last caption go.
void SetValueColumns(QTableWidget* table, const std::vector<std::string>& captions);
// Replaces every row.
void SetRows(QTableWidget* table, const std::vector<std::vector<std::string>>& rows);

// The header texts and the cells as they stand (for export titles and printing).
QStringList HeaderTexts(const QTableWidget* table);
std::vector<QStringList> CellTexts(const QTableWidget* table);

}  // namespace zl
