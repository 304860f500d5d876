// One running copy per user: the first start holds a lock file and listens on a local socket;
// a later start finds the lock taken, asks the first copy (through the socket) to bring its
// window to the front, and ends. Both live in the temporary folder, named after the program
// and the user.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

namespace zl {

class SingleInstance : public QObject {
    Q_OBJECT

  public:
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first copy: it then holds the lock and serves activation
    // requests until it ends. A lock left by a copy that died is taken over.
    bool Acquire();
    // From a later copy: asks the running one to show its window. True when the request was
    // delivered within `timeoutMs`.
    bool ActivateRunning(int timeoutMs = 3000);

    QString LockPath() const { return lockPath_; }
    QString SocketPath() const { return socketPath_; }

  signals:
    // A later copy asked for the window (emitted in the first copy).
    void activationRequested();

  private:
    void OnConnection();

    QString lockPath_;
    QString socketPath_;
    QLockFile lock_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace zl
