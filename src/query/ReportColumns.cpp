#include "query/ReportColumns.h"

#include <cstdio>

#include "base/CounterTypes.h"
#include "store/ChartSettingsStore.h"

namespace zl {

namespace {

std::string WithLine(const std::string& title, const char* format, int a, int b = 0) {
    char line[64];
    std::snprintf(line, sizeof line, format, a, b);
    return title + line;
}

}  // namespace

int ReportValueCount(int counterType, int heightClass) {
    switch (counterType) {
        case kPeople2D:
            return 2;
        case kPeople3D:
            return heightClass == 1 ? 6 : 2;
        case kFlow:
            return 4;
        case kTraffic:
            return 8;
        default:
            return 1;
    }
}

std::vector<std::string> ReportValueCaptions(const LineStyleRecord& t, int counterType,
                                             int heightClass, int heightLow, int heightHigh,
                                             int queueType) {
    const auto& in = t.inTitle;
    const auto& out = t.outTitle;
    switch (counterType) {
        case kPeople3D:
            if (heightClass == 1) {
                return {WithLine(in[0], "\n(h<%d)", heightLow),
                        WithLine(out[0], "\n(h<%d)", heightLow),
                        WithLine(in[1], "\n(%d<=h<=%d)", heightLow, heightHigh),
                        WithLine(out[1], "\n(%d<=h<=%d)", heightLow, heightHigh),
                        WithLine(in[2], "\n(h>%d)", heightHigh),
                        WithLine(out[2], "\n(h>%d)", heightHigh)};
            }
            if (heightClass == 2)
                return {WithLine(in[0], "\n(h>%d)", heightLow),
                        WithLine(out[0], "\n(h>%d)", heightLow)};
            if (heightClass == 3)
                return {WithLine(in[0], "\n(h<%d)", heightLow),
                        WithLine(out[0], "\n(h<%d)", heightLow)};
            return {in[0], out[0]};
        case kPeople2D:
            return {in[0], out[0]};
        case kFlow:
            return {in[0], out[0], in[1], out[1]};
        case kTraffic:
            return {in[0], out[0], in[1], out[1], in[2], out[2], in[3], out[3]};
        case kQueue:
            switch (queueType) {
                case 0:
                    return {out[1]};
                case 2:
                    return {out[0]};
                case 3:
                    return {in[1]};
                default:
                    return {in[0]};
            }
        default:
            return {in[0]};
    }
}

std::array<int, 10> LineVisibleFor(int counterType, int direction) {
    std::array<int, 10> visible;
    visible.fill(1);
    if (!IsPeopleCounterType(counterType)) return visible;
    const int series = counterType == kPeople3D ? 6 : 2;
    for (int i = 0; i < series; ++i) {
        if (direction == 1) visible[i] = i % 2 == 0;
        if (direction == 2) visible[i] = i % 2 == 1;
    }
    return visible;
}

std::vector<std::string> VisibleCaptions(const std::vector<std::string>& captions,
                                         const std::array<int, 10>& lineVisible) {
    std::vector<std::string> out;
    for (size_t k = 0; k < captions.size() && k < lineVisible.size(); ++k)
        if (lineVisible[k]) out.push_back(captions[k]);
    return out;
}

std::vector<std::string> ExportColumns(const std::string& fromTitle, const std::string& toTitle,
                                       const std::vector<std::string>& valueHeaders) {
    std::vector<std::string> columns{fromTitle, toTitle};
    for (std::string header : valueHeaders) {
        for (char& c : header)
            if (c == '\n') c = ' ';
        columns.push_back(header);
    }
    return columns;
}

std::vector<CountRecord> ShownValueRows(const std::vector<CountRecord>& rows, int valueCount,
                                        const std::array<int, 10>& lineVisible) {
    std::vector<CountRecord> out = rows;
    for (CountRecord& r : out) {
        uint32_t shown[10] = {};
        int n = 0;
        for (int j = 0; j < valueCount && j < 10; ++j)
            if (lineVisible[static_cast<size_t>(j)]) shown[n++] = r.values[j];
        for (int j = 0; j < 10; ++j) r.values[j] = shown[j];
        r.valueCount = static_cast<uint32_t>(n);
    }
    return out;
}

}  // namespace zl
