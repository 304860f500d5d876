#include "export/Exporter.h"

#include <ctime>

namespace zl {

std::string CExporter::ReportTime() const {
    if (!reportTime_.empty()) return reportTime_;
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

ExportKind ExportKindOfPath(const std::string& path) {
    if (path.find(".csv") != std::string::npos) return ExportKind::Csv;
    if (path.find(".xml") != std::string::npos) return ExportKind::Xml;
    if (path.find(".bmp") != std::string::npos) return ExportKind::Bmp;
    const auto endsWith = [&](const std::string& end) {
        return path.size() >= end.size() &&
               path.compare(path.size() - end.size(), end.size(), end) == 0;
    };
    if (endsWith(".xlsx")) return ExportKind::Xlsx;
    if (endsWith(".pdf")) return ExportKind::Pdf;
    return ExportKind::None;
}

RowTime RowFrom(const CountRecord& r) {
    return {r.fromYear, r.fromMonth, r.fromDay, r.fromHour, r.fromMinute, r.fromSecond};
}

RowTime RowTo(const CountRecord& r) {
    return {r.toYear, r.toMonth, r.toDay, r.toHour, r.toMinute, r.toSecond};
}

}  // namespace zl
