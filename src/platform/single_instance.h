#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

// One running application per user. The first launch holds a lock file and listens on a local
// socket beside it; a later launch finds the lock taken, asks the running one through the socket
// to show itself, and leaves. A lock or socket left by a crashed launch does not stop the next one.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `directory`: private to the user (the runtime directory), where the lock and socket live.
    explicit SingleInstance(const QString& directory, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Claim {
        // This process is now the running instance.
        running,
        // Another instance runs and has been asked to show itself: this process should end.
        handedOver,
        // Another instance holds the lock but does not answer: this process should end too,
        // rather than run a second instance beside it.
        unanswered,
    };
    Claim claim();

signals:
    // Another launch asked this instance to show itself.
    void reopenRequested();

private:
    void listen();
    bool askRunningInstanceToReopen() const;
    void onNewConnection();

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
};
