#pragma once

// The web update component: every update setting, one check a few seconds after start and
// another whenever the user asks, the events of each step, and the program's entry in the
// update catalog. It only decides and records; a run (index, confirmation, download,
// installation) is carried out by the run the program gives it (`Run`).

#include "update/proxycredentials.h"
#include "update/updatecatalog.h"
#include "update/webupdatetypes.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace gaugeloft::platform {
class SettingsStore;
}

namespace gaugeloft::update {

// What a run leaves behind (copied into the component's results).
struct RunResult {
    bool Completed = false;  // its work ended (also: no update, or the user declined)
    bool Aborted = false;    // cancelled: downloaded files deleted
    QString NewVersion {};
    QString NewFile {};
    qint32 NewSize = 0;
    QString NewNotes {};
    bool NewIsPortable = false;
    QString DownloadedArchive {};  // the local files of a confirmed update, for its installation
    QString DownloadedPackage {};
    bool TerminateAfter = false;   // the update was handed over and the program is to end
};

// What the component needs of the program around it.
struct WebUpdateHost {
    platform::SettingsStore* Store = nullptr;           // the catalog's store; none: no catalog
    QString ExecutablePath;
    QString ApplicationTitle;
    std::function<quint32()> WindowId;                  // the main window's native id, 0 when none
    std::function<QString(const QString& file, const QString& name)> FileInfo;  // version strings
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
    // Whether this copy was installed by a setup program (an "unins*" file beside the program,
    // not on a removable device).
    std::function<bool()> InstalledCopy;
    // Ends the program at once (start-up without the mutex).
    std::function<void(int exitCode)> Terminate;
    // Asks the program to end by its normal shutdown path once the run is over (an update was
    // handed over and AutoRestart is on).
    std::function<void()> Quit;
    // Starts a program detached from this one; false when it could not be started.
    std::function<bool(const QString& program, const QStringList& arguments, const QString& workingFolder)>
        StartDetached;
};

class TMyWebUpdate : public QObject {
    Q_OBJECT
public:
    explicit TMyWebUpdate(WebUpdateHost host, QObject* parent = nullptr);
    ~TMyWebUpdate() override;

    // Stored settings and their defaults.
    bool AutoRestart = true;
    QString UpdatesRoot = QStringLiteral("https://downloads.marrowind.example/gaugeloft/");
    QString HomePage;
    QString SetupParams;
    bool AutoContinue = false;
    int AutoDelay = 10000;
    bool UseDialogSounds = true;
    TMyProxyMode UseProxy = pmAuto;
    QString ProxyHost;
    int ProxyPort = 0;
    bool ReadOnlyCatalog = false;
    TMyTurnOffMode TurnOffMode = tmAuto;
    TMyUpdateMode UpdateMode = umAuto;
    QString WaitMutex;
    TMyCheckMode CheckMode = cmNormal;
    int StartupDelay = 1000;
    // Not stored.
    QString TempFile;
    // The program's title (index name when IndexName is empty, texts).
    const QString& ApplicationTitle() const { return m_host.ApplicationTitle; }
    const QString& ExecutablePath() const { return m_host.ExecutablePath; }
    const WebUpdateHost& Host() const { return m_host; }
    // The version a run compares against: CurrentVersion, else the program's "FileVersion".
    QString VersionToCompare() const;
    QDateTime Now() const { return m_host.Now(); }
    // The saved proxy credentials for this account (nothing without a store).
    ProxyCredentials LoadProxyCredentials() const;
    QString CurrentVersion;
    double LastCheck = 0;  // day number, local time, of the last run that was not aborted

    // Settings whose change does something at once.
    bool UseGlobalCatalog() const { return m_useGlobalCatalog; }
    void SetUseGlobalCatalog(bool use);
    const QString& CheckGUID() const { return m_checkGuid; }
    void SetCheckGUID(const QString& text);
    bool StartupCheck() const { return m_startupCheck; }
    void SetStartupCheck(bool check);
    const QString& IndexName() const { return m_indexName; }
    void SetIndexName(const QString& name);

    // Events, all optional. Those whose handler answers take references.
    std::function<void()> OnExecuteStart;
    std::function<void()> OnExecuteEnd;
    std::function<void(TMyUpdateStep step, bool& canContinue, const QString& source, const QString& target,
                       qint64 min, qint64 max)>
        OnExecuteWork;
    std::function<void(const QString& fromVersion, const QString& toVersion, const QString& notes, bool& allowUpdate,
                       bool& allowConfirm)>
        OnUpdateNeeded;
    std::function<void(const QString& fromVersion, const QString& toVersion, bool& allowRestart)> OnRestartNeeded;
    std::function<void(const QString& message)> OnErrorOccured;

    // Results of the last run.
    const RunResult& Results() const { return m_results; }
    // Set whenever the confirmation was shown.
    bool TurnedOff = false;
    bool TurnOffOffered = false;

    // The start-up: the mutex, the start-up check armed, the catalog read and written, and a
    // replacement script named by "/cleanu;PATH" removed 2 s later. Call once the settings are set.
    void Loaded(const QStringList& arguments);

    // One check now: false at once while a run is active, else the run's result.
    bool Execute();
    bool IsBusy() const { return m_busy > 0; }

    // The run, given whether this is an installed copy (the progress window's RunUpdate).
    std::function<RunResult(bool installedCopy)> Run;

    // Catalog operations.
    bool IsRegisteredInCatalog() const;
    void RegisterInCatalog(bool registerEntry);
    void UnregisterFromCatalog();
    void RefreshCatalog();
    void LoadLastCheck();

    // The start-up timer (tests look at it).
    QTimer& StartupTimer() { return m_startupTimer; }

    // How long the start-up waits for the mutex before the program ends with exit code 1.
    int MutexWaitMs = 10000;
    static constexpr int kCleanupDelayMs = 2000;

private:
    void WriteCatalogEntry(quint32 pid);

    WebUpdateHost m_host;
    bool m_loading = true;
    bool m_ending = false;
    bool m_useGlobalCatalog = false;
    bool m_startupCheck = false;
    QString m_checkGuid;
    QString m_indexName;
    int m_busy = 0;
    RunResult m_results;
    QTimer m_startupTimer;
};

// The whole-program guard: a run that starts while any other run is active does nothing.
bool UpdateBusy();

} // namespace gaugeloft::update
