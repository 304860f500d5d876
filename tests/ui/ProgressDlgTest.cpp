// The query progress dialog and the retry question: the handshake with the run (a run that
// ends before the dialog is up, while it is up, or is cancelled), the text ticks and the
// animation steps, and the question asked on the user-interface thread while the worker waits.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "Await.h"
#include "query/QueryRun.h"
#include "store/IString.h"
#include "store/StringIds.h"
#include "ui/reportwin/ProgressDlg.h"
#include "ui/reportwin/RetryPrompt.h"

namespace zl {

using zl::testsupport::Flag;
using zl::testsupport::ScopeExit;

namespace {

constexpr int kPatienceMs = 30000;

// Ends the dialog (and a question open over it) if it is still up after the patience, so a
// failed check shows as a failure instead of a hang.
void CloseAfterPatience(QDialog& dlg) {
    QTimer::singleShot(kPatienceMs, &dlg, [&dlg] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != &dlg) modal->close();
        dlg.done(QDialog::Rejected);
    });
}

}  // namespace

class ProgressDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { IString::Instance()->SetFile(ZL_LANG_FILE); }

    void captionAndTextComeFromTheLanguageFile() {
        CProgressDlg dlg;
        QCOMPARE(dlg.windowTitle(),
                 QString::fromUtf8(IString::Instance()->LoadStringA(kStrProgressCaption)));
        QCOMPARE(dlg.CurrentText(),
                 QString::fromUtf8(IString::Instance()->LoadStringA(kStrProgressText)));
    }

    void aRunThatEndedBeforeTheDialogShowsNoDialog() {
        QueryRun run;
        run.Start([](QueryRun&) { return 1; });
        run.Wait();
        CProgressDlg dlg;
        QElapsedTimer t;
        t.start();
        QCOMPARE(dlg.RunFor(run), false);
        QVERIFY(!dlg.isVisible());
        QVERIFY(t.elapsed() < kPatienceMs);  // returns at once, without a modal loop
    }

    void theEndOfTheRunClosesTheDialogWhateverTheTiming() {
        // The worker ends at once, after some steps, or just as the dialog attaches: the
        // dialog never stays open.
        for (int delayMs : {0, 1, 5, 30, 120}) {
            for (int round = 0; round < 5; ++round) {
                QueryRun run;
                run.Start([delayMs](QueryRun& self) {
                    for (int i = 0; i < 3; ++i) self.Step(i == 1 ? "hour 1" : nullptr);
                    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                    self.Close();
                    return 1;
                });
                CProgressDlg dlg;
                QTimer guard;
                guard.setSingleShot(true);
                bool forced = false;
                connect(&guard, &QTimer::timeout, &dlg, [&] {
                    forced = true;
                    dlg.done(0);
                });
                guard.start(kPatienceMs);
                dlg.RunFor(run);
                QVERIFY2(!forced, "the dialog stayed open after the run ended");
                // The worker closes the dialog just before it returns; the window waits for
                // it the same way before it reads the tables.
                QVERIFY(run.WaitFor(kPatienceMs));
                QVERIFY(run.Done());
            }
        }
    }

    void stepsAdvanceTheAnimationAndReplaceTheText() {
        QueryRun run;
        Flag attached, release;
        // Declared after the run, so it lets the worker go before the run waits for it:
        // a failed check below ends the test at once.
        ScopeExit releaseWorker([&] { release.Set(); });
        run.Start([&](QueryRun& self) {
            // The steps come once the dialog is attached; earlier ones have no display.
            if (!attached.WaitFor()) return 0;
            self.Step(nullptr);
            self.Step("Site B");
            release.WaitFor();
            return 1;
        });
        CProgressDlg dlg;
        CloseAfterPatience(dlg);
        int steps = -1, frame = -1;
        QString text;
        connect(&dlg, &CProgressDlg::displayAttached, &dlg, [&] {
            attached.Set();
            ScopeExit releaseOnAnyPath([&] { release.Set(); });
            QTRY_COMPARE_WITH_TIMEOUT(dlg.StepsShown(), 2, kPatienceMs);
            steps = dlg.StepsShown();
            frame = dlg.Frame();
            text = dlg.CurrentText();
        });
        dlg.RunFor(run);
        QVERIFY(run.WaitFor(kPatienceMs));
        QCOMPARE(steps, 2);
        QCOMPARE(frame, 2);
        QCOMPARE(text, QStringLiteral("Site B"));
    }

    void theTextBlinksItsDotOnTickZeroOfSixteen() {
        QueryRun run;
        Flag release;
        ScopeExit releaseWorker([&] { release.Set(); });
        run.Start([&](QueryRun&) {
            release.WaitFor();
            return 1;
        });
        CProgressDlg dlg;
        CloseAfterPatience(dlg);
        const QString text = dlg.CurrentText();
        const QString dotted = text + QString(18, QLatin1Char(' ')) + QLatin1Char('.');
        QStringList seen;
        bool sawLast = false;
        QTimer probe;
        connect(&probe, &QTimer::timeout, &dlg, [&] {
            seen << QStringLiteral("%1:%2").arg(dlg.Tick()).arg(dlg.ShownText() == dotted);
            if (dlg.Tick() == CProgressDlg::kTicks - 1) sawLast = true;
            if (sawLast && dlg.Tick() == 0) release.Set();
        });
        QCOMPARE(dlg.ShownText(), dotted);  // tick 0 at the start
        probe.start(100);
        dlg.RunFor(run);
        QVERIFY(release.IsSet());
        // Every sample agrees: the dot shows exactly on tick 0.
        for (const QString& s : seen) {
            const bool tickZero = s.startsWith(QLatin1String("0:"));
            QCOMPARE(s.endsWith(QLatin1String(":1")), tickZero);
        }
        QVERIFY(seen.size() > 16);
    }

    void cancelStopsTheRunAtItsNextStep() {
        QueryRun run;
        ScopeExit stopWorker([&] { run.Cancel(); });
        std::atomic<int> steps{0};
        run.Start([&](QueryRun& self) {
            while (self.Step(nullptr)) {
                ++steps;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a worker's pace
            }
            return 0;
        });
        CProgressDlg dlg;
        CloseAfterPatience(dlg);
        connect(&dlg, &CProgressDlg::displayAttached, &dlg, [&] {
            auto* cancel = dlg.findChild<QPushButton*>(QStringLiteral("id2"));
            QVERIFY(cancel);
            QTRY_VERIFY_WITH_TIMEOUT(steps > 0, kPatienceMs);
            cancel->click();
        });
        QCOMPARE(dlg.RunFor(run), true);
        QVERIFY(run.WaitFor(kPatienceMs));
        QVERIFY(run.CancelledByUser());
        QVERIFY(steps > 0);
    }

    void theRetryQuestionIsAskedOnTheInterfaceThread() {
        QWidget owner;
        UiRetryPrompt prompt(&owner);
        QueryRun run;
        prompt.SetRun(&run);
        std::atomic<bool> answer{true};
        Qt::HANDLE askedOn = nullptr;
        QString asked;
        connect(&prompt, &UiRetryPrompt::aboutToAsk, this, [&](const QString& message) {
            askedOn = QThread::currentThreadId();
            asked = message;
            QTimer::singleShot(0, [] {
                QMessageBox* box = nullptr;
                QTRY_VERIFY_WITH_TIMEOUT(
                    (box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())),
                    kPatienceMs);
                box->button(QMessageBox::No)->click();
            });
        });
        run.Start([&](QueryRun&) {
            answer = prompt.AskRetry("zelkoReporter", "127.0.0.1 failed");
            return 1;
        });
        CProgressDlg dlg;
        CloseAfterPatience(dlg);
        dlg.RunFor(run);
        QVERIFY(run.WaitFor(kPatienceMs));
        QCOMPARE(answer.load(), false);
        QCOMPARE(asked, QStringLiteral("127.0.0.1 failed"));
        QCOMPARE(askedOn, QThread::currentThreadId());
        QCOMPARE(prompt.Asked(), 1);
    }

    void afterACancelTheQuestionIsAnsweredNoUnasked() {
        QWidget owner;
        UiRetryPrompt prompt(&owner);
        QueryRun run;
        prompt.SetRun(&run);
        run.Cancel();
        QCOMPARE(prompt.AskRetry("c", "m"), false);
        QCOMPARE(prompt.Asked(), 0);
    }
};

}  // namespace zl

QTEST_MAIN(zl::ProgressDlgTest)

#include "ProgressDlgTest.moc"
