// What the chart model asks of the window that shows its page: a browser host that can go to
// the page, repaint and capture what it shows. The Qt host implements it; without a host the
// model works alone (tests, reporter-cli).
#pragma once

#include <string>

namespace zl {

class IChartHost {
  public:
    virtual ~IChartHost() = default;
    // Shows the page at `url` (a file:// address of the page folder's ZLXChart.html).
    virtual void Navigate(const std::string& url) = 0;
    // Repaints the chart window.
    virtual void Redraw() = 0;
    // Writes what the browser shows as a 24-bit bitmap file; false when nothing was written.
    virtual bool SaveBitmap(const std::string& path) = 0;
};

}  // namespace zl
