// Helpers of the report window tests: a temporary program folder with the language file, an
// empty settings file and a site list; sample databases; reporter-cli runs; a watcher that
// answers the modal boxes a test does not expect.
#pragma once

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <string>
#include <vector>

#include "CountGen.h"
#include "base/ProgramFolder.h"

namespace zl {

struct TestSite {
    int connectionType = 2;  // 0 server, 2 local
    std::string localDB;
    std::string address = "127.0.0.1";
    std::string port = "700";
    std::string user;
    std::string password;
    int counterType = 1;
    std::string name = "Test site";
};

inline TestSite LocalSite(const QString& folder) {
    TestSite site;
    site.localDB = folder.toStdString();
    return site;
}

// A program folder of its own for one test: LANG/ with the shipped language file, an empty
// "Setting .ini", and the site list the test writes. Points the program folder at it.
class TestProgramFolder {
  public:
    TestProgramFolder() {
        QDir(dir_.path()).mkpath(QStringLiteral("LANG"));
        QFile::copy(QStringLiteral(ZL_LANG_FILE), Path("LANG/zelkoReporter_ENG.ini"));
        QFile settings(Path("Setting .ini"));
        settings.open(QIODevice::WriteOnly);
        zl::SetProgramFolderOverride(dir_.path().toStdString());
    }
    ~TestProgramFolder() { zl::SetProgramFolderOverride(std::string()); }

    QString Path(const QString& name = QString()) const {
        return name.isEmpty() ? dir_.path() : dir_.path() + QLatin1Char('/') + name;
    }
    QString Path(const char* name) const { return Path(QString::fromUtf8(name)); }

    void WriteSiteList(const std::vector<TestSite>& sites) const {
        QString text = QStringLiteral("[SITE_LIST]\nCOUNT=%1\n").arg(sites.size());
        for (size_t i = 0; i < sites.size(); ++i) {
            const TestSite& s = sites[i];
            text += QStringLiteral(
                        "[SITE_LIST_COUNT%1]\nCounterType=%2\nstrItemName=%3\nIPAddress=%4\n"
                        "LocalDB=%5\nnPort=%6\nstrUsername=%7\nstrPassword=%8\nbAnonyMous=0\n"
                        "ConnectionType=%9\n")
                        .arg(i, 2, 10, QLatin1Char('0'))
                        .arg(s.counterType)
                        .arg(QString::fromStdString(s.name), QString::fromStdString(s.address),
                             QString::fromStdString(s.localDB), QString::fromStdString(s.port),
                             QString::fromStdString(s.user), QString::fromStdString(s.password))
                        .arg(s.connectionType);
        }
        QFile file(Path("SiteList.ini"));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(text.toUtf8());
    }

  private:
    QTemporaryDir dir_;
};

// Sample databases below `root`, ending today.
inline bool GenerateData(const QString& root, std::vector<int> types, int days, int interval,
                         int cameras, bool index) {
    CountGenOptions o;
    o.root = root.toStdString();
    o.types = std::move(types);
    o.days = days;
    o.intervalMinutes = interval;
    o.cameras = cameras;
    o.index = index;
    o.replace = true;
    std::string error;
    return GenerateDatabases(o, nullptr, &error) == 1;
}

// Runs reporter-cli with the test's language and settings files; answers its standard output.
inline QByteArray RunCli(const TestProgramFolder& folder, QStringList args) {
    args.prepend(QStringLiteral("report"));
    args << QStringLiteral("--lang") << folder.Path("LANG/zelkoReporter_ENG.ini")
         << QStringLiteral("--settings") << folder.Path("Setting .ini")
         << QStringLiteral("--quiet");
    QProcess cli;
    cli.start(QStringLiteral(ZL_BIN_DIR "/reporter-cli"), args);
    if (!cli.waitForFinished(120000)) return {};
    return cli.readAllStandardOutput();
}

inline QString Today() {
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
}

// Closes every message box that comes up while it lives, and remembers their texts. A test
// that expects a box answers it itself before the watcher's next round (or sets `answer`).
class ModalWatcher : public QObject {
  public:
    QStringList texts;
    QMessageBox::StandardButton answer = QMessageBox::No;

    ModalWatcher() {
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box == last_) return;
            last_ = box;
            texts << box->text();
            QAbstractButton* button = box->button(answer);
            if (!button) button = box->button(QMessageBox::Ok);
            if (button)
                button->click();
            else
                box->reject();
        });
        timer_.start(50);
    }

  private:
    QTimer timer_;
    QPointer<QMessageBox> last_;
};

}  // namespace zl
