#include "ui/chartview/WebBrowserHost.h"

#include <QBuffer>
#include <QResizeEvent>
#include <QUrl>
#include <QWebEngineView>
#include <string_view>

#include "base/AtomicFile.h"
#include "export/BmpWriter.h"

namespace zl {

CWebBrowserHost::CWebBrowserHost(QWidget* parent) : QWidget(parent) {
    view_ = new QWebEngineView(this);
    view_->setGeometry(0, 0, width(), height());
    connect(view_, &QWebEngineView::loadStarted, this, [this] { navigated_ = false; });
    connect(view_, &QWebEngineView::loadFinished, this, [this](bool ok) {
        navigated_ = ok;
        emit pageLoaded(ok);
    });
    view_->setUrl(QUrl(QStringLiteral("about:blank")));
}

CWebBrowserHost::~CWebBrowserHost() = default;

void CWebBrowserHost::Navigate(const std::string& url) {
    navigated_ = false;
    const QUrl target(QString::fromStdString(url));
    if (view_->url() == target) {
        // The page files are the same, the data file is new: skip any cached copy.
        view_->triggerPageAction(QWebEnginePage::ReloadAndBypassCache);
    } else {
        view_->load(target);
    }
}

void CWebBrowserHost::Redraw() {
    view_->update();
}

void CWebBrowserHost::Reload() {
    view_->triggerPageAction(QWebEnginePage::ReloadAndBypassCache);
}

void CWebBrowserHost::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    view_->setGeometry(0, 0, event->size().width(), event->size().height());
}

QImage CWebBrowserHost::Capture() {
    view_->repaint();
    return view_->grab().toImage();
}

bool CWebBrowserHost::SaveBitmap(const std::string& path) {
    return SaveImageAsBmp(Capture(), path);
}

bool SaveImageAsBmp(const QImage& image, const std::string& path, std::string* error) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        if (error) *error = "nothing was captured";
        return false;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    ImageView view;
    view.pixels = rgb.constBits();
    view.width = rgb.width();
    view.height = rgb.height();
    view.stride = static_cast<size_t>(rgb.bytesPerLine());
    view.layout = PixelLayout::kRgb24;
    return WriteBmp24(path, view, error);
}

bool SaveImageAsPng(const QImage& image, const std::string& path, std::string* error) {
    if (image.isNull()) {
        if (error) *error = "nothing was captured";
        return false;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        if (error) *error = "the image could not be encoded as PNG";
        return false;
    }
    std::string target = path;
    for (char& c : target) {
        if (c == '\\') c = '/';
    }
    return zl::WriteFileAtomically(target, std::string_view(bytes.constData(), bytes.size()),
                                   error);
}

}  // namespace zl
