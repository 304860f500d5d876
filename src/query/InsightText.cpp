#include "query/InsightText.h"

#include <cstdio>

#include "query/Compare.h"

namespace zl {

std::string FillText(const std::string& text, const std::vector<std::string>& args) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const size_t k = static_cast<size_t>(text[i + 1] - '1');
            if (k < args.size()) out += args[k];
            ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

std::string ShortTimeText(const SYSTEMTIME& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute);
    return buf;
}

std::string SpanText(const CountRecord& first, const CountRecord& last) {
    // The end is shown as the minute after the inclusive end second (10:59:59 -> 11:00).
    const int endMinutes = (last.toHour * 60 + last.toMinute + (last.toSecond > 0 ? 1 : 0));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d-%02d:%02d", first.fromHour, first.fromMinute,
                  endMinutes / 60, endMinutes % 60);
    return buf;
}

std::string PeakBucketText(const CountRecord& r) {
    if (r.kind == kRangeDay) return SpanText(r, r);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", r.fromYear, r.fromMonth, r.fromDay);
    return buf;
}

std::string ShareText(double share) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f%%", share * 100.0);
    return buf;
}

std::string ChangeText(uint64_t now, uint64_t before) {
    double change = 0.0;
    if (!PercentChange(now, before, &change)) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f", change);
    return text;
}

}  // namespace zl
