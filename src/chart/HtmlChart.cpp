#include "chart/HtmlChart.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "base/AtomicFile.h"
#include "chart/ChartHost.h"
#include "chart/LoadData.h"
#include "chart/PageFolder.h"

namespace zl {

namespace {

std::string CurrentFolder() {
    char buf[4096];
    if (getcwd(buf, sizeof buf)) return buf;
    return ".";
}

}  // namespace

CHtmlChart::CHtmlChart() {
    SetDefaults();
    folder_ = CreatePrivatePageFolder();
    ownsFolder_ = !folder_.empty();
    if (folder_.empty()) folder_ = CurrentFolder();
    pageFilesWritten_ = WritePageFiles(folder_);
}

CHtmlChart::CHtmlChart(const std::string& folder) {
    SetDefaults();
    folder_ = NormalizeFolder(folder.empty() ? CurrentFolder() : folder);
    mkdir(folder_.c_str(), 0755);  // an existing folder is fine
    pageFilesWritten_ = WritePageFiles(folder_);
}

CHtmlChart::~CHtmlChart() {
    // A folder we did not make (the current directory, or one handed to us) keeps everything.
    if (ownsFolder_) RemovePageFiles(folder_, true);
}

void CHtmlChart::SetDefaults() {
    labels_.clear();
    for (auto& s : series_) s = CChartSeries();
    title_.clear();
    yUnit_.clear();
    for (int i = 0; i < kChartSeriesCount; ++i) {
        seriesColor_[i] = 0x00FFFFC8;
        char label[32];
        std::snprintf(label, sizeof label, (i % 2 == 0) ? "Line In%d" : "Line Out%d", i / 2);
        seriesLabel_[i] = label;
        seriesEnabled_[i] = 1;
    }
    yMax_ = 10.0;
    ySteps_ = 0;
    showGrid_ = 1;
    showValue_ = 0;
    tooltipMode_ = 0;
}

void CHtmlChart::RedrawHost() {
    if (host_) host_->Redraw();
}

const CChartSeries& CHtmlChart::Series(int i) const {
    static const CChartSeries kEmpty;
    return Valid(i) ? series_[i] : kEmpty;
}

bool CHtmlChart::SetSeriesLabelAndColor(int i, const std::string& label, COLORREF colour) {
    if (!Valid(i)) return false;
    seriesLabel_[i] = label;
    seriesColor_[i] = colour;
    series_[i].color = colour;
    return true;
}

void CHtmlChart::SetPairStyle(COLORREF colour0, COLORREF colour1, const std::string& label0,
                              const std::string& label1, COLORREF colour2, COLORREF colour3,
                              const std::string& label2, const std::string& label3, int grid,
                              int value) {
    seriesColor_[0] = colour0;
    seriesColor_[1] = colour1;
    seriesColor_[2] = colour2;
    seriesColor_[3] = colour3;
    seriesLabel_[0] = label0;
    seriesLabel_[1] = label1;
    seriesLabel_[2] = label2;
    seriesLabel_[3] = label3;
    showGrid_ = grid;
    showValue_ = value;
}

void CHtmlChart::SetGrid(int grid, int value) {
    showGrid_ = grid;
    showValue_ = value;
}

bool CHtmlChart::ClearSeries(int i) {
    if (!Valid(i)) return false;
    series_[i].points.clear();
    series_[i].gaps.clear();
    labels_.clear();
    if (i == 0) marker_ = CChartMarker();
    return true;
}

bool CHtmlChart::SetPointGap(int i, size_t k) {
    if (!Valid(i) || k >= series_[i].points.size()) return false;
    series_[i].gaps.resize(series_[i].points.size(), 0);
    series_[i].gaps[k] = 1;
    return true;
}

bool CHtmlChart::ClearPoints(int i) {
    if (!Valid(i)) return false;
    series_[i].points.clear();
    series_[i].gaps.clear();
    return true;
}

bool CHtmlChart::SetSeriesDashed(int i, bool dashed) {
    if (!Valid(i)) return false;
    series_[i].dashed = dashed;
    return true;
}

bool CHtmlChart::SaveBitmap(const char* path) {
    if (!host_ || !path || !*path) return false;
    return host_->SaveBitmap(path);
}

bool CHtmlChart::SetLabel(int index, const std::string& text) {
    if (index < 0 || index >= kMaxChartLabels) return false;
    if (static_cast<size_t>(index) >= labels_.size()) labels_.resize(index + 1);
    labels_[index] = text;
    return true;
}

bool CHtmlChart::SetYUnit(const std::string& unit) {
    yUnit_ = unit;
    RedrawHost();
    return true;
}

bool CHtmlChart::SetYMax(double yMax) {
    if (!(yMax > 0)) return false;  // also refuses NaN
    yMax_ = yMax;
    return true;
}

bool CHtmlChart::SetYSteps(int steps) {
    ySteps_ = steps < 0 ? 0 : (steps > 100 ? 100 : steps);
    return true;
}

bool CHtmlChart::SetTitle(const std::string& title) {
    title_ = title;
    RedrawHost();
    return true;
}

bool CHtmlChart::SetSeriesColor(int i, COLORREF colour) {
    if (!Valid(i)) return false;
    seriesColor_[i] = colour;
    series_[i].color = colour;
    return true;
}

bool CHtmlChart::SetSeriesWidth(int i, int width) {
    if (!Valid(i)) return false;
    series_[i].width = width < 1 ? 1 : (width > 10 ? 10 : width);
    return true;
}

bool CHtmlChart::SetSeriesType(int i, int type) {
    if (!Valid(i)) return false;
    series_[i].type = type;
    return true;
}

bool CHtmlChart::GetSeriesType(int i, int* type) const {
    if (!Valid(i) || !type) return false;
    *type = series_[i].type;
    return true;
}

bool CHtmlChart::SetSeriesAux(int i, int value) {
    if (!Valid(i)) return false;
    series_[i].aux = value;
    return true;
}

bool CHtmlChart::AddPoint(int i, double value) {
    if (!Valid(i) || !std::isfinite(value)) return false;
    series_[i].points.push_back(value);
    return true;
}

bool CHtmlChart::GetPointCount(int i, int* count) const {
    if (!Valid(i) || !count) return false;
    *count = static_cast<int>(series_[i].points.size());
    return true;
}

bool CHtmlChart::SetSeriesEnabled(int i, int flag) {
    if (!Valid(i)) return false;
    seriesEnabled_[i] = flag;
    RedrawHost();
    return true;
}

bool CHtmlChart::SetTooltipMode(int mode) {
    tooltipMode_ = mode;
    return true;
}

bool CHtmlChart::Redraw() {
    RedrawHost();
    return true;
}

std::string CHtmlChart::LoadDataText(bool* anySeries) const {
    return BuildLoadData(*this, anySeries);
}

std::string CHtmlChart::PageUrl() const {
    return PageUrlOf(folder_);
}

bool CHtmlChart::WritePage() {
    bool anySeries = false;
    const std::string text = BuildLoadData(*this, &anySeries);
    if (!zl::WriteFileAtomically(folder_ + "/" + kChartDataFile, text)) return false;
    if (anySeries && host_) host_->Navigate(PageUrl());
    return true;
}

}  // namespace zl
