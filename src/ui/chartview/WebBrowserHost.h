// The chart window's browser: a widget holding a QWebEngineView that shows the chart page,
// follows the host's size, and captures what it shows as a bitmap file.
#pragma once

#include <QImage>
#include <QWidget>
#include <string>

#include "chart/ChartHost.h"

class QWebEngineView;

namespace zl {

class CWebBrowserHost : public QWidget, public IChartHost {
    Q_OBJECT

  public:
    explicit CWebBrowserHost(QWidget* parent = nullptr);
    ~CWebBrowserHost() override;

    // Goes to `url`; the same address again is reloaded from disk (the data file changes).
    void Navigate(const std::string& url) override;
    void Redraw() override;
    // Captures the browser view (what it shows now) into a 24-bit bitmap file. False when the
    // capture is empty or the file cannot be written.
    bool SaveBitmap(const std::string& path) override;

    void Reload();
    // What the browser shows now; a null image when there is nothing to capture.
    QImage Capture();
    QWebEngineView* View() const { return view_; }
    // True once the page last navigated to has finished loading.
    bool Navigated() const { return navigated_; }

  signals:
    void pageLoaded(bool ok);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QWebEngineView* view_ = nullptr;
    bool navigated_ = false;
};

// Writes a captured image as a 24-bit bitmap file; false when the image is null or the file
// cannot be written.
bool SaveImageAsBmp(const QImage& image, const std::string& path, std::string* error = nullptr);
// Writes an image as a PNG file, replacing an existing one atomically.
bool SaveImageAsPng(const QImage& image, const std::string& path, std::string* error = nullptr);

}  // namespace zl
