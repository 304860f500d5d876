// One copy per user: a second start of the real program, while a first copy holds the guard,
// ends at once without a window and makes the first copy raise its window; a guard left by a
// copy that died is taken over.
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "SingleInstance.h"

namespace zl {

class SingleInstanceTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir tmp_;

  private slots:
    void initTestCase() {
        // Lock and socket live in the temporary folder: this test's own.
        QVERIFY(tmp_.isValid());
        qputenv("TMPDIR", tmp_.path().toLocal8Bit());
    }

    void theFirstHoldsTheGuardAndASecondAsksItToRaise() {
        SingleInstance first(QStringLiteral("guard-test"));
        QVERIFY(first.Acquire());
        QVERIFY(first.LockPath().startsWith(tmp_.path()));
        SingleInstance second(QStringLiteral("guard-test"));
        QVERIFY(!second.Acquire());
        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        // The second copy blocks while it asks; the first answers from its event loop.
        bool sent = false;
        QTimer::singleShot(0, [&] { sent = second.ActivateRunning(3000); });
        QTRY_COMPARE_WITH_TIMEOUT(raised.count(), 1, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(sent, 30000);
    }

    void aGuardLeftBehindIsTakenOver() {
        {
            SingleInstance gone(QStringLiteral("stale-test"));
            QVERIFY(gone.Acquire());
        }
        // A lock file of a process that no longer runs.
        QFile lock(tmp_.path() + QStringLiteral("/stale-test-%1.lock").arg(::getuid()));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("999999\nzelkoReporter\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();
        SingleInstance next(QStringLiteral("stale-test"));
        QVERIFY(next.Acquire());
    }

    void aSecondStartOfTheProgramEndsAtOnceAndRaisesTheFirst() {
        SingleInstance first(QStringLiteral("zelkoReporter"));
        QVERIFY(first.Acquire());
        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        const QString settings = QStringLiteral(ZL_BIN_DIR "/Setting .ini");
        const QDateTime before = QFileInfo(settings).lastModified();

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), tmp_.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        program.start(QStringLiteral(ZL_BIN_DIR "/zelkoReporter"), {});
        QVERIFY(program.waitForStarted(30000));
        // Served from this loop while the program waits for the answer.
        QTRY_COMPARE_WITH_TIMEOUT(raised.count(), 1, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning, 30000);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // It never made a window: a window would have written its settings when it closed.
        QCOMPARE(QFileInfo(settings).lastModified(), before);
    }
};

}  // namespace zl

QTEST_GUILESS_MAIN(zl::SingleInstanceTest)

#include "SingleInstanceTest.moc"
