#include "ui/reportwin/RetryPrompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "query/QueryRun.h"

namespace zl {

UiRetryPrompt::UiRetryPrompt(QWidget* fallbackParent) : fallbackParent_(fallbackParent) {}

bool UiRetryPrompt::AskRetry(const std::string& caption, const std::string& message) {
    const QString c = QString::fromUtf8(caption.c_str());
    const QString m = QString::fromUtf8(message.c_str());
    if (QThread::currentThread() == thread()) return AskHere(c, m);
    bool answer = false;
    // The user-interface thread is in the progress dialog's loop (or waits for the worker
    // while processing events), so the call is served and the worker sleeps until then.
    QMetaObject::invokeMethod(
        this, [this, &answer, c, m] { answer = AskHere(c, m); }, Qt::BlockingQueuedConnection);
    return answer;
}

bool UiRetryPrompt::AskHere(const QString& caption, const QString& message) {
    if (run_ && run_->CancelledByUser()) return false;
    ++asked_;
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent) parent = fallbackParent_;
    const QString text = describe_ ? describe_(message) : message;
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setObjectName(QStringLiteral("retryQuestion"));
    box.setDefaultButton(QMessageBox::Yes);
    emit aboutToAsk(message);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace zl
