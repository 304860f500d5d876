// The chart model behind the chart window: x labels, 64 series with their colours, legend
// texts, types and widths, the title and y unit, grid and value flags and the tooltip mode,
// plus the private page folder and the writer of its data file "LoadData.js".
//
// Operations that take a series index refuse indexes outside 0..63 (they change nothing and
// report false).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "store/ChartSettingsStore.h"  // COLORREF

namespace zl {

class IChartHost;

constexpr int kChartSeriesCount = 64;
// Labels beyond this index are refused; a result never has more buckets than this.
constexpr int kMaxChartLabels = 65536;

struct CChartSeries {
    std::vector<double> points;  // in x order
    COLORREF color = 0;
    int aux = 0;    // set to 4 by the configuration; the page does not use it
    int width = 2;  // 1..10
    int type = 1;   // 1 line, 2 bar
    // Points without data (drawn as a gap, not as 0): parallel to points, or empty for none.
    std::vector<char> gaps;
    bool dashed = false;  // a compared period: dashed and lighter
};

// A mark at one x position (the peak), drawn with its text above the chart.
struct CChartMarker {
    int index = -1;  // -1: none
    std::string text;
};

class CHtmlChart {
  public:
    // The page lives in a new private folder "zlx..." in the temporary folder ($TMPDIR, else
    // /tmp); the folder and its files are deleted with the chart. When no private folder can
    // be made, the current directory is used (and kept; only the page files are deleted).
    CHtmlChart();
    // The page lives in `folder` (created when missing) and stays there after the chart is
    // gone; for a page that is published or opened later (reporter-cli --chart).
    explicit CHtmlChart(const std::string& folder);
    virtual ~CHtmlChart();
    CHtmlChart(const CHtmlChart&) = delete;
    CHtmlChart& operator=(const CHtmlChart&) = delete;

    // The window that shows the page (may be null); not owned.
    void SetHost(IChartHost* host) { host_ = host; }
    IChartHost* Host() const { return host_; }

    virtual bool SetSeriesLabelAndColor(int i, const std::string& label, COLORREF colour);
    // Series 0..3: colours and legend texts; then the grid and value flags.
    virtual void SetPairStyle(COLORREF colour0, COLORREF colour1, const std::string& label0,
                              const std::string& label1, COLORREF colour2, COLORREF colour3,
                              const std::string& label2, const std::string& label3, int grid,
                              int value);
    virtual void SetGrid(int grid, int value);
    // Empties series i and the whole label list.
    virtual bool ClearSeries(int i);
    // Writes what the chart window shows as a bitmap file; false without a window or when the
    // capture or the file fails.
    virtual bool SaveBitmap(const char* path);
    // Sets label `index`, growing the list with empty labels as needed.
    virtual bool SetLabel(int index, const std::string& text);
    virtual bool SetYUnit(const std::string& unit);
    // Refuses values that are not above 0 (and NaN).
    virtual bool SetYMax(double yMax);
    // Clamped to 0..100.
    virtual bool SetYSteps(int steps);
    virtual bool SetTitle(const std::string& title);
    virtual bool SetSeriesColor(int i, COLORREF colour);
    // Clamped to 1..10.
    virtual bool SetSeriesWidth(int i, int width);
    virtual bool SetSeriesType(int i, int type);
    virtual bool GetSeriesType(int i, int* type) const;
    virtual bool SetSeriesAux(int i, int value);
    // Refuses values that are not finite numbers (they would break the page's script).
    virtual bool AddPoint(int i, double value);
    virtual bool GetPointCount(int i, int* count) const;
    virtual bool SetSeriesEnabled(int i, int flag);
    // Point k of series i has no data: the line breaks there (false for no such point).
    bool SetPointGap(int i, size_t k);
    // Empties series i, its labels left as they are.
    bool ClearPoints(int i);
    bool SetSeriesDashed(int i, bool dashed);
    void SetMarker(int index, const std::string& text) { marker_ = CChartMarker{index, text}; }
    const CChartMarker& Marker() const { return marker_; }
    virtual bool SetTooltipMode(int mode);
    virtual bool Redraw();

    // Writes "LoadData.js" into the page folder (replacing it atomically) and, when at least
    // one series has points, tells the host to show the page. False when the file could not be
    // written; the old file and the page shown stay as they were.
    bool WritePage();
    // The text WritePage writes; *anySeries (when given) says whether a series has points.
    std::string LoadDataText(bool* anySeries = nullptr) const;

    // The page folder, without a trailing separator.
    const std::string& Folder() const { return folder_; }
    // The file:// address of the page.
    std::string PageUrl() const;
    // How many of the three page files were written when the chart was made (3 = all).
    int PageFilesWritten() const { return pageFilesWritten_; }

    const std::vector<std::string>& Labels() const { return labels_; }
    // Series i; an index outside 0..63 gives an empty series.
    const CChartSeries& Series(int i) const;
    const std::string& Title() const { return title_; }
    const std::string& YUnit() const { return yUnit_; }
    COLORREF SeriesColor(int i) const { return Valid(i) ? seriesColor_[i] : 0; }
    std::string SeriesLabel(int i) const { return Valid(i) ? seriesLabel_[i] : std::string(); }
    int SeriesEnabled(int i) const { return Valid(i) ? seriesEnabled_[i] : 0; }
    double YMax() const { return yMax_; }
    int YSteps() const { return ySteps_; }
    int ShowGrid() const { return showGrid_; }
    int ShowValue() const { return showValue_; }
    int TooltipMode() const { return tooltipMode_; }

    static bool Valid(int i) { return i >= 0 && i < kChartSeriesCount; }

  private:
    void SetDefaults();
    void RedrawHost();

    std::vector<std::string> labels_;
    std::array<CChartSeries, kChartSeriesCount> series_;
    std::string title_;
    std::string yUnit_;
    std::array<COLORREF, kChartSeriesCount> seriesColor_{};
    std::array<std::string, kChartSeriesCount> seriesLabel_;
    std::array<int, kChartSeriesCount> seriesEnabled_{};
    double yMax_ = 10.0;
    CChartMarker marker_;
    int ySteps_ = 0;
    int showGrid_ = 1;
    int showValue_ = 0;
    int tooltipMode_ = 0;
    std::string folder_;

    IChartHost* host_ = nullptr;
    bool ownsFolder_ = false;  // created by us: removed at destruction
    int pageFilesWritten_ = 0;
};

}  // namespace zl
