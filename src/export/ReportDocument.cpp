#include "export/ReportDocument.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "export/Exporter.h"

namespace zl {

namespace {

using nlohmann::json;

std::string TimeText(const RowTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

json TimeJson(const RowTime& t) {
    return json::array({t.year, t.month, t.day, t.hour, t.minute, t.second});
}

bool TimeFromJson(const json& j, uint16_t* year, uint8_t* parts[5]) {
    if (!j.is_array() || j.size() != 6) return false;
    for (const json& v : j)
        if (!v.is_number_integer() || v.get<int>() < 0 || v.get<int>() > 9999) return false;
    *year = j[0].get<uint16_t>();
    for (size_t i = 0; i < 5; ++i) {
        const int v = j[i + 1].get<int>();
        if (v > 255) return false;
        *parts[i] = static_cast<uint8_t>(v);
    }
    return true;
}

}  // namespace

std::vector<unsigned long long> ColumnTotals(const ReportDocument& d) {
    std::vector<unsigned long long> totals(d.captions.size(), 0);
    for (const CountRecord& r : d.rows)
        for (size_t c = 0; c < totals.size() && c < 10; ++c) totals[c] += r.values[c];
    return totals;
}

std::string RowStartText(const CountRecord& row) {
    return TimeText(RowFrom(row));
}

std::string RowEndText(const CountRecord& row) {
    return TimeText(RowTo(row));
}

std::string ReportDocumentToJson(const ReportDocument& d) {
    json query = json::array();
    for (const ReportQueryItem& q : d.query) query.push_back({q.label, q.value});
    json rows = json::array();
    for (const CountRecord& r : d.rows) {
        json values = json::array();
        for (size_t c = 0; c < d.captions.size() && c < 10; ++c) values.push_back(r.values[c]);
        rows.push_back(
            {{"from", TimeJson(RowFrom(r))}, {"to", TimeJson(RowTo(r))}, {"values", values}});
    }
    const json doc = {{"title", d.title},
                      {"query", query},
                      {"fromTitle", d.fromTitle},
                      {"toTitle", d.toTitle},
                      {"totalTitle", d.totalTitle},
                      {"captions", d.captions},
                      {"rows", rows},
                      {"barChart", d.barChart}};
    return doc.dump();
}

bool ReportDocumentFromJson(const std::string& text, ReportDocument* d, std::string* error) {
    const json doc = json::parse(text, nullptr, false);
    const auto fail = [&](const char* why) {
        *error = std::string("not a report document: ") + why;
        return false;
    };
    if (!doc.is_object()) return fail("no JSON object");
    try {
        *d = ReportDocument();
        d->title = doc.at("title").get<std::string>();
        for (const json& q : doc.at("query"))
            d->query.push_back({q.at(0).get<std::string>(), q.at(1).get<std::string>()});
        d->fromTitle = doc.at("fromTitle").get<std::string>();
        d->toTitle = doc.at("toTitle").get<std::string>();
        d->totalTitle = doc.at("totalTitle").get<std::string>();
        d->captions = doc.at("captions").get<std::vector<std::string>>();
        d->barChart = doc.at("barChart").get<bool>();
        if (d->captions.size() > 10) return fail("more than 10 value columns");
        for (const json& row : doc.at("rows")) {
            CountRecord r;
            uint8_t* from[5] = {&r.fromMonth, &r.fromDay, &r.fromHour, &r.fromMinute,
                                &r.fromSecond};
            uint8_t* to[5] = {&r.toMonth, &r.toDay, &r.toHour, &r.toMinute, &r.toSecond};
            if (!TimeFromJson(row.at("from"), &r.fromYear, from) ||
                !TimeFromJson(row.at("to"), &r.toYear, to))
                return fail("a bad row time");
            const json& values = row.at("values");
            if (values.size() != d->captions.size()) return fail("a row of the wrong width");
            for (size_t c = 0; c < values.size(); ++c) r.values[c] = values[c].get<uint32_t>();
            r.valueCount = static_cast<uint32_t>(values.size());
            d->rows.push_back(r);
        }
    } catch (const json::exception& e) {
        return fail(e.what());
    }
    return true;
}

}  // namespace zl
