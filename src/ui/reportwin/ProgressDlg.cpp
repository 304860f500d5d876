#include "ui/reportwin/ProgressDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "store/IString.h"
#include "store/StringIds.h"
#include "ui/reportwin/ProgressAnimation.h"

namespace zl {

namespace {

QString Text(unsigned id) {
    return QString::fromUtf8(IString::Instance()->LoadStringA(id));
}

}  // namespace

CProgressDlg::CProgressDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("progressDialog"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    animation_ = new ProgressAnimation(this);
    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("id1024"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("id1023"));
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("id2"));
    connect(cancel_, &QPushButton::clicked, this, &CProgressDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(animation_, 0, Qt::AlignHCenter);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Initialisation: caption, text, the bar at 100, the tick timer.
    setWindowTitle(Text(kStrProgressCaption));
    text_ = Text(kStrProgressText);
    bar_->setValue(100);
    ShowTickText();
}

CProgressDlg::~CProgressDlg() = default;

bool CProgressDlg::RunFor(QueryRun& run) {
    run_ = &run;
    cancelled_ = false;
    // Attached before the modal loop starts: the end of the run can no longer be missed. A run
    // that has ended already needs no dialog.
    if (!run.AttachDisplay(this)) {
        run_ = nullptr;
        return false;
    }
    tick_ = 0;
    ShowTickText();
    timerId_ = startTimer(kTickMs);
    QMetaObject::invokeMethod(this, &CProgressDlg::displayAttached, Qt::QueuedConnection);
    exec();
    run.DetachDisplay();
    if (timerId_) killTimer(timerId_);
    timerId_ = 0;
    run_ = nullptr;
    return cancelled_;
}

void CProgressDlg::ShowStep(const char* text) {
    const bool hasText = text != nullptr;
    const QString copy = hasText ? QString::fromUtf8(text) : QString();
    QMetaObject::invokeMethod(
        this, [this, copy, hasText] { OnStep(copy, hasText); }, Qt::QueuedConnection);
}

void CProgressDlg::CloseDisplay() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isVisible()) done(QDialog::Accepted);
        },
        Qt::QueuedConnection);
}

void CProgressDlg::reject() {
    // Cancel, the close box or Escape: the run stops at its next step.
    cancelled_ = true;
    if (run_) run_->Cancel();
    QDialog::reject();
}

void CProgressDlg::OnStep(const QString& text, bool hasText) {
    if (hasText) text_ = text;
    ++stepsShown_;
    animation_->Advance();
}

int CProgressDlg::Frame() const {
    return animation_->Frame();
}

QString CProgressDlg::ShownText() const {
    return label_->text();
}

void CProgressDlg::ShowTickText() {
    const QString dotted = QStringLiteral("%1                  %2").arg(text_, QStringLiteral("."));
    // Wide enough for the longer form, so the dialog does not change its size at every tick.
    const int width = std::max(360, label_->fontMetrics().horizontalAdvance(dotted) + 8);
    if (label_->width() != width) label_->setFixedWidth(width);
    label_->setText(tick_ == 0 ? dotted : text_);
}

void CProgressDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timerId_) {
        QDialog::timerEvent(event);
        return;
    }
    tick_ = (tick_ + 1) % kTicks;
    ShowTickText();
}

}  // namespace zl
