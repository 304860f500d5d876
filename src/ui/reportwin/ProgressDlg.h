// The modal dialog shown while a query runs: a caption and a text from the language strings, a
// running animation, a progress bar and Cancel. The text blinks a trailing dot every 16 ticks of
// 300 ms. It is the display of a QueryRun: the worker's steps and its end reach it as queued
// calls, so it may be told from any thread.
#pragma once

#include <QDialog>
#include <QString>
#include <atomic>

#include "query/QueryRun.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace zl {

class ProgressAnimation;

class CProgressDlg : public QDialog, public IProgressDisplay {
    Q_OBJECT

  public:
    static constexpr int kTickMs = 300;
    static constexpr int kTicks = 16;

    explicit CProgressDlg(QWidget* parent = nullptr);
    ~CProgressDlg() override;

    // Shows the dialog modally for `run` and returns when the run has ended or the user has
    // cancelled (the run is then told to stop). When the run has ended before the dialog could
    // attach itself, the dialog is not shown at all. True when the user cancelled.
    bool RunFor(QueryRun& run);

    // IProgressDisplay: any thread.
    void ShowStep(const char* text) override;
    void CloseDisplay() override;

    QString CurrentText() const { return text_; }
    QString ShownText() const;
    int Tick() const { return tick_; }
    int Frame() const;
    int StepsShown() const { return stepsShown_; }
    bool Cancelled() const { return cancelled_; }

  signals:
    // The dialog is up and attached to its run (tests and screenshots wait for it).
    void displayAttached();

  public slots:
    void reject() override;

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    void OnStep(const QString& text, bool hasText);
    void ShowTickText();

    ProgressAnimation* animation_;
    QLabel* label_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    QString text_;
    int tick_ = 0;
    int timerId_ = 0;
    int stepsShown_ = 0;
    QueryRun* run_ = nullptr;
    bool cancelled_ = false;
};

}  // namespace zl
