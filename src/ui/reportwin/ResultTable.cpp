#include "ui/reportwin/ResultTable.h"

#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>

namespace zl {

namespace {

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

void SetCaption(QTableWidget* table, int column, const QString& caption) {
    QTableWidgetItem* item = table->horizontalHeaderItem(column);
    if (!item) {
        item = new QTableWidgetItem;
        table->setHorizontalHeaderItem(column, item);
    }
    item->setText(caption);
    item->setTextAlignment(Qt::AlignCenter);
}

}  // namespace

void SetUpResultTable(QTableWidget* table, const QString& numberCaption, const QString& timeCaption,
                      const QStringList& valueCaptions) {
    table->setShowGrid(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    table->horizontalHeader()->setHighlightSections(false);
    table->setColumnCount(2);
    SetCaption(table, 0, numberCaption);
    SetCaption(table, 1, timeCaption);
    table->setColumnWidth(0, kNumberColumnWidth);
    table->setColumnWidth(1, kTimeColumnWidth);
    std::vector<std::string> captions;
    for (const QString& c : valueCaptions) captions.push_back(c.toStdString());
    SetValueColumns(table, captions);
}

void SetValueColumns(QTableWidget* table, const std::vector<std::string>& captions) {
    const int old = table->columnCount();
    const int wanted = 2 + static_cast<int>(captions.size());
    table->setColumnCount(wanted);
    QHeaderView* header = table->horizontalHeader();
    for (int c = 2; c < wanted; ++c) {
        SetCaption(table, c, QString::fromStdString(captions[static_cast<size_t>(c - 2)]));
        // A new column is 83 pixels wide, or as wide as its caption needs (a height class
        // such as "(110<=h<=150)" does not fit in 83).
        if (c >= old || table->columnWidth(c) < header->sectionSizeHint(c))
            table->setColumnWidth(c, std::max(kValueColumnWidth, header->sectionSizeHint(c)));
    }
    // Two-line captions make the header taller; one-line ones bring it back.
    table->horizontalHeader()->resizeSections(QHeaderView::Interactive);
    table->horizontalHeader()->updateGeometry();
}

void SetRows(QTableWidget* table, const std::vector<std::vector<std::string>>& rows) {
    table->clearContents();
    table->setRowCount(static_cast<int>(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r) {
        const auto& row = rows[r];
        for (size_t c = 0; c < row.size() && static_cast<int>(c) < table->columnCount(); ++c) {
            table->setItem(static_cast<int>(r), static_cast<int>(c),
                           Cell(QString::fromStdString(row[c])));
        }
    }
    table->scrollToTop();
}

QStringList HeaderTexts(const QTableWidget* table) {
    QStringList texts;
    for (int c = 0; c < table->columnCount(); ++c) {
        const QTableWidgetItem* item = table->horizontalHeaderItem(c);
        texts << (item ? item->text() : QString());
    }
    return texts;
}

std::vector<QStringList> CellTexts(const QTableWidget* table) {
    std::vector<QStringList> rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < table->columnCount(); ++c) {
            const QTableWidgetItem* item = table->item(r, c);
            row << (item ? item->text() : QString());
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace zl
