#include "export/CsvExporter.h"

#include <cinttypes>
#include <cstdio>

#include "base/AtomicFile.h"

namespace zl {

namespace {

void AppendTime(std::string& out, const RowTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d - %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    out += text;
}

}  // namespace

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

CCsvExporter* CCsvExporter::Instance() {
    static CCsvExporter exporter;
    return &exporter;
}

std::string CCsvExporter::Format(const std::string& siteName, const std::vector<CountRecord>& rows,
                                 const std::vector<std::string>& columns) const {
    if (rows.empty()) return {};
    const size_t ncol = columns.size();
    std::string out;

    // The first line is one field; it is quoted as a whole when the site name needs it.
    std::string head;
    if (!siteName.empty()) head = "Sitename: " + siteName + " ";
    head += "Report date: " + ReportTime();
    out += CsvField(head);
    out += "\r\n\r\n";
    for (size_t c = 0; c < ncol; ++c) {
        out += CsvField(columns[c]);
        out += c + 1 < ncol ? "," : "\r\n";
    }

    // Totals are 64-bit: a sum of many 32-bit counts must not wrap around.
    std::vector<uint64_t> totals(ncol, 0);
    char number[32];
    for (const CountRecord& r : rows) {
        if (ncol > 0) AppendTime(out, RowFrom(r));
        if (ncol > 1) {
            out += ", ";
            AppendTime(out, RowTo(r));
        }
        for (size_t c = 2; c < ncol; ++c) {
            const uint32_t v = c - 2 < 10 ? r.values[c - 2] : 0;
            std::snprintf(number, sizeof number, ", %" PRIu32, v);
            out += number;
            totals[c] += v;
        }
        out += "\r\n";
    }
    for (size_t c = 2; c < ncol; ++c) out += c == 2 ? "Total:" : ",Total:";
    for (size_t c = 2; c < ncol; ++c) {
        std::snprintf(number, sizeof number, c == 2 ? "\r\n%" PRIu64 : ", %" PRIu64, totals[c]);
        out += number;
    }
    out += "\r\n";
    return out;
}

int CCsvExporter::Export(const std::string& path, const std::string& siteName,
                         const std::vector<CountRecord>& rows,
                         const std::vector<std::string>& columns, std::string* error) {
    if (rows.empty()) return 1;
    return zl::WriteFileAtomically(path, Format(siteName, rows, columns), error) ? 1 : 0;
}

}  // namespace zl
