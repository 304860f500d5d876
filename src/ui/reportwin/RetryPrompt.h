// The "try again?" question of a failing query, asked on the user-interface thread while the
// worker waits for the answer. Created on the user-interface thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "data/QueryHooks.h"

namespace zl {

class QueryRun;

class UiRetryPrompt : public QObject, public IRetryPrompt {
    Q_OBJECT

  public:
    // `fallbackParent` owns the message box when no modal dialog is up.
    explicit UiRetryPrompt(QWidget* fallbackParent);

    // Once the user has cancelled this run, questions are answered No without being shown.
    void SetRun(QueryRun* run) { run_ = run; }

    // Any thread: a worker thread blocks until the user has answered.
    bool AskRetry(const std::string& caption, const std::string& message) override;

    int Asked() const { return asked_; }

    // Names the site a question is about: given the worker's message (which starts with the
    // site's address), answers the text to show. Called on the user-interface thread.
    void SetDescriber(std::function<QString(const QString& message)> describe) {
        describe_ = std::move(describe);
    }

  signals:
    // Emitted on the user-interface thread just before the question box is shown.
    void aboutToAsk(const QString& message);

  private:
    bool AskHere(const QString& caption, const QString& message);

    QPointer<QWidget> fallbackParent_;
    QueryRun* run_ = nullptr;
    int asked_ = 0;
    std::function<QString(const QString&)> describe_;
};

}  // namespace zl
