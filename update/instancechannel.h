#pragma once

// How a second copy reaches the running one: the copy that holds the named mutex listens on
// a local socket named after the mutex and the user (beside its lock file); a copy that
// starts while it runs asks it to show its window before waiting for the mutex.

#include <QObject>
#include <QString>

class QLocalServer;

namespace gaugeloft::update {

class InstanceListener : public QObject {
    Q_OBJECT
public:
    explicit InstanceListener(const QString& mutexName, QObject* parent = nullptr);

    // Call while holding the mutex: a socket left by a copy that ended is replaced.
    bool Listen();
    QString ServerPath() const { return m_path; }

Q_SIGNALS:
    void ShowRequested();

private:
    void Accept();

    QString m_path;
    QLocalServer* m_server;
};

// Asks the copy that holds `mutexName` to show its window. False when no copy listens or it
// did not take the request within `timeoutMs`.
bool AskRunningCopyToShow(const QString& mutexName, int timeoutMs);

// Start-up of a single-instance program: takes the mutex when it is free; otherwise asks the
// running copy to show its window (unless `askToShow` is false) and waits for the mutex, all
// within `timeoutMs`. True when the mutex is held.
bool StartSingleInstance(const QString& mutexName, int timeoutMs, bool askToShow);

} // namespace gaugeloft::update
