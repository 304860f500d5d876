#include "export/XlsxReport.h"

#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "export/Exporter.h"

namespace zl {

namespace {

constexpr const char* kDateTimeFormat = "yyyy-mm-dd hh:mm:ss";
constexpr double kDateTimeWidth = 20;

// Code points of a UTF-8 text.
size_t Width(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string CellName(lxw_row_t row, lxw_col_t col) {
    char name[32];
    lxw_rowcol_to_cell(name, row, col);
    return name;
}

struct Formats {
    lxw_format* header;
    lxw_format* dateTime;
    lxw_format* number;
    lxw_format* total;
    lxw_format* totalNumber;
    lxw_format* label;
};

Formats AddFormats(lxw_workbook* book) {
    Formats f{};
    f.header = workbook_add_format(book);
    format_set_bold(f.header);
    format_set_text_wrap(f.header);
    format_set_align(f.header, LXW_ALIGN_CENTER);
    format_set_align(f.header, LXW_ALIGN_VERTICAL_CENTER);
    format_set_bottom(f.header, LXW_BORDER_THIN);
    f.dateTime = workbook_add_format(book);
    format_set_num_format(f.dateTime, kDateTimeFormat);
    f.number = workbook_add_format(book);
    format_set_num_format(f.number, "0");
    f.total = workbook_add_format(book);
    format_set_bold(f.total);
    format_set_top(f.total, LXW_BORDER_THIN);
    f.totalNumber = workbook_add_format(book);
    format_set_bold(f.totalNumber);
    format_set_top(f.totalNumber, LXW_BORDER_THIN);
    format_set_num_format(f.totalNumber, "0");
    f.label = workbook_add_format(book);
    format_set_bold(f.label);
    format_set_align(f.label, LXW_ALIGN_VERTICAL_TOP);
    return f;
}

// A date-time cell, or its text where the spreadsheet's calendar does not reach (before 1900).
void WriteTime(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, const RowTime& t,
               lxw_format* format) {
    if (t.year >= 1900) {
        lxw_datetime dt{t.year, t.month, t.day, t.hour, t.minute, static_cast<double>(t.second)};
        worksheet_write_datetime(sheet, row, col, &dt, format);
        return;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    worksheet_write_string(sheet, row, col, text, nullptr);
}

void WriteTableSheet(lxw_workbook* book, const ReportDocument& r, const Formats& f) {
    lxw_worksheet* sheet = workbook_add_worksheet(book, kXlsxReportSheet);
    const auto columns = static_cast<lxw_col_t>(std::min<size_t>(r.captions.size(), 10));
    const auto rows = static_cast<lxw_row_t>(r.rows.size());

    worksheet_write_string(sheet, 0, 0, r.fromTitle.c_str(), f.header);
    worksheet_write_string(sheet, 0, 1, r.toTitle.c_str(), f.header);
    bool twoLines = false;
    for (lxw_col_t c = 0; c < columns; ++c) {
        worksheet_write_string(sheet, 0, c + 2, r.captions[c].c_str(), f.header);
        twoLines = twoLines || r.captions[c].find('\n') != std::string::npos;
    }
    worksheet_set_row(sheet, 0, twoLines ? 30 : LXW_DEF_ROW_HEIGHT, nullptr);
    worksheet_freeze_panes(sheet, 1, 0);

    const std::vector<unsigned long long> sums = ColumnTotals(r);
    for (lxw_row_t i = 0; i < rows; ++i) {
        const CountRecord& rec = r.rows[i];
        WriteTime(sheet, i + 1, 0, RowFrom(rec), f.dateTime);
        WriteTime(sheet, i + 1, 1, RowTo(rec), f.dateTime);
        for (lxw_col_t c = 0; c < columns; ++c) {
            worksheet_write_number(sheet, i + 1, c + 2, rec.values[c], f.number);
        }
    }
    // The totals are formulas over the rows above, with their values kept for readers that
    // do not calculate.
    const lxw_row_t totalRow = rows + 1;
    worksheet_write_string(sheet, totalRow, 0, r.totalTitle.c_str(), f.total);
    worksheet_write_blank(sheet, totalRow, 1, f.total);
    for (lxw_col_t c = 0; c < columns; ++c) {
        const double sum = static_cast<double>(sums[c]);
        if (rows == 0) {
            worksheet_write_number(sheet, totalRow, c + 2, 0, f.totalNumber);
        } else {
            const std::string formula =
                "=SUM(" + CellName(1, c + 2) + ":" + CellName(rows, c + 2) + ")";
            worksheet_write_formula_num(sheet, totalRow, c + 2, formula.c_str(), f.totalNumber,
                                        sum);
        }
        worksheet_set_column(sheet, c + 2, c + 2,
                             XlsxColumnWidth({r.captions[c], std::to_string(sums[c])}), nullptr);
    }
    worksheet_set_column(sheet, 0, 0,
                         std::max(kDateTimeWidth, XlsxColumnWidth({r.fromTitle, r.totalTitle})),
                         nullptr);
    worksheet_set_column(sheet, 1, 1, std::max(kDateTimeWidth, XlsxColumnWidth({r.toTitle})),
                         nullptr);

    if (rows == 0 || columns == 0) return;
    lxw_chart* chart = workbook_add_chart(book, r.barChart ? LXW_CHART_COLUMN : LXW_CHART_LINE);
    for (lxw_col_t c = 0; c < columns; ++c) {
        lxw_chart_series* series = chart_add_series(chart, nullptr, nullptr);
        chart_series_set_categories(series, kXlsxReportSheet, 1, 0, rows, 0);
        chart_series_set_values(series, kXlsxReportSheet, 1, c + 2, rows, c + 2);
        chart_series_set_name_range(series, kXlsxReportSheet, 0, c + 2);
    }
    if (!r.title.empty()) chart_title_set_name(chart, r.title.c_str());
    chart_axis_set_num_format(chart->x_axis, kDateTimeFormat);
    chart_legend_set_position(chart, LXW_CHART_LEGEND_BOTTOM);
    lxw_chart_options place{};
    place.x_scale = 1.6;
    place.y_scale = 1.4;
    worksheet_insert_chart_opt(sheet, 1, columns + 3, chart, &place);
}

void WriteQuerySheet(lxw_workbook* book, const ReportDocument& r, const Formats& f) {
    lxw_worksheet* sheet = workbook_add_worksheet(book, kXlsxQuerySheet);
    std::vector<std::string> labels, values;
    for (lxw_row_t i = 0; i < r.query.size(); ++i) {
        worksheet_write_string(sheet, i, 0, r.query[i].label.c_str(), f.label);
        worksheet_write_string(sheet, i, 1, r.query[i].value.c_str(), nullptr);
        labels.push_back(r.query[i].label);
        values.push_back(r.query[i].value);
    }
    worksheet_set_column(sheet, 0, 0, XlsxColumnWidth(labels), nullptr);
    worksheet_set_column(sheet, 1, 1, std::min(100.0, XlsxColumnWidth(values)), nullptr);
}

bool Fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

}  // namespace

double XlsxColumnWidth(const std::vector<std::string>& texts) {
    size_t widest = 0;
    for (const std::string& text : texts) {
        size_t start = 0;
        for (;;) {
            const size_t end = text.find('\n', start);
            widest = std::max(widest, Width(text.substr(start, end - start)));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    return static_cast<double>(widest) + 3;
}

bool WriteXlsxReport(const std::string& path, const ReportDocument& report, std::string* error) {
    if (path.empty()) return Fail(error, "no file name");
    // The temporary file beside the target, so that the rename stays on one file system.
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return Fail(error, std::strerror(errno));
    ::close(fd);
    const mode_t mask = umask(0);
    umask(mask);
    ::chmod(temp.c_str(), 0666 & ~mask);

    lxw_workbook* book = workbook_new(temp.c_str());
    if (!book) {
        ::unlink(temp.c_str());
        return Fail(error, "cannot start the workbook");
    }
    const Formats formats = AddFormats(book);
    WriteTableSheet(book, report, formats);
    WriteQuerySheet(book, report, formats);
    const lxw_error closed = workbook_close(book);
    if (closed != LXW_NO_ERROR) {
        ::unlink(temp.c_str());
        return Fail(error, lxw_strerror(closed));
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        ::unlink(temp.c_str());
        return Fail(error, why);
    }
    return true;
}

}  // namespace zl
